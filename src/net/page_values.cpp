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

}  // namespace

std::string PageValue(std::string_view page, std::string_view key) {
  const auto at = page.find(key);
  if (at == std::string_view::npos) return {};
  const auto start = at + key.size();
  const auto end = page.find(kTerminator, at);
  if (end == std::string_view::npos || end < start) return {};
  return std::string(page.substr(start, end - start));
}

std::vector<std::string> OptionValues(std::string_view text) {
  std::vector<std::string> items;
  std::string_view rest = text;
  for (;;) {
    const auto attribute = rest.find(kValueAttribute);
    if (attribute == std::string_view::npos) break;
    // The closing is searched from the start of the rest, so a select
    // element's own closing before the first option gives an empty item.
    const auto close = rest.find(kAttributeClose);
    if (close == std::string_view::npos) break;
    const auto start = attribute + kValueAttribute.size();
    items.emplace_back(close > start ? rest.substr(start, close - start) : std::string_view());
    rest.remove_prefix(close + kAttributeClose.size());
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
  std::string_view rest = value;
  for (std::size_t option = 0;; ++option) {
    const auto attribute = rest.find(kValueAttribute);
    if (attribute == std::string_view::npos) break;
    const auto close = rest.find(kAttributeClose);
    const auto end = rest.find(kOptionEnd);
    if (close == std::string_view::npos || end == std::string_view::npos) break;
    const auto start = attribute + kValueAttribute.size();
    const auto text_start = close + kAttributeClose.size();
    std::string_view text = end > text_start ? rest.substr(text_start, end - text_start) : "";
    if (text.find(kNbsp) != std::string_view::npos) {
      AccountRow row;
      row.id = close > start ? std::string(rest.substr(start, close - start)) : std::string();
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
    DropFront(rest, end + kOptionEnd.size());
  }
  return rows;
}

std::vector<std::string> ShareListTexts(std::string_view value) {
  constexpr std::string_view kBlankEnd = " </option>";
  std::vector<std::string> texts;
  std::string_view rest = value;
  if (const auto first = rest.find(kValueAttribute); first != std::string_view::npos)
    rest.remove_prefix(first);
  while (rest.find('>') != std::string_view::npos &&
         rest.find(kValueAttribute) != std::string_view::npos) {
    const auto start = rest.find('>') + 1;
    auto end = rest.find(kBlankEnd, start);
    std::size_t after = end == std::string_view::npos ? end : end + kBlankEnd.size();
    if (end == std::string_view::npos) {
      end = rest.find(kOptionEnd, start);
      after = end == std::string_view::npos ? rest.size() : end + kOptionEnd.size();
      if (end == std::string_view::npos) end = rest.size();
    }
    texts.emplace_back(rest.substr(start, end - start));
    rest.remove_prefix(after);
    const auto next = rest.find(kValueAttribute);
    if (next == std::string_view::npos) break;
    rest.remove_prefix(next);
  }
  return texts;
}

std::vector<std::string> HashListEntries(std::string_view value) {
  std::vector<std::string> entries;
  std::string rest = std::string(value) + "#";
  for (auto hash = rest.find('#'); hash != std::string::npos; hash = rest.find('#')) {
    entries.push_back(rest.substr(0, hash));
    rest.erase(0, hash + 1);
  }
  return entries;
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
