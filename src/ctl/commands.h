#pragma once

// brevane-ctl's commands on one device: the console's rules and commands,
// each reply judged, and the effect read back where the status page shows
// it. The device is found and logged into only once the command's own
// words have been checked.

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
#include "device/setup.h"
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
std::vector<net::DeviceRecord> Named(const net::DeviceList& found, const std::string& name,
                                     const std::optional<std::string>& group);

// A device as a run on several found it.
struct Target {
  std::string address, name, group;
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

class Ctl {
 public:
  // `words`: DEVICE COMMAND [ARGUMENT]...; with a `target` and what is
  // `shared`, one device of several, DEVICE its address.
  Ctl(const Options& options, std::vector<std::string> words, Output& out,
      const Target* target = nullptr, const Shared* shared = nullptr);
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

  // The device, found and logged into on first use.
  const std::string& Ip();
  void Resolve();
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
  void WaitForDevice(Return how);

  void Show();
  void Language();
  void Time();
  void Address();
  void Upload();
  void Judged(const device::UploadVerdict& verdict, const std::string& path);
  void Restart(bool reset);
  void Folder();
  void Ftp();
  void FtpAccount();
  void Disk();
  void FollowScan();
  // A device's setup as a file, and a device made to match one.
  device::Setup DeviceSetup();
  void Backup();
  void Apply();
  void Make(const device::Change& change, const device::Setup& has, const device::Setup& wanted,
            bool identity);

  Options options_;
  std::vector<std::string> args_;
  Output& out_;
  const Target* target_;
  const Shared* shared_;
  device::Session session_;
  bool logged_in_ = false;
  bool password_given_ = false;  // from a source or typed, even if empty
  std::string name_, group_;     // of the device, as a scan found it
  net::CommandClient client_;
  int sent_ = 0;  // commands sent to the device
};

}  // namespace ctl
