#include "ctl/many.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include "ctl/ctl.h"
#include "ctl/json_value.h"
#include "ctl/output.h"
#include "ctl/secrets.h"
#include "device/text.h"
#include "net/http_data_stream.h"
#include "net/socket_error.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {

using scan::Printable;

namespace {

constexpr std::size_t kMaxDevicesFile = 16 << 20;

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
Target Named(const std::string& word) {
  if (IsAddress(word)) return {word, "", ""};
  const auto slash = word.find('/');
  return {"", word.substr(0, slash), slash == std::string::npos ? "" : word.substr(slash + 1)};
}

// One device's part of the run.
struct Part {
  Target target;
  std::string label;     // as the results name it
  bool by_name = false;  // found by a scan: by what a reply claims
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
  void Work();
  void Finish(std::size_t index);
  void PrintReady();
  void PrintPart(const Part& p);
  int Summary() const;

  const Options& options_;
  std::vector<std::string> command_;
  bool json_;
  Shared shared_;
  std::vector<Part> parts_;
  std::size_t widths_[2] = {6, 4};
  std::mutex mutex_;
  std::size_t next_ = 0, printed_ = 0;
  std::atomic<bool> stopping_ = false;
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
    std::vector<std::string> words = {p.target.address};
    words.insert(words.end(), command_.begin(), command_.end());
    try {
      p.status = Ctl(options_, words, out, &p.target, &shared_).Run();
    } catch (const Failure& failure) {
      p.status = failure.status;
      p.refused = failure.refused;
      out.Failure(failure.status, failure.text);
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
  std::string text;
  if (json_) {
    text = p.printed;
  } else {
    const std::string said = p.status == kDone ? p.printed : p.said + "\n";
    const std::string head = scan::Padded(Printable(p.label), widths_[0]) + "  " +
                             scan::Padded(Printable(p.target.name), widths_[1]) + "  " +
                             scan::Padded(Word(p), 9) + "  ";
    const std::string indent(scan::DisplayWidth(head), ' ');
    const auto lines = device::Lines(p.started ? said : "");
    text = lines.empty() ? device::Trim(head) + "\n" : head + lines.front() + "\n";
    for (std::size_t i = 1; i < lines.size(); ++i) text += indent + lines[i] + "\n";
  }
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
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
    std::printf("{\"summary\": %s}\n", summary.Json().c_str());
  } else {
    std::printf("%zu devices: %d done, %d refused, %d failed, %d no answer", parts_.size(),
                counts[0], counts[1], counts[2], counts[3]);
    if (not_run > 0) std::printf(", %d not run", not_run);
    std::printf("\n");
  }
  return worst;
}

int SeveralRun::Go(std::vector<Part> parts) {
  parts_ = std::move(parts);
  for (const Part& p : parts_) {
    widths_[0] = std::max(widths_[0], scan::DisplayWidth(Printable(p.label)));
    widths_[1] = std::max(widths_[1], scan::DisplayWidth(Printable(p.target.name)));
  }

  // Asked and read once, before any device is: the passwords, the person's
  // yes to send one to devices found by their names, the firmware image.
  std::vector<std::string> by_name;
  for (const Part& p : parts_)
    if (!p.done && p.by_name) by_name.push_back(p.label);
  const std::size_t count =
      std::count_if(parts_.begin(), parts_.end(), [](const Part& p) { return !p.done; });

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
  // A password, typed once for all or from a file, goes to a device found
  // by a scan only with the person's yes: the prompt named no address.
  if (!by_name.empty() && shared_.password && !shared_.password->empty() && !options_.yes) {
    std::string question = std::to_string(by_name.size()) +
                           " devices were found by their names (any host can answer with a "
                           "name). Send the password of " +
                           options_.user + " to them?";
    if (!CanAsk())
      Fail(kUsage, question +
                       "\nDevices found by their names get no password without --yes: give "
                       "their addresses, or --yes.");
    if (!AskYes(question)) Fail(kFailed, "Not done: no password was sent.");
  }
  // Every device gets the image as it was read now, from a private copy,
  // whatever becomes of the file meanwhile.
  std::optional<net::THttpDataStream> firmware;
  if (command_.size() >= 2 && command_[0] == "upload") {
    firmware.emplace(FirmwareImage(command_[1], true));
    shared_.firmware = &*firmware;
  }
  // The waits for the devices share the scans, one at a time: each wait
  // looks at every scan it has not seen that began after it did, so none
  // misses its device's silence while another's scan goes on, and none
  // judges one scan twice.
  std::mutex scan_mutex;
  std::uint64_t scans_made = 0;
  std::deque<Shared::Scan> scans;
  shared_.scan = [&](std::uint64_t after, std::chrono::steady_clock::time_point not_before) {
    const std::lock_guard lock(scan_mutex);
    std::vector<Shared::Scan> fresh;
    for (const Shared::Scan& s : scans)
      if (s.number > after && s.began >= not_before) fresh.push_back(s);
    if (fresh.empty()) {
      Shared::Scan made;
      made.number = ++scans_made;
      made.began = std::chrono::steady_clock::now();
      made.list = scan::Discover(2, options_.where);
      scans.push_back(made);
      if (scans.size() > 16) scans.pop_front();
      fresh.push_back(std::move(made));
    }
    return fresh;
  };
  if (!json_) {
    const std::string head =
        scan::Padded("DEVICE", widths_[0]) + "  " + scan::Padded("NAME", widths_[1]) + "  RESULT";
    std::printf("%s\n", head.c_str());
  }
  const std::size_t workers = std::min<std::size_t>(options_.parallel, parts_.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([this] { Work(); });
  for (auto& t : threads) t.join();
  return Summary();
}

}  // namespace

bool NamesSeveral(const Options& options, const std::vector<std::string>& words) {
  return options.all || options.group || options.devices_file ||
         (!words.empty() && words.front().find(',') != std::string::npos);
}

std::vector<Target> DevicesOfFile(const std::string& text) {
  std::vector<Target> devices;
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
      devices.push_back({*ip, text_of("name"), text_of("group")});
    }
    return devices;
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = device::Trim(line);
    if (line.empty() || line[0] == '#') continue;
    devices.push_back(Named(line));
  }
  return devices;
}

