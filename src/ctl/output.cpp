#include "ctl/output.h"

#include <cstdio>

#include "scan/scan_output.h"

namespace ctl {

void Write(std::FILE* to, std::string_view text) {
  const std::string shown = scan::TerminalText(text);
  std::fwrite(shown.data(), 1, shown.size(), to);
  std::fflush(to);
}

void WriteProgress(std::string_view text, int percent) {
  if (percent < 0) return Write(stderr, "\n");
  // The carriage return is the program's own, never a device's.
  std::fputc('\r', stderr);
  const std::string number = std::to_string(percent);
  Write(stderr, std::string(text) + std::string(number.size() < 4 ? 4 - number.size() : 1, ' ') +
                    number + "%");
}

JsonObject& JsonObject::Member(const std::string& key, const std::string& json) {
  members_ += (members_.empty() ? "" : ", ") + scan::JsonString(key) + ": " + json;
  return *this;
}

JsonObject& JsonObject::Text(const std::string& key, const std::string& value) {
  return Member(key, scan::JsonString(value));
}

JsonObject& JsonObject::Number(const std::string& key, std::int64_t value) {
  return Member(key, std::to_string(value));
}

JsonObject& JsonObject::Bool(const std::string& key, bool value) {
  return Member(key, value ? "true" : "false");
}

JsonObject& JsonObject::Null(const std::string& key) {
  return Member(key, "null");
}

JsonObject& JsonObject::NumberOrText(const std::string& key, const std::string& text) {
  const bool number = !text.empty() && text.size() <= 9 &&
                      text.find_first_not_of("0123456789") == std::string::npos &&
                      (text == "0" || text[0] != '0');
  return number ? Number(key, std::stoll(text)) : Text(key, text);
}

JsonObject& JsonObject::Texts(const std::string& key, const std::vector<std::string>& values) {
  std::string list = "[";
  for (std::size_t i = 0; i < values.size(); ++i)
    list += (i ? ", " : "") + scan::JsonString(values[i]);
  return Member(key, list + "]");
}

JsonObject& JsonObject::Raw(const std::string& key, const std::string& json) {
  return Member(key, json);
}

std::string Output::Head(bool ok, int status) const {
  return "{\"device\": " + scan::JsonString(device_) +
         ", \"command\": " + scan::JsonString(command_) + ", \"ok\": " + (ok ? "true" : "false") +
         ", \"status\": " + std::to_string(status);
}

void Output::Print(const std::string& text) {
  if (capture_) {
    printed_ += text;
    return;
  }
  Write(stdout, text);
}

void Output::Result(const std::string& human, const JsonObject& result) {
  Print(json_ ? Head(true, 0) + ", \"result\": " + result.Json() + "}\n" : human);
}

void Output::Event(const std::string& human, const JsonObject& event) {
  Print(json_ ? "{\"device\": " + scan::JsonString(device_) + ", \"command\": " +
                    scan::JsonString(command_) + ", \"event\": " + event.Json() + "}\n"
              : human);
}

void Output::Failure(int status, const std::string& text, std::optional<int> sent) {
  if (capture_)
    said_ = text;
  else
    Write(stderr, "brevane-ctl: " + text + "\n");
  if (json_)
    Print(Head(false, status) + ", \"error\": {\"message\": " + scan::JsonString(text) +
          (sent ? ", \"sent\": " + std::to_string(*sent) : std::string()) + "}}\n");
}

}  // namespace ctl

namespace ctl {

void Output::NotRun(const std::string& text) {
  if (json_)
    Print("{\"device\": " + scan::JsonString(device_) + ", \"command\": " +
          scan::JsonString(command_) + ", \"ok\": false, \"status\": null, \"not_run\": true" +
          ", \"error\": {\"message\": " + scan::JsonString(text) + "}}\n");
}

}  // namespace ctl
