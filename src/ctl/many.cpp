#include "ctl/many.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include "ctl/ctl.h"
#include "ctl/files.h"
#include "ctl/json_value.h"
#include "ctl/output.h"
#include "ctl/secrets.h"
#include "ctl/trust.h"
#include "device/text.h"
#include "net/http_data_stream.h"
#include "net/socket_error.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {

using scan::Printable;

namespace {

constexpr std::size_t kMaxDevicesFile = 16 << 20;

// The command as results name it, from its words without DEVICE.
std::string CommandName(const std::vector<std::string>& command) {
  std::vector<std::string> line = {""};
  line.insert(line.end(), command.begin(), command.end());
  return NameOfCommand(line);
}

std::vector<std::string> Split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const auto at = text.find(by, from);
    parts.push_back(text.substr(from, at - from));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

// A device as the line or a file names it: an address, or NAME[/GROUP].
Named NamedBy(const std::string& word) {
  if (IsAddress(word)) return {word, "", "", false};
  const auto slash = word.find('/');
  return {"", word.substr(0, slash), slash == std::string::npos ? "" : word.substr(slash + 1),
          true};
}

// One device's part of the run.
struct Part {
  Named named;
  std::optional<Assigned> device;  // once found and trusted
  std::string label;               // as the results name it
  bool started = false;
  bool done = false;
  int status = kDone;
  bool refused = false;
  std::string printed;  // its output, as it would be alone
  std::string said;     // the failure, if any
};

const char* Word(const Part& p) {
  if (!p.started) return "not run";
  switch (p.status) {
    case kDone:
      return "done";
    case kNoAnswer:
      return "no answer";
    default:
      return p.refused ? "refused" : "failed";
  }
}

class SeveralRun {
 public:
  SeveralRun(const Options& options, std::vector<std::string> command, bool json)
      : options_(options), command_(std::move(command)), json_(json) {}

  int Go(std::vector<Part> parts);

 private:
  // Before any device is sent anything: the person's yes for the devices
  // found by discovery, the passwords, the firmware image.
  void Prepare();
  void ShareScans();
  void Work();
  void Finish(std::size_t index);
  void PrintReady();
  void PrintPart(const Part& p);
  int Summary() const;

