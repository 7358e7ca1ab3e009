// brevane-ctl's way to its device: found, logged into, each command sent
// and its reply judged.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/secrets.h"
#include "ctl/trust.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_reader.h"
#include "net/page_values.h"
#include "net/socket_error.h"
#include "net/tcp.h"
#include "net/waiting.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {

using i18n::Translate;
using scan::Printable;

Ctl::Ctl(const Options& options, std::vector<std::string> words, Output& out,
         const Assigned* assigned, const Shared* shared)
    : options_(options), args_(std::move(words)), out_(out), assigned_(assigned), shared_(shared) {}

const std::string& Ctl::Arg(std::size_t at, const char* what) const {
  if (at >= args_.size()) Usage(std::string("missing ") + what);
  return args_[at];
}

std::optional<std::string> Ctl::OptionalArg(std::size_t at) const {
  return at < args_.size() ? std::optional(args_[at]) : std::nullopt;
}

void Ctl::NoMoreThan(std::size_t count) const {
  if (args_.size() > count) Usage("unexpected " + args_[count]);
}

bool Ctl::OnOffArg(std::size_t at) const {
  const std::string& value = Arg(at, "on or off");
  if (value != "on" && value != "off") Usage("expected on or off, not " + value);
  return value == "on";
}

std::optional<std::string> Ctl::Flag(const std::string& name) {
  const auto it = std::find(args_.begin() + 1, args_.end(), name);
  if (it == args_.end()) return std::nullopt;
  if (it + 1 == args_.end()) Usage(name + " takes a value");
  std::string value = *(it + 1);
  args_.erase(it, it + 2);
  return value;
}

bool Ctl::Switch(const std::string& name) {
  const auto it = std::find(args_.begin() + 1, args_.end(), name);
  if (it == args_.end()) return false;
  args_.erase(it);
  return true;
}

std::vector<net::DeviceRecord> Matching(const net::DeviceList& found, const std::string& name,
                                        const std::optional<std::string>& group) {
  std::vector<net::DeviceRecord> matches;
  for (const auto& d : found.Devices())
    if (device::SameButCase(d.DeviceName, name) &&
        (!group || device::SameButCase(d.GroupName, *group)))
      matches.push_back(d);
  return matches;
}

device::Trusted Ctl::Resolve() {
  if (assigned_ != nullptr) {
    name_ = assigned_->name;
    group_ = assigned_->group;
    return assigned_->where;
  }
  const std::string& device = args_[0];
  if (IsAddress(device)) return device::Trusted::Chosen(device);
  // NAME or NAME/GROUP, found by one scan.
  const auto slash = device.find('/');
  const std::string name = device.substr(0, slash);
  const std::optional<std::string> group =
      slash == std::string::npos ? std::nullopt : std::optional(device.substr(slash + 1));
  const net::DeviceList found = Scanned(options_);
  const std::vector<net::DeviceRecord> matches = Matching(found, name, group);
  if (matches.size() == 1) {
    name_ = matches[0].DeviceName;
    group_ = matches[0].GroupName;
    out_.SetDevice(matches[0].Ip);
    return Trust(options_, {{matches[0].Ip, name_, group_}}).front();
  }
  std::string listed = found.Devices().empty() ? "no device answered" : "devices found:\n";
  for (const auto& d : found.Devices())
    listed += "  " + scan::Printable(d.Ip) + "  " + scan::Printable(d.DeviceName) + "/" +
              scan::Printable(d.GroupName) + "\n";
  if (matches.empty())
    Fail(kNoAnswer, "no device is named " + scan::Printable(device) + "; " + listed);
  Fail(kUsage, "several devices are named " + scan::Printable(device) +
                   "; give an address or NAME/GROUP; " + listed);
}

device::Session& Ctl::Login() {
  if (session_) return *session_;
  // Trusted first: nothing, not even the password's prompt, comes before.
  const device::Trusted where = Resolve();
  std::string password;
  if (shared_ != nullptr) {
    // Read once for all the devices.
    password = shared_->password.value_or("");
    password_given_ = shared_->password.has_value();
  } else if (options_.password_file) {
    password = ReadSecretFile(*options_.password_file);
    password_given_ = true;
  } else if (options_.password_fd) {
    password = ReadSecretFd(*options_.password_fd);
    password_given_ = true;
  } else if (const auto typed =
                 AskHidden("Password of " + options_.user + " on " + where.address() + ": ")) {
    password = *typed;
    password_given_ = true;
  }
  session_.emplace(where, options_.user, password);
  return *session_;
}

std::string Ctl::Page() {
  Ip();
  const net::ActionBound bound{device::kReadingActionBound};
  const device::Session& session = Login();
  const net::PageRead read =
      net::ReadPageWithRetries(session.address(), session.user(), session.password(),
                               net::kStatusPagePath, net::AuthGetPage);
  if (read.reply.Status == 401) FailOutcome(device::Outcome::LoginFailed);
  // A reply that is no page is the device's refusal; no reply, no answer.
  if (read.reply.Status > 0 && (read.reply.BodyText.empty() || read.reply.Status != 200))
    Refuse("The device did not show its status page (HTTP " + std::to_string(read.reply.Status) +
           ").");
  if (read.reply.BodyText.empty()) FailOutcome(device::Outcome::NoAnswer);
  return read.reply.BodyText;
}

void Ctl::FailOutcome(device::Outcome outcome) {
  const std::string said = device::SayOutcome(outcome);
  if (outcome == device::Outcome::NoAnswer) Fail(kNoAnswer, said);
  if (outcome == device::Outcome::LoginFailed && !password_given_)
    Refuse(said +
           "\nNo password was given: give it with --password-file FILE or "
           "--password-fd N, or run brevane-ctl on a terminal to be asked.");
  Refuse(said);
}