int RunSeveral(const Options& options, std::vector<std::string> words, bool json) {
  const int ways = (options.all ? 1 : 0) + (options.group ? 1 : 0) +
                   (options.devices_file ? 1 : 0) +
                   (!words.empty() && words.front().find(',') != std::string::npos ? 1 : 0);
  if (ways > 1) Usage("name the devices one way: a comma list, --all, --group or --devices");
  std::vector<Target> wanted;
  if (options.devices_file) {
    std::ifstream file(*options.devices_file, std::ios::binary);
    std::string text;
    if (file) {
      text.resize(kMaxDevicesFile + 1);
      file.read(text.data(), static_cast<std::streamsize>(text.size()));
      text.resize(static_cast<std::size_t>(file.gcount()));
    }
    if (!file && !file.eof()) Usage("--devices: cannot read " + *options.devices_file);
    if (text.size() > kMaxDevicesFile) Usage("--devices: the file is larger than 16 MiB");
    wanted = DevicesOfFile(text);
  } else if (!options.all && !options.group) {
    for (const std::string& word : Split(words.front(), ',')) {
      if (device::Trim(word).empty()) Usage("an empty device in the list " + words.front());
      wanted.push_back(Named(device::Trim(word)));
    }
    words.erase(words.begin());
  }
  if (words.empty()) Usage("missing COMMAND");

  // Names are found by one scan, as are --all and --group.
  const bool scan_needed =
      options.all || options.group ||
      std::any_of(wanted.begin(), wanted.end(), [](const Target& t) { return t.address.empty(); });
  net::DeviceList found;
  if (scan_needed) {
    try {
      found = scan::Discover(options.seconds, options.where);
    } catch (const net::SocketError& e) {
      Fail(kUsage, "cannot scan for devices: " + net::WsaErrorDescription(e.number()));
    }
  }
  std::vector<Part> parts;
  auto add = [&](const net::DeviceRecord& d) {
    Part p;
    p.target = {d.Ip, d.DeviceName, d.GroupName};
    p.label = d.Ip;
    p.by_name = true;
    parts.push_back(p);
  };
  if (options.all || options.group) {
    for (const auto& d : found.Devices())
      if (!options.group || device::SameButCase(d.GroupName, *options.group)) add(d);
    if (parts.empty())
      Fail(kNoAnswer, options.group
                          ? "no device of group " + Printable(*options.group) + " answered"
                          : "no device answered");
  }
  for (const Target& t : wanted) {
    if (!t.address.empty()) {
      Part p;
      p.target = t;
      p.label = t.address;
      parts.push_back(p);
      continue;
    }
    const auto matches = ctl::Named(
        found, t.name, t.group.empty() ? std::nullopt : std::optional<std::string>(t.group));
    if (matches.size() == 1) {
      add(matches.front());
      continue;
    }
    // Not found, or not only one: a result of its own, and nothing sent.
    Part p;
    p.label = t.name + (t.group.empty() ? "" : "/" + t.group);
    p.started = p.done = true;
    p.status = matches.empty() ? kNoAnswer : kUsage;
    p.said = matches.empty() ? "no device is named " + Printable(p.label)
                             : "several devices are named " + Printable(p.label) +
                                   "; give an address or NAME/GROUP";
    Output out(json);
    out.Capture();
    out.SetSubject(p.label, words.front());
    out.Failure(p.status, p.said);
    p.printed = out.Printed();
    parts.push_back(p);
  }
  // A device named twice gets the command once.
  std::vector<Part> unique;
  for (Part& p : parts)
    if (p.target.address.empty() || std::none_of(unique.begin(), unique.end(), [&](const Part& u) {
          return u.target.address == p.target.address;
        }))
      unique.push_back(std::move(p));
  if (unique.empty()) Usage("--devices: the file names no device");
  return SeveralRun(options, words, json).Go(std::move(unique));
}

}  // namespace ctl
