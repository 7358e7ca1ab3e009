// IPv4 addresses read without the operating system, as inet_pton reads
// them: the rules and the terminal programs take the same texts on every
// system.

#include <gtest/gtest.h>

#include "net/ipv4.h"

namespace {

TEST(IPv4, ReadAsInetPtonReadsThem) {
  const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
      {"10.77.0.11", 0x0A4D000Bu}, {"0.0.0.0", 0u},
      {"255.255.255.255", ~0u},    {"192.168.1.1", 0xC0A80101u},
      {"256.1.1.1", std::nullopt}, {"1.2.3", std::nullopt},
      {"1.2.3.4.5", std::nullopt}, {"01.2.3.4", std::nullopt},
      {"1.2.3.4 ", std::nullopt},  {" 1.2.3.4", std::nullopt},
      {"1..2.3", std::nullopt},    {"1.2.3.-4", std::nullopt},
      {"0x1.2.3.4", std::nullopt}, {"1.2.3.0004", std::nullopt},
      {"", std::nullopt},          {"1.2.3.4/24", std::nullopt},
  };
  for (const auto& [text, number] : cases) {
    EXPECT_EQ(net::ParseIPv4(text), number) << text;
    if (number) {
      EXPECT_EQ(net::FormatIPv4(*number), text);
    }
  }
}

}  // namespace