  const Options& options_;
  std::vector<std::string> command_;
  bool json_;
  Shared shared_;
  std::optional<net::THttpDataStream> firmware_;
  std::vector<Part> parts_;
  std::size_t widths_[2] = {6, 4};
  std::mutex mutex_;
  std::size_t next_ = 0, printed_ = 0;
  std::atomic<bool> stopping_ = false;
  // The scans the waits share.
  std::mutex scan_mutex_;
  std::uint64_t scans_made_ = 0;
  std::deque<Shared::Scan> scans_;
};

void SeveralRun::Work() {
  for (;;) {
    std::size_t index;
    {
      const std::lock_guard lock(mutex_);
      if (next_ == parts_.size()) return;
      index = next_++;
      if (stopping_ || parts_[index].done) {
        Finish(index);
        continue;
      }
      parts_[index].started = true;
    }
    Part& p = parts_[index];
    Output out(json_);
    out.Capture();
    std::vector<std::string> words = {p.device->where.address()};
    words.insert(words.end(), command_.begin(), command_.end());
    try {
      p.status = Ctl(options_, words, out, &*p.device, &shared_).Run();
    } catch (const Failure& failure) {
      p.status = failure.status;
      p.refused = failure.refused;
      out.Failure(failure.status, failure.text, failure.sent);
    } catch (const std::exception& e) {
      p.status = kFailed;
      out.Failure(kFailed, e.what());
    }
    p.printed = out.Printed();
    p.said = out.Said();
    const std::lock_guard lock(mutex_);
    if (p.status != kDone && options_.stop_on_failure) stopping_ = true;
    Finish(index);
  }
}

// (With the lock held.)
void SeveralRun::Finish(std::size_t index) {
  parts_[index].done = true;
  PrintReady();
}

// Results go out in the order the devices were named, each as soon as
// those before it are out.
void SeveralRun::PrintReady() {
  while (printed_ < parts_.size() && parts_[printed_].done) PrintPart(parts_[printed_++]);
}

void SeveralRun::PrintPart(const Part& p) {
  if (json_) {
    if (p.started) return Write(stdout, p.printed);
    // Every device has its object, one not run too.
    Output out(true);
    out.Capture();
    out.SetSubject(p.label, CommandName(command_));
    out.NotRun("not run: an earlier device failed, and --stop-on-failure was given");
    return Write(stdout, out.Printed());
  }
  const std::string said = p.status == kDone ? p.printed : p.said + "\n";
  const std::string head = scan::Padded(Printable(p.label), widths_[0]) + "  " +
                           scan::Padded(Printable(p.named.name), widths_[1]) + "  " +
                           scan::Padded(Word(p), 9) + "  ";
  const std::string indent(scan::DisplayWidth(head), ' ');
  const auto lines = device::Lines(p.started ? said : "");
  std::string text = lines.empty() ? device::Trim(head) + "\n" : head + lines.front() + "\n";
  for (std::size_t i = 1; i < lines.size(); ++i) text += indent + lines[i] + "\n";
  Write(stdout, text);
}

int SeveralRun::Summary() const {
  int counts[4] = {}, not_run = 0, worst = kDone;
  for (const Part& p : parts_) {
    if (!p.started) {
      ++not_run;
      continue;
    }
    worst = std::max(worst, p.status);
    ++counts[p.status == kDone ? 0 : p.status == kNoAnswer ? 3 : p.refused ? 1 : 2];
  }
  if (json_) {
    JsonObject summary;
    summary.Number("devices", static_cast<std::int64_t>(parts_.size()))
        .Number("done", counts[0])
        .Number("refused", counts[1])
        .Number("failed", counts[2])
        .Number("no_answer", counts[3])
        .Number("not_run", not_run)
        .Number("status", worst);
    Write(stdout, "{\"summary\": " + summary.Json() + "}\n");
  } else {
    Write(stdout, std::to_string(parts_.size()) + " devices: " + std::to_string(counts[0]) +
                      " done, " + std::to_string(counts[1]) + " refused, " +
                      std::to_string(counts[2]) + " failed, " + std::to_string(counts[3]) +
                      " no answer" +
                      (not_run > 0 ? ", " + std::to_string(not_run) + " not run" : "") + "\n");
  }
  return worst;
}

void SeveralRun::Prepare() {
  // The one gate: the devices found by discovery get nothing without the
  // person's yes, asked once with each name and address.
  std::vector<device::Found> found;
  for (const Part& p : parts_)
    if (!p.done && p.named.found) found.push_back({p.named.address, p.named.name, p.named.group});
  const std::vector<device::Trusted> trusted = Trust(options_, found);
  std::size_t next = 0, count = 0;
  for (Part& p : parts_) {
    if (p.done) continue;
    ++count;
    p.device.emplace(
        Assigned{p.named.found ? trusted[next++] : device::Trusted::Chosen(p.named.address),
                 p.named.name, p.named.group});
  }
  if (options_.password_file)
    shared_.password = ReadSecretFile(*options_.password_file);
  else if (options_.password_fd)
    shared_.password = ReadSecretFd(*options_.password_fd);
  else if (count > 0)
    shared_.password = AskHidden("Password of " + options_.user + " on the " +
                                 std::to_string(count) + " devices: ");
  if (options_.new_password_file)
    shared_.new_password = ReadSecretFile(*options_.new_password_file);
  else if (options_.new_password_fd)
    shared_.new_password = ReadSecretFd(*options_.new_password_fd);
  // Every device gets the image as it was read now, from a private copy,
  // whatever becomes of the file meanwhile.
  if (command_.size() >= 2 && command_[0] == "upload") {
    firmware_.emplace(FirmwareImage(command_[1], true));
    shared_.firmware = &*firmware_;
  }
}

// The waits for the devices share the scans, one at a time: each wait looks
// at every scan it has not seen that began after it did, so none misses its
// device's silence while another's scan goes on, and none judges one scan
// twice.
void SeveralRun::ShareScans() {
  shared_.scan = [this](std::uint64_t after, std::chrono::steady_clock::time_point not_before) {
    const std::lock_guard lock(scan_mutex_);
    std::vector<Shared::Scan> fresh;
    for (const Shared::Scan& s : scans_)
      if (s.number > after && s.began >= not_before) fresh.push_back(s);
    if (fresh.empty()) {
      Shared::Scan made;
      made.number = ++scans_made_;
      made.began = std::chrono::steady_clock::now();
      Options two_seconds = options_;
      two_seconds.listen = std::chrono::seconds(2);
      made.list = Scanned(two_seconds);
      scans_.push_back(made);
      if (scans_.size() > 16) scans_.pop_front();
      fresh.push_back(std::move(made));
    }
    return fresh;
  };
}

int SeveralRun::Go(std::vector<Part> parts) {
  parts_ = std::move(parts);
  for (const Part& p : parts_) {
    widths_[0] = std::max(widths_[0], scan::DisplayWidth(Printable(p.label)));
    widths_[1] = std::max(widths_[1], scan::DisplayWidth(Printable(p.named.name)));
  }
  Prepare();
  ShareScans();
  if (!json_)
    Write(stdout, scan::Padded("DEVICE", widths_[0]) + "  " + scan::Padded("NAME", widths_[1]) +
                      "  RESULT\n");
  const std::size_t workers = std::min<std::size_t>(options_.parallel, parts_.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([this] { Work(); });
  for (auto& t : threads) t.join();
  return Summary();
}

// The devices a line or a file names, each an address or a name.
std::vector<Named> Wanted(const Options& options, std::vector<std::string>& words) {
  if (options.devices_file)
    return DevicesOfFile(ReadNamedFile(*options.devices_file, kMaxDevicesFile, "--devices"));
  std::vector<Named> wanted;
  if (options.all || options.group) return wanted;
  for (const std::string& word : Split(words.front(), ',')) {
    if (device::Trim(word).empty()) Usage("an empty device in the list " + words.front());
    wanted.push_back(NamedBy(device::Trim(word)));
  }
  words.erase(words.begin());
  return wanted;
}

// A device that cannot be run: its result of its own, and nothing sent.
Part Unrun(const Named& named, int status, const std::string& said, bool json,
           const std::vector<std::string>& command) {
  Part p;
  p.named = named;
  p.label = named.name + (named.group.empty() ? "" : "/" + named.group);
  p.started = p.done = true;
  p.status = status;
  p.said = said;
  Output out(json);
  out.Capture();
  out.SetSubject(p.label, CommandName(command));
  out.Failure(p.status, p.said);
  p.printed = out.Printed();
  return p;
}

std::vector<Part> Parts(const Options& options, const std::vector<Named>& wanted,
                        const std::vector<std::string>& command, bool json) {
  // Names are found by one scan, as are --all and --group.
  const bool scan_needed =
      options.all || options.group ||
      std::any_of(wanted.begin(), wanted.end(), [](const Named& n) { return n.address.empty(); });
  const net::DeviceList found = scan_needed ? Scanned(options) : net::DeviceList();
  std::vector<Part> parts;
  auto add = [&](Named named) {
    Part p;
    p.label = named.address;
    p.named = std::move(named);
    parts.push_back(std::move(p));
  };
  if (options.all || options.group) {
    for (const auto& d : found.Devices())
      if (!options.group || device::SameButCase(d.GroupName, *options.group))
        add({d.Ip, d.DeviceName, d.GroupName, true});
    if (parts.empty())
      Fail(kNoAnswer, options.group
                          ? "no device of group " + Printable(*options.group) + " answered"
                          : "no device answered");
  }
  for (const Named& n : wanted) {
    if (!n.address.empty()) {
      add(n);
      continue;
    }
    const auto matches = ctl::Matching(
        found, n.name, n.group.empty() ? std::nullopt : std::optional<std::string>(n.group));
    if (matches.size() == 1) {
      add({matches.front().Ip, matches.front().DeviceName, matches.front().GroupName, true});
    } else {
      const std::string label = n.name + (n.group.empty() ? "" : "/" + n.group);
      parts.push_back(Unrun(n, matches.empty() ? kNoAnswer : kUsage,
                            matches.empty() ? "no device is named " + Printable(label)
                                            : "several devices are named " + Printable(label) +
                                                  "; give an address or NAME/GROUP",
                            json, command));
    }
  }
  return parts;
}

}  // namespace

bool NamesSeveral(const Options& options, const std::vector<std::string>& words) {
  return options.all || options.group || options.devices_file ||
         (!words.empty() && words.front().find(',') != std::string::npos);
}

bool MakesOneOfMany(const std::vector<std::string>& command) {
  if (command.empty()) return false;
  const std::string& word = command.front();
  return word == "name" || (word == "address" && command.size() > 1 && command[1] == "static") ||
         (word == "apply" &&
          std::find(command.begin(), command.end(), "--identity") != command.end());
}

std::vector<Named> DevicesOfFile(const std::string& text) {
  std::vector<Named> devices;
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && text[first] == '[') {
    JsonValue list;
    try {
      list = JsonValue::Parse(text);
    } catch (const std::exception& e) {
      Usage(std::string("--devices: ") + e.what());
    }
    for (const JsonValue& item : list.Items()) {
      const JsonValue* address = item.Find("address");
      const auto ip = address != nullptr ? address->Text() : std::nullopt;
      if (!ip || !IsAddress(*ip))
        Usage(
            "--devices: every device of a JSON list needs an \"address\" that is an IPv4 address");
      auto text_of = [&](const char* key) {
        const JsonValue* v = item.Find(key);
        return v != nullptr ? v->Text().value_or("") : "";
      };
      // What a scan found: its addresses are what discovery replies said.
      devices.push_back({*ip, text_of("name"), text_of("group"), true});
    }
    return devices;
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = device::Trim(line);
    if (line.empty() || line[0] == '#') continue;
    devices.push_back(NamedBy(line));
  }
  return devices;
}

