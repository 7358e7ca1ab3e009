#include "ctl/output.h"

#include <cstdio>

#include "scan/scan_output.h"

namespace ctl {

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
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

void Output::Result(const std::string& human, const JsonObject& result) {
  Print(json_ ? Head(true, 0) + ", \"result\": " + result.Json() + "}\n" : human);
}

void Output::Event(const std::string& human, const JsonObject& event) {
  Print(json_ ? "{\"device\": " + scan::JsonString(device_) + ", \"command\": " +
                    scan::JsonString(command_) + ", \"event\": " + event.Json() + "}\n"
              : human);
}

void Output::Failure(int status, const std::string& text) {
  if (capture_)
    said_ = text;
  else
    std::fprintf(stderr, "brevane-ctl: %s\n", text.c_str());
  if (json_)
    Print(Head(false, status) + ", \"error\": {\"message\": " + scan::JsonString(text) + "}}\n");
}

}  // namespace ctl
