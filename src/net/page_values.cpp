#include "net/page_values.h"

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
