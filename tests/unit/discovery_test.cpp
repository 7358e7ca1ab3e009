#include "net/discovery.h"

#include <gtest/gtest.h>

#include "net/socket_error.h"
#include "sim/discovery_responder.h"

namespace {

std::string Reply(std::string name, std::string group, std::string firmware) {
  return net::BuildDiscoveryReply(name, group, firmware);
}

TEST(DiscoveryCodec, RequestIsTypeOneThenZeros) {
  const std::string request = net::BuildDiscoveryRequest();
  ASSERT_EQ(request.size(), 72u);
  EXPECT_EQ(request[0], 1);
  EXPECT_EQ(request.find_first_not_of('\0', 1), std::string::npos);
}

TEST(DiscoveryCodec, ReplyFieldsAreCutAtZeroOrFieldEnd) {
  std::string reply = Reply("NAS-1", "HOME", "1.0");
  for (int i = 1; i < 8; ++i) reply[i] = static_cast<char>(0xA5);  // not interpreted
  reply[70] = 'x';
  const auto record = net::ParseDiscoveryReply(reply, "10.0.0.9");
  ASSERT_TRUE(record);
  EXPECT_EQ(*record, (net::DeviceRecord{"10.0.0.9", "NAS-1", "HOME", "1.0"}));

  // Fields that fill their whole width carry no zero byte.
  const auto full = net::ParseDiscoveryReply(
      Reply("ABCDEFGHIJKLMNOP", "QRSTUVWXYZabcdef", std::string(30, '9')), "10.0.0.9");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->DeviceName, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(full->GroupName, "QRSTUVWXYZabcdef");
  EXPECT_EQ(full->FirmwareVersion, std::string(30, '9'));

  // Text after a zero byte inside a field is not shown.
  std::string gap = Reply("AB", "G", "2.1");
  gap[8 + 3] = 'Z';
  EXPECT_EQ(net::ParseDiscoveryReply(gap, "h")->DeviceName, "AB");
}

TEST(DiscoveryCodec, MalformedRepliesAreRejected) {
  const std::string good = Reply("N", "G", "1.0");
  EXPECT_FALSE(net::ParseDiscoveryReply(good.substr(0, 71), "h"));
  EXPECT_FALSE(net::ParseDiscoveryReply(good + '\0', "h"));
  EXPECT_FALSE(net::ParseDiscoveryReply("", "h"));
  std::string type2 = good;
  type2[0] = 2;
  EXPECT_FALSE(net::ParseDiscoveryReply(type2, "h"));
  EXPECT_FALSE(net::ParseDiscoveryReply(Reply("N", "G", ""), "h"));
  // Our own broadcast request, looped back, has an empty firmware field.
  EXPECT_FALSE(net::ParseDiscoveryReply(net::BuildDiscoveryRequest(), "h"));
}

TEST(DiscoveryCodec, SimulatedDeviceSendsTheMalformedKindsItIsAskedFor) {
  sim::DeviceState state;
  state.name = "N";
  state.firmware = "1.0";
  state.discovery_replies = {"normal",         "short",       "long", "type2",
                             "empty-firmware", "other-names", "bogus"};
  const auto replies = sim::DiscoveryResponder::RepliesFor(state);
  ASSERT_EQ(replies.size(), 6u);
  EXPECT_TRUE(net::ParseDiscoveryReply(replies[0], "h"));
  EXPECT_EQ(replies[1].size(), 71u);
  EXPECT_EQ(replies[2].size(), 73u);
  for (int i = 1; i <= 4; ++i) EXPECT_FALSE(net::ParseDiscoveryReply(replies[i], "h")) << i;
  EXPECT_EQ(net::ParseDiscoveryReply(replies[5], "h")->DeviceName, "OTHER-N");
}

TEST(SocketErrors, CarryTheNumbersCallersLookFor) {
  EXPECT_EQ(net::SocketError::FromErrno(EADDRINUSE).number(), 10048);
  EXPECT_EQ(net::SocketError::FromErrno(EPIPE).number(), 10053);
  EXPECT_EQ(net::SocketError::FromErrno(ECONNREFUSED).number(), 10061);
  EXPECT_STREQ(net::SocketError(10048).what(), "Socket Error # 10048\r\nAddress already in use.");
}

}  // namespace