int RunSeveral(const Options& options, std::vector<std::string> words, bool json) {
  const int ways = (options.all ? 1 : 0) + (options.group ? 1 : 0) +
                   (options.devices_file ? 1 : 0) +
                   (!words.empty() && words.front().find(',') != std::string::npos ? 1 : 0);
  if (ways > 1) Usage("name the devices one way: a comma list, --all, --group or --devices");
  std::vector<Named> wanted = Wanted(options, words);
  if (words.empty()) Usage("missing COMMAND");
  if (MakesOneOfMany(words))
    Usage(Printable(CommandName(words)) +
          " gives a device its own name or address: it runs on one device at a time, so that "
          "no two get the same");
  // Asked once for all, not once a device: a new password comes from a
  // file or a descriptor.
  const bool new_password =
      words.front() == "password" ||
      (words.size() > 1 && words.front() == "folder" && words[1] == "password") ||
      (words.size() > 2 && words.front() == "ftp" && words[2] == "password");
  if (new_password && !options.new_password_file && !options.new_password_fd)
    Usage("a new password for several devices comes from --new-password-file or --new-password-fd");
  std::vector<Part> parts = Parts(options, wanted, words, json);
  // A device named twice gets the command once.
  std::vector<Part> unique;
  for (Part& p : parts)
    if (p.named.address.empty() || std::none_of(unique.begin(), unique.end(), [&](const Part& u) {
          return u.named.address == p.named.address;
        }))
      unique.push_back(std::move(p));
  if (unique.empty()) Usage("--devices: the file names no device");
  return SeveralRun(options, words, json).Go(std::move(unique));
}

}  // namespace ctl
