// The status-page extraction rules on arbitrary pages and keys.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/page_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says how much of the input is the key.
  const std::size_t key_length = data[0] % 32;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string_view key = rest.substr(0, key_length);
  const std::string_view page = rest.substr(std::min(key_length, rest.size()));

  const std::string value = net::PageValue(page, key);
  if (value.size() > page.size()) __builtin_trap();
  for (const auto& item : net::OptionValues(page))
    if (item.size() > page.size()) __builtin_trap();
  net::OptionText(page);
  net::TextBeforeNbsp(page);
  net::HashListEntries(value);
  if (net::RemoveLineBreakTags(page).size() > page.size()) __builtin_trap();
  return 0;
}
