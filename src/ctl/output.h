#pragma once

// What brevane-ctl prints. On a terminal: plain lines, every text a device
// sent made printable. With --json: one JSON object per device and
// command, the same shape for every command:
//
//   {"device": "10.77.0.11", "command": "show status", "ok": true,
//    "status": 0, "result": {...}}
//   {"device": "10.77.0.11", "command": "reboot", "ok": false,
//    "status": 3, "error": {"message": "..."}}
//
// A command that follows the device (disk scan --follow) first prints one
// object a line for each event, {"device", "command", "event": {...}}.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// The one way brevane-ctl writes to standard output or standard error:
// whatever words of a device, a file or a person a text carries, it goes
// out through scan::TerminalText, so none reaches a terminal as a control
// character (scripts/check-headers keeps every other write out of src/ctl).
void Write(std::FILE* to, std::string_view text);
// A progress line, rewritten in place: `text` and a percentage; a line
// end once `percent` is below 0.
void WriteProgress(std::string_view text, int percent);

// A JSON object built member by member.
class JsonObject {
 public:
  JsonObject& Text(const std::string& key, const std::string& value);
  JsonObject& Number(const std::string& key, std::int64_t value);
  JsonObject& Bool(const std::string& key, bool value);
  JsonObject& Null(const std::string& key);
  // A number when `text` is a whole decimal number, else the text itself
  // (what a device sends need not be a number).
  JsonObject& NumberOrText(const std::string& key, const std::string& text);
  JsonObject& Texts(const std::string& key, const std::vector<std::string>& values);
  JsonObject& Raw(const std::string& key, const std::string& json);
  std::string Json() const { return "{" + members_ + "}"; }

 private:
  JsonObject& Member(const std::string& key, const std::string& json);
  std::string members_;
};

// The results of one run.
class Output {
 public:
  explicit Output(bool json) : json_(json) {}
  bool json() const { return json_; }
  // Keeps what would be printed rather than printing it: one device's part
  // of a run on several, printed when that device is done.
  void Capture() { capture_ = true; }
  const std::string& Printed() const { return printed_; }
  const std::string& Said() const { return said_; }
  void SetSubject(const std::string& device, const std::string& command) {
    device_ = device;
    command_ = command;
  }
  // The device as found (its address for a name), the command kept.
  void SetDevice(const std::string& device) { device_ = device; }

  // The command's result: `human` on a terminal (already printable), or
  // `result` in the JSON object.
  void Result(const std::string& human, const JsonObject& result);
  // An event of a followed command, as it comes.
  void Event(const std::string& human, const JsonObject& event);
  // The failure that ends the run, on standard error (and as the JSON
  // object on standard output).
  void Failure(int status, const std::string& text, std::optional<int> sent = std::nullopt);
  // A device of several that was not run: as JSON, its object says so.
  void NotRun(const std::string& text);

 private:
  std::string Head(bool ok, int status) const;
  void Print(const std::string& text);
  bool json_;
  bool capture_ = false;
  std::string printed_, said_;
  std::string device_, command_;
};

}  // namespace ctl
