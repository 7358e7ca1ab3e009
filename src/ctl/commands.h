#pragma once

// brevane-ctl's commands on one device: the console's rules and commands,
// each reply judged, and the effect read back where the status page shows
// it. Plan, then act: the command's words are checked, its rules applied,
// its secrets gathered and its questions asked before the first request.
// The device is found, trusted and logged into only once its own words
// have been checked.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ctl/arguments.h"
#include "ctl/output.h"
#include "device/device.h"
#include "device/exchange.h"
#include "device/ftp.h"
#include "device/setup.h"
#include "device/trust.h"
#include "net/command_client.h"

namespace net {
class THttpDataStream;
}
namespace device {
struct UploadVerdict;
}

namespace ctl {

// The firmware image of an upload, opened and checked; a file that cannot
// be sent fails the run. `copied`: sent from a private copy taken now (for
// several devices), not from the file.
net::THttpDataStream FirmwareImage(const std::string& path, bool copied = false);

// The devices of `found` with this name (and group, if given), without
// regard to letter case.
std::vector<net::DeviceRecord> Matching(const net::DeviceList& found, const std::string& name,
                                        const std::optional<std::string>& group);

// A device of a run on several: where it is, trusted by the person before
// the run began (device::Trusted), and its name and group where a scan
// found it.
struct Assigned {
  device::Trusted where;
  std::string name, group;
};

// What the devices of a run on several share: the passwords, read once
// (and the person's yes to send them, asked once); the firmware image,
// read, checked and copied once, so that every device gets the same bytes
// whatever becomes of the file; and the discovery scans that the waits for
// the devices look at, one at a time, each seen by a wait only once.
struct Shared {
  std::optional<std::string> password, new_password;
  const net::THttpDataStream* firmware = nullptr;
  struct Scan {
    std::uint64_t number = 0;  // the run's scans counted from 1
    std::chrono::steady_clock::time_point began;
    net::DeviceList list;
  };
  // The scans after number `after` that began at `not_before` or later,
  // oldest first; one made now when there is none.
  std::function<std::vector<Scan>(std::uint64_t after,
                                  std::chrono::steady_clock::time_point not_before)>
      scan;
};

// What a command may send besides the device's login, which every one
// sends.
enum Secret : unsigned {
  kNewPassword = 1,      // the administrator's
  kFolderPassword = 2,   // a folder's
  kAccountPassword = 4,  // an FTP account's
};

// The command as results name it: "show status", "ftp account create".
std::string NameOfCommand(const std::vector<std::string>& words);

class Ctl {
 public:
  // A command, as the command line names it.
  struct Verb {
    const char* word;
    void (Ctl::*run)();
    // Ways to use it that send what it can, for the tests that hold every
    // command to the one gate for secrets: its words after COMMAND
    // ({image}, {setup} and {file} stand for files, {self} for the
    // device's own address, {name} for a free name), and the secrets it
    // then sends besides the login.
    struct Example {
      std::vector<std::string> words;
      unsigned secrets;
    };
    std::vector<Example> examples;
  };
  static const std::vector<Verb>& Commands();

  // `words`: DEVICE COMMAND [ARGUMENT]...; with an `assigned` device and
  // what is `shared`, one device of several, DEVICE its address.
  Ctl(const Options& options, std::vector<std::string> words, Output& out,
      const Assigned* assigned = nullptr, const Shared* shared = nullptr);
  // Carries out the command; its exit status (failures throw Failure).
  int Run();

 private:
  // The command's words, DEVICE first.
  const std::string& Arg(std::size_t at, const char* what) const;
  std::optional<std::string> OptionalArg(std::size_t at) const;
  void NoMoreThan(std::size_t count) const;
  bool OnOffArg(std::size_t at) const;
  // The value after `--name` among the command's words, if any (taken out).
  std::optional<std::string> Flag(const std::string& name);
  bool Switch(const std::string& name);

  // The device, found, trusted and logged into on first use.
  device::Session& Login();
  const std::string& Ip() { return Login().address(); }
  device::Trusted Resolve();
  std::string Page();
  // Sends a command and judges the device's reply; throws on anything but
  // success.
  void Send(const device::Command& command);
  // The same, the outcome told rather than thrown (but a command too long
  // to be sent, and no answer at all).
  device::Outcome SendJudged(const device::Command& command);
  void Carry(const device::Plan& plan);
  // Refuses, before the device is even looked for, what the rules refuse
  // whatever the device holds.
  static void Precheck(const device::Plan& plan);
  // Reads the status page again and fails unless `taken` holds of it.
  void Verify(const std::function<bool(const std::string& page)>& taken);
  void Confirm(const device::Message& question);
  std::string Asked(const std::string& question) const;
  std::string NewPassword(const std::string& what);
  [[noreturn]] void FailOutcome(device::Outcome outcome);
  void Done(const std::string& said = {});
  enum class Return { AfterRestart, AtNewAddress, Elsewhere };
  // Where the device answers again (found there by discovery: no secret
  // follows it there).
  std::string WaitForDevice(Return how);

  void Show();
  void Name();
  void Password();
  void DhcpServer();
  void Reboot();
  void Reset();
  // Refuses a name another device answers discovery with, and an address
  // another host answers at (but this device's own), unless
  // --even-if-taken: two devices with one name or one address shut each
  // other out.
  void NotTakenElsewhere(const std::optional<std::string>& name,
                         const std::optional<std::string>& address);
  void Language();
  void Time();
  void Address();
  // After an address change the device sent: where it answers now.
  void Moved(const device::AddressSettings& settings);
  void Upload();
  void Judged(const device::UploadVerdict& verdict, const std::string& path);
  void Restart(bool reset);
  void Folder();
  void Ftp();
  void FtpAccount();
  void CreateAccount(const std::string& name);
  void AccountPage(const std::string& what, const std::string& name, const std::string& second);
  void Disk();
  void FollowScan();
  // A device's setup as a file, and a device made to match one.
  device::Setup SetupOfDevice(const std::string& page);
  // Selects each named account's page (a request) and reads its folders.
  void ReadAccountFolders(device::Setup& setup, const std::vector<std::string>& names);
  void Backup();
  void Apply();
  // --check and --diff: the plan, nothing sent.
  void ShowPlan(const device::SetupPlan& plan, const std::string& diff);
  // Everything before the first request: the rules' refusal, names and
  // addresses taken elsewhere, the new password, the deletions' yes.
  void Settle(const device::SetupPlan& plan, const device::Setup& has, const device::Setup& wanted,
              device::ApplyChoices choices);
  void VerifySetup(const device::Setup& wanted, device::ApplyChoices choices);
  void AppliedSetup(const std::vector<device::Change>& changes, int sent);
  void Make(const device::Change& change, const device::Setup& has, const device::Setup& wanted);
  void MakeTime(const device::Setup& has, const device::Setup& wanted);
  void MakeAnonymous(const device::Setup& wanted);
  void MakeAccountChange(const device::Change& change, const device::Setup& wanted);
  void MakeAddress(const device::Setup& has, const device::Setup& wanted);
  device::FtpAccountView SelectedAccount(const std::string& name);
  net::AccountRow AccountNamed(const std::string& name);

  Options options_;
  std::vector<std::string> args_;
  Output& out_;
  const Assigned* assigned_;
  const Shared* shared_;
  std::optional<device::Session> session_;
  bool password_given_ = false;  // from a source or typed, even if empty
  std::string name_, group_;     // of the device, as a scan found it
  net::CommandClient client_;
  int sent_ = 0;              // commands sent to the device
  std::string new_password_;  // for what apply creates, gathered first
};

}  // namespace ctl
