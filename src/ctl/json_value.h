#pragma once

// JSON as brevane-ctl reads it: a device list from brevane-scan --json and
// a device's setup from a backup. What is read comes from a file the
// person names, which anything may have written: the reader takes strict
// JSON (RFC 8259) only, within bounds, and says where it stopped.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ctl {

class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, Text, Array, Object };

  Kind kind() const { return kind_; }
  bool IsObject() const { return kind_ == Kind::Object; }
  bool IsArray() const { return kind_ == Kind::Array; }

  // The value as the kind asked for; nothing when it is another kind (or a
  // number that is not a whole one within the range of int64).
  std::optional<bool> Bool() const;
  std::optional<std::int64_t> Integer() const;
  std::optional<std::string> Text() const;
  const std::vector<JsonValue>& Items() const { return items_; }
  const std::vector<std::pair<std::string, JsonValue>>& Members() const { return members_; }
  // An object's member; null when there is none (or this is no object).
  const JsonValue* Find(const std::string& key) const;

  // Reads one JSON text; throws std::runtime_error saying what is wrong and
  // at which line and column. Nesting deeper than 32 levels, a text longer
  // than 64 KiB, more than 131,072 values, a whole text longer than
  // 16 MiB, a member's name twice in one object and bytes that are not
  // UTF-8 are refused.
  static JsonValue Parse(const std::string& text);

 private:
  friend class JsonParser;
  Kind kind_ = Kind::Null;
  bool flag_ = false;
  std::string text_;  // a string's value, or a number as written
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

}  // namespace ctl
