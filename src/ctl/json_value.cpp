#include "ctl/json_value.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <unordered_set>

#include "scan/scan_output.h"

namespace ctl {

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxText = 64 * 1024;
constexpr std::size_t kMaxWhole = 16 * 1024 * 1024;
// Values, whatever their size: each takes memory of its own, so a file of
// small ones ("[0,0,0,...]") is bounded too.
constexpr std::size_t kMaxValues = 1 << 17;

// The length of the UTF-8 sequence at `at` in `s`, or 0 when it is not one
// (cut short, overlong, a surrogate, beyond U+10FFFF).
std::size_t Utf8Length(const std::string& s, std::size_t at) {
  const auto b = static_cast<unsigned char>(s[at]);
  std::size_t length = 0;
  char32_t c = 0, min = 0;
  if ((b & 0xE0) == 0xC0) {
    length = 2, c = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, c = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}

  JsonValue Whole() {
    if (s_.size() > kMaxWhole) throw std::runtime_error("the file is larger than 16 MiB");
    JsonValue value = Value(0);
    Space();
    if (at_ != s_.size()) Wrong("more after the end of the JSON text");
    return value;
  }

 private:
  [[noreturn]] void Wrong(const std::string& what) const {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at_ && i < s_.size(); ++i) {
      column = s_[i] == '\n' ? 1 : column + 1;
      line += s_[i] == '\n';
    }
    throw std::runtime_error("not JSON at line " + std::to_string(line) + ", column " +
                             std::to_string(column) + ": " + what);
  }
  void Space() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
      ++at_;
  }
  bool Take(char c) {
    Space();
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Take(c)) Wrong(std::string("expected ") + c);
  }
  bool Word(const char* word) {
    const std::string w = word;
    if (s_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  JsonValue Value(int depth) {
    if (depth > kMaxDepth) Wrong("nested too deeply");
    if (++values_ > kMaxValues) Wrong("more than " + std::to_string(kMaxValues) + " values");
    Space();
    if (at_ >= s_.size()) Wrong("the text ends early");
    JsonValue v;
    const char c = s_[at_];
    if (c == '{') {
      ++at_;
      v.kind_ = JsonValue::Kind::Object;
      if (Take('}')) return v;
      // A name twice is refused: readers differ on which one counts.
      std::unordered_set<std::string> names;
      do {
        Space();
        if (at_ >= s_.size() || s_[at_] != '"') Wrong("expected a member's name");
        const std::size_t name_at = at_;
        std::string key = String();
        if (!names.insert(key).second) {
          at_ = name_at;
          Wrong("the member \"" + scan::Printable(key) + "\" comes twice");
        }
        Expect(':');
        v.members_.emplace_back(std::move(key), Value(depth + 1));
      } while (Take(','));
      Expect('}');
    } else if (c == '[') {
      ++at_;
      v.kind_ = JsonValue::Kind::Array;
      if (Take(']')) return v;
      do v.items_.push_back(Value(depth + 1));
      while (Take(','));
      Expect(']');
    } else if (c == '"') {
      v.kind_ = JsonValue::Kind::Text;
      v.text_ = String();
    } else if (Word("true")) {
      v.kind_ = JsonValue::Kind::Bool;
      v.flag_ = true;
    } else if (Word("false")) {
      v.kind_ = JsonValue::Kind::Bool;
    } else if (Word("null")) {
    } else {
      v.kind_ = JsonValue::Kind::Number;
      v.text_ = Number();
    }
    return v;
  }

  std::string Number() {
    const std::size_t begin = at_;
    auto digits = [&] {
      const std::size_t from = at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      return at_ - from;
    };
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    const std::size_t first = at_;
    const std::size_t whole = digits();
    if (whole == 0 || (whole > 1 && s_[first] == '0')) Wrong("not a value");
    if (at_ < s_.size() && s_[at_] == '.') {
      ++at_;
      if (digits() == 0) Wrong("a number without digits after its point");
    }
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      ++at_;
      if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
      if (digits() == 0) Wrong("a number without digits in its exponent");
    }
    return s_.substr(begin, at_ - begin);
  }

  unsigned Hex4() {
    if (at_ + 4 > s_.size()) Wrong("a \\u escape ends early");
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[at_++];
      value <<= 4;
      if (h >= '0' && h <= '9')
        value |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f')
        value |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        value |= static_cast<unsigned>(h - 'A' + 10);
      else
        Wrong("a \\u escape that is not hexadecimal");
    }
    return value;
  }

  std::string String() {
    ++at_;  // the opening quote
    std::string out;
    for (;;) {
      if (at_ >= s_.size()) Wrong("a string without its closing quote");
      if (out.size() > kMaxText) Wrong("a string longer than 64 KiB");
      const auto c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return out;
      if (c < 0x20) Wrong("a control character inside a string");
      if (c >= 0x80) {
        const std::size_t length = Utf8Length(s_, --at_);
        if (length == 0) Wrong("a byte that is not UTF-8");
        out.append(s_, at_, length);
        at_ += length;
        continue;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ >= s_.size()) Wrong("a string without its closing quote");
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t code = Hex4();
          if (code >= 0xD800 && code <= 0xDBFF) {
            if (!Word("\\u")) Wrong("half of a surrogate pair");
            const unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Wrong("half of a surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            Wrong("half of a surrogate pair");
          }
          scan::AppendUtf8(out, code);
          break;
        }
        default:
          Wrong(std::string("an unknown escape \\") + e);
      }
    }
  }

  const std::string& s_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
};

JsonValue JsonValue::Parse(const std::string& text) {
  return JsonParser(text).Whole();
}

std::optional<bool> JsonValue::Bool() const {
  return kind_ == Kind::Bool ? std::optional(flag_) : std::nullopt;
}

std::optional<std::int64_t> JsonValue::Integer() const {
  if (kind_ != Kind::Number || text_.find_first_of(".eE") != std::string::npos) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(text_.c_str(), &end, 10);
  if (errno == ERANGE || *end != '\0') return std::nullopt;
  return n;
}

std::optional<std::string> JsonValue::Text() const {
  return kind_ == Kind::Text ? std::optional(text_) : std::nullopt;
}

const JsonValue* JsonValue::Find(const std::string& key) const {
  for (const auto& [name, value] : members_)
    if (name == key) return &value;
  return nullptr;
}

}  // namespace ctl
