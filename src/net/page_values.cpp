#include "net/page_values.h"

#include <algorithm>
#include <cctype>

namespace net {
namespace {

constexpr std::string_view kTerminator = "\";\r\n";
constexpr std::string_view kValueAttribute = "value=\"";
constexpr std::string_view kAttributeClose = "\">";
constexpr std::string_view kOptionEnd = "</option>";
constexpr std::string_view kNbsp = "&nbsp;";

// Finds `needle` in `text` from places that only move forward. The text is
// searched again only past the last place found, so a rule that asks at
// every step still reads the text once per needle: no page makes a rule
// take more than linear time.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}
  std::size_t From(std::size_t from) {
    if (searched_ && from >= searched_from_ && (found_ == std::string_view::npos || from <= found_))
      return found_;
    searched_ = true;
    searched_from_ = from;
    found_ = text_.find(needle_, from);
    return found_;
  }

 private:
  std::string_view text_, needle_;
  bool searched_ = false;
  std::size_t searched_from_ = 0;
  std::size_t found_ = std::string_view::npos;
};

}  // namespace

std::string PageValue(std::string_view page, std::string_view key) {
  const auto at = page.find(key);
  if (at == std::string_view::npos) return {};
  const auto start = at + key.size();
  const auto end = page.find(kTerminator, at);
  if (end == std::string_view::npos || end < start) return {};
  return std::string(page.substr(start, end - start));
}

bool HasPageValue(std::string_view page, std::string_view key) {
  const auto at = page.find(key);
  return at != std::string_view::npos && page.find(kTerminator, at + key.size()) != page.npos;
}

std::vector<std::string> OptionValues(std::string_view text) {
  std::vector<std::string> items;
  ForwardFinder attributes(text, kValueAttribute), closes(text, kAttributeClose);
  for (std::size_t at = 0; items.size() < kMaxListEntries;) {
    const auto attribute = attributes.From(at);
    if (attribute == std::string_view::npos) break;
    // The closing is searched from where the list stands, so a select
    // element's own closing before the first option gives an empty item.
    const auto close = closes.From(at);
    if (close == std::string_view::npos) break;
    const auto start = attribute + kValueAttribute.size();
    items.emplace_back(close > start ? text.substr(start, close - start) : std::string_view());
    at = close + kAttributeClose.size();
  }
  return items;
}

std::string OptionText(std::string_view text) {
  const auto close = text.find(kAttributeClose);
  const auto end = text.find(kOptionEnd);
  if (close == std::string_view::npos || end == std::string_view::npos) return {};
  const auto start = close + kAttributeClose.size();
  return end > start ? std::string(text.substr(start, end - start)) : std::string();
}

std::string TextBeforeNbsp(std::string_view text) {
  const auto at = text.find(kNbsp);
  return at == std::string_view::npos ? std::string() : std::string(text.substr(0, at));
}

namespace {

// Drops the first `count` bytes of `text`, or all of it when it is shorter.
void DropFront(std::string_view& text, std::size_t count) {
  text.remove_prefix(std::min(count, text.size()));
}

// Takes the field before the first entity; drops it and `entities` entities.
std::string TakeField(std::string_view& text, std::size_t entities) {
  const auto at = text.find(kNbsp);
  std::string field(text.substr(0, at));
  DropFront(text, at + entities * kNbsp.size());
  return field;
}

}  // namespace

std::vector<AccountRow> AccountRows(std::string_view value) {
  constexpr std::size_t kNamePlaces = 21;
  constexpr std::size_t kFieldGap = 11;
  std::vector<AccountRow> rows;
  ForwardFinder attributes(value, kValueAttribute), closes(value, kAttributeClose),
      ends(value, kOptionEnd);
  std::size_t at = 0;
  for (std::size_t option = 0; rows.size() < kMaxListEntries; ++option) {
    const auto attribute = attributes.From(at);
    if (attribute == std::string_view::npos) break;
    const auto close = closes.From(at);
    const auto end = ends.From(at);
    if (close == std::string_view::npos || end == std::string_view::npos) break;
    const auto start = attribute + kValueAttribute.size();
    const auto text_start = close + kAttributeClose.size();
    std::string_view text = end > text_start ? value.substr(text_start, end - text_start) : "";
    if (text.find(kNbsp) != std::string_view::npos) {
      AccountRow row;
      row.id = close > start ? std::string(value.substr(start, close - start)) : std::string();
      row.option = option;
      const std::size_t n = text.find(kNbsp);
      row.name = std::string(text.substr(0, n));
      if (n <= kNamePlaces) {
        DropFront(text, n + kNbsp.size() * (kNamePlaces - n));
      } else {
        DropFront(text, n);
        while (text.substr(0, kNbsp.size()) == kNbsp) DropFront(text, kNbsp.size());
      }
      if (text.find(kNbsp) != std::string_view::npos) row.password = TakeField(text, kFieldGap);
      if (text.find(kNbsp) != std::string_view::npos) row.access = TakeField(text, kFieldGap);
      if (text.find(kNbsp) != std::string_view::npos) row.state = TextBeforeNbsp(text);
      rows.push_back(std::move(row));
    }
    at = std::min(end + kOptionEnd.size(), value.size());
  }
  return rows;
}

std::vector<std::string> ShareListTexts(std::string_view value) {
  constexpr std::string_view kBlankEnd = " </option>";
  std::vector<std::string> texts;
  ForwardFinder attributes(value, kValueAttribute), closes(value, ">"),
      blank_ends(value, kBlankEnd), ends(value, kOptionEnd);
  // The list starts at its first option; without one it is empty.
  std::size_t at = attributes.From(0);
  while (at != std::string_view::npos && closes.From(at) != std::string_view::npos &&
         texts.size() < kMaxListEntries) {
    const auto start = closes.From(at) + 1;
    auto end = blank_ends.From(start);
    std::size_t after = end == std::string_view::npos ? end : end + kBlankEnd.size();
    if (end == std::string_view::npos) {
      end = ends.From(start);
      after = end == std::string_view::npos ? value.size() : end + kOptionEnd.size();
      if (end == std::string_view::npos) end = value.size();
    }
    texts.emplace_back(value.substr(start, end - start));
    at = attributes.From(after);
  }
  return texts;
}

std::vector<std::string> HashListEntries(std::string_view value) {
  std::vector<std::string> entries;
  for (std::size_t at = 0; entries.size() < kMaxListEntries;) {
    const auto hash = value.find('#', at);
    entries.emplace_back(value.substr(at, hash == std::string_view::npos ? hash : hash - at));
    if (hash == std::string_view::npos) break;
    at = hash + 1;
  }
  return entries;
}

std::string ScanMessages(std::string_view value) {
  // One line a message; a last line feed ends the last message.
  if (!value.empty() && value.back() == '\n') value.remove_suffix(1);
  std::size_t at = 0;
  for (std::size_t lines = 1; lines < kMaxListEntries; ++lines) {
    at = value.find('\n', at);
    if (at == std::string_view::npos) return std::string(value);
    ++at;
  }
  const auto cut = value.find('\n', at);
  return std::string(value.substr(0, cut == std::string_view::npos ? value.size() : cut));
}

std::string RemoveLineBreakTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (i + 4 <= text.size() && text[i] == '<' && (text[i + 1] | 0x20) == 'b' &&
        (text[i + 2] | 0x20) == 'r' && text[i + 3] == '>') {
      i += 4;
      continue;
    }
    out += text[i++];
  }
  return out;
}

}  // namespace net
