// The status-page extraction rules on arbitrary pages and keys: each agrees
// with a plain reference that says the rule as directly as it can be said,
// and each takes linear time. For the second, every input also becomes a
// large page (its first part repeated, then its second part once, as a
// device trying to make a rule search the page again and again would build
// it); run with a per-input time limit, a rule that is not linear is a
// finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/page_values.h"

namespace {

using V = std::vector<std::string>;

// The references: the rules as they read, searching from the start of what
// is left at every step.
V OptionValuesReference(std::string_view rest) {
  V items;
  for (;;) {
    const auto attribute = rest.find("value=\"");
    const auto close = rest.find("\">");
    if (attribute == std::string_view::npos || close == std::string_view::npos) break;
    const auto start = attribute + 7;
    items.emplace_back(close > start ? rest.substr(start, close - start) : std::string_view());
    rest.remove_prefix(close + 2);
  }
  return items;
}

V ShareListTextsReference(std::string_view rest) {
  V texts;
  if (const auto first = rest.find("value=\""); first != std::string_view::npos)
    rest.remove_prefix(first);
  while (rest.find('>') != std::string_view::npos &&
         rest.find("value=\"") != std::string_view::npos) {
    const auto start = rest.find('>') + 1;
    auto end = rest.find(" </option>", start);
    std::size_t after = end == std::string_view::npos ? end : end + 10;
    if (end == std::string_view::npos) {
      end = rest.find("</option>", start);
      after = end == std::string_view::npos ? rest.size() : end + 9;
      if (end == std::string_view::npos) end = rest.size();
    }
    texts.emplace_back(rest.substr(start, end - start));
    rest.remove_prefix(after);
    const auto next = rest.find("value=\"");
    if (next == std::string_view::npos) break;
    rest.remove_prefix(next);
  }
  return texts;
}

V HashListReference(std::string_view value) {
  V entries;
  std::string rest = std::string(value) + "#";
  for (auto hash = rest.find('#'); hash != std::string::npos; hash = rest.find('#')) {
    entries.push_back(rest.substr(0, hash));
    rest.erase(0, hash + 1);
  }
  return entries;
}

std::string ScanMessagesReference(std::string_view rest) {
  std::string shown;
  bool first = true;
  auto line = [&](std::string_view text) {
    shown += (first ? "" : "\n") + std::string(text);
    first = false;
  };
  for (auto feed = rest.find('\n'); feed != std::string_view::npos; feed = rest.find('\n')) {
    line(rest.substr(0, feed));
    rest.remove_prefix(feed + 1);
  }
  if (!rest.empty()) line(rest);
  return shown;
}

// Account rows: the ids and option positions, as the rule's walk finds them.
std::vector<std::pair<std::string, std::size_t>> AccountIdsReference(std::string_view rest) {
  std::vector<std::pair<std::string, std::size_t>> ids;
  for (std::size_t option = 0;; ++option) {
    const auto attribute = rest.find("value=\"");
    const auto close = rest.find("\">");
    const auto end = rest.find("</option>");
    if (attribute == std::string_view::npos || close == std::string_view::npos ||
        end == std::string_view::npos)
      break;
    const auto start = attribute + 7;
    const auto text_start = close + 2;
    const std::string_view text = end > text_start ? rest.substr(text_start, end - text_start) : "";
    if (text.find("&nbsp;") != std::string_view::npos)
      ids.emplace_back(close > start ? std::string(rest.substr(start, close - start)) : "", option);
    rest.remove_prefix(std::min(end + 9, rest.size()));
  }
  return ids;
}

std::uint32_t Fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

void RunEveryRule(std::string_view page, std::string_view key) {
  const std::string value = net::PageValue(page, key);
  if (value.size() > page.size()) __builtin_trap();
  net::OptionValues(page);
  net::OptionText(page);
  net::TextBeforeNbsp(page);
  net::AccountRows(page);
  net::ShareListTexts(page);
  net::HashListEntries(page);
  net::ScanMessages(page);
  if (net::RemoveLineBreakTags(page).size() > page.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first byte says how much of the input is the key, the second where
  // the repeated part of the large page ends.
  const std::size_t key_length = data[0] % 32;
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view key = rest.substr(0, key_length);
  const std::string_view page = rest.substr(std::min(key_length, rest.size()));

  RunEveryRule(page, key);
  if (net::OptionValues(page) != OptionValuesReference(page)) __builtin_trap();
  if (net::ShareListTexts(page) != ShareListTextsReference(page)) __builtin_trap();
  if (net::HashListEntries(page) != HashListReference(page)) __builtin_trap();
  if (net::ScanMessages(page) != ScanMessagesReference(page)) __builtin_trap();
  std::vector<std::pair<std::string, std::size_t>> ids;
  for (const auto& row : net::AccountRows(page)) ids.emplace_back(row.id, row.option);
  if (ids != AccountIdsReference(page)) __builtin_trap();

  // The large page: about 512 KiB, where a rule that searches again from
  // the start at every step spends seconds. Building and reading it costs
  // a run far more than the rest, so one input in eight builds it, chosen
  // by a hash of the whole input (its mutations rarely change any one
  // byte), the seed of repeated lists among them: the fuzzer then tries
  // far more small pages in its time, and every shape still meets its
  // large page among its neighbours.
  if (Fnv1a(data, size) % 8 != 7) return 0;
  const std::size_t split = page.empty() ? 0 : data[1] % (page.size() + 1);
  const std::string_view repeated = page.substr(0, split), tail = page.substr(split);
  if (repeated.empty()) return 0;
  std::string large;
  large.reserve((512 << 10) + repeated.size() + tail.size());
  while (large.size() < (512 << 10)) large += repeated;
  large += tail;
  RunEveryRule(large, key);
  return 0;
}