void Ctl::Send(const device::Command& command) {
  if (const auto outcome = SendJudged(command); outcome != device::Outcome::Done)
    FailOutcome(outcome);
}

device::Outcome Ctl::SendJudged(const device::Command& command) {
  if (!net::CommandClient::Fits(command.url))
    Refuse(device::Say("This value is too long to be sent. Shorten it and try again.",
                       command.field != nullptr ? command.field : "Set")
               .text);
  Login();
  ++sent_;
  return device::Submit(client_, *session_, command).outcome;
}

void Ctl::Carry(const device::Plan& plan) {
  Precheck(plan);
  Send(std::get<device::Command>(plan));
}

void Ctl::Precheck(const device::Plan& plan) {
  if (const device::Refusal* refused = device::Refused(plan)) {
    const device::Message& m = refused->message;
    Refuse(m.title.empty() ? m.text : m.title + ": " + m.text);
  }
}

void Ctl::Verify(const std::function<bool(const std::string& page)>& taken) {
  if (!taken(Page()))
    Refuse(
        "The device answered, but its status page does not show the change: it did not take "
        "it.");
}

void Ctl::Confirm(const device::Message& question) {
  if (options_.yes) return;
  if (!CanAsk())
    Fail(kUsage, question.text + "\nNot asked without a terminal: give --yes to go ahead.");
  if (!AskYes(Asked(question.text))) Fail(kFailed, "Not done.");
}

std::string Ctl::Asked(const std::string& question) const {
  // Among several devices, the question names its own.
  return assigned_ != nullptr ? assigned_->where.address() + ": " + question : question;
}

std::string Ctl::NewPassword(const std::string& what) {
  if (shared_ != nullptr) {
    if (!shared_->new_password)
      Usage(
          "a new password for several devices comes from --new-password-file or "
          "--new-password-fd");
    return *shared_->new_password;
  }
  if (options_.new_password_file) return ReadSecretFile(*options_.new_password_file);
  if (options_.new_password_fd) return ReadSecretFd(*options_.new_password_fd);
  const auto first = AskHidden("New password " + what + ": ");
  if (!first)
    Usage("a new password comes from --new-password-file, --new-password-fd or the terminal");
  const auto again = AskHidden("The new password " + what + " again: ");
  if (!again || *again != *first) Fail(kFailed, Translate("New password entries do not match!"));
  return *first;
}

void Ctl::Done(const std::string& said) {
  JsonObject result;
  if (!said.empty()) result.Text("said", said);
  out_.Result((said.empty() ? "Done." : said) + "\n", result);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kWebPort = 80;

// True once something takes a connection on the device's web port, tried
// every 200 ms until `end`.
bool TakesConnection(const std::string& ip, Clock::time_point end) {
  for (;;) {
    try {
      net::TcpStream::Connect(ip, kWebPort, 1000).Close();
      return true;
    } catch (const net::SocketError&) {
    }
    if (Clock::now() + std::chrono::milliseconds(200) >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

}  // namespace

// Until the device is back: it answers discovery and takes a connection on
// its web port (a device starting up may answer discovery before its web
// server runs, and the next command needs the web server). After a restart
// it must first be seen silent, in a scan begun after it was told to
// restart; only a scan after that one can show it back. After a change of
// address it answers at the new one, or, one from the network, somewhere
// else under its name and group.
std::string Ctl::WaitForDevice(Return how) {
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(options_.wait_seconds);
  const std::string old_address = Ip();
  auto is_it = [&](const net::DeviceRecord& d) {
    return how == Return::Elsewhere
               ? d.DeviceName == name_ && d.GroupName == group_ && d.Ip != old_address
               : d.Ip == old_address;
  };
  // The scans this wait has not looked at: its own, or, in a run on
  // several, those the waits share (one scan serves them all), each looked
  // at once.
  std::uint64_t seen = 0;
  auto scans = [&]() -> std::vector<net::DeviceList> {
    try {
      if (shared_ != nullptr && shared_->scan) {
        std::vector<net::DeviceList> lists;
        for (Shared::Scan& s : shared_->scan(seen, start)) {
          seen = s.number;
          lists.push_back(std::move(s.list));
        }
        return lists;
      }
      Options two_seconds = options_;
      two_seconds.listen = std::chrono::seconds(2);
      return {Scanned(two_seconds, "scan for devices", kUsage, [&](const net::DeviceList& list) {
        return std::any_of(list.Devices().begin(), list.Devices().end(), is_it);
      })};
    } catch (const net::SocketError& e) {
      Fail(kUsage, "cannot scan for devices: " + net::WsaErrorDescription(e.number()));
    }
  };
  auto in = [&](const net::DeviceList& list) -> std::optional<std::string> {
    for (const auto& d : list.Devices())
      if (is_it(d)) return d.Ip;
    return std::nullopt;
  };
  // A device restarts a moment after it is told to, and is silent while it
  // does. One whose restart is shorter than a scan may never be seen
  // silent: after half a minute it is taken as gone by.
  bool gone = how != Return::AfterRestart;
  const auto gone_by = std::min(end, start + std::chrono::seconds(30));
  while (Clock::now() < end) {
    for (const net::DeviceList& list : scans()) {
      const auto ip = in(list);
      if (!gone)
        gone = !ip;
      else if (ip && TakesConnection(*ip, end))
        return *ip;
    }
    if (!gone && Clock::now() >= gone_by) gone = true;
    // (A wait's own scan ends as soon as the device answers.)
    if (!gone && shared_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  Fail(kNoAnswer, "the device did not answer again within " +
                      std::to_string(options_.wait_seconds) + " seconds");
}

}  // namespace ctl
