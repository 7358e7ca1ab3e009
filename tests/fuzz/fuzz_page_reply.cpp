// The split of an authenticated page reply into header, body and status.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/auth_get.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const net::PageReply result = net::SplitPageReply(std::string(reply));
  // Either the reply is split whole at a tag, or nothing is kept.
  if (result.BodyText.empty() ? !result.HeaderText.empty()
                              : result.HeaderText + result.BodyText != reply)
    __builtin_trap();
  return 0;
}
