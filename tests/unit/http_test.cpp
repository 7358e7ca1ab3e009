#include <gtest/gtest.h>

#include "net/http_reply.h"
#include "net/url.h"

namespace {

using net::EncodeUrlValue;

TEST(EncodeUrlValue, LettersAndDigitsStayEverythingElseIsEncoded) {
  EXPECT_EQ(EncodeUrlValue("abcXYZ019"), "abcXYZ019");
  EXPECT_EQ(EncodeUrlValue("my pass"), "my+pass");
  EXPECT_EQ(EncodeUrlValue("A-b_c=1"), "A%2Db%5Fc%3D1");
  EXPECT_EQ(EncodeUrlValue("a&b=c"), "a%26b%3Dc");
  EXPECT_EQ(EncodeUrlValue("x.y"), "x%2Ey");
  EXPECT_EQ(EncodeUrlValue("照片"), "%E7%85%A7%E7%89%87");  // each byte on its own
  EXPECT_EQ(EncodeUrlValue(std::string("\0\xff", 2)), "%00%FF");
  EXPECT_EQ(EncodeUrlValue(""), "");
}

TEST(Urls, SplitAndMadeSafeForTheRequestLine) {
  const auto url = net::ParseHttpUrl("http://10.0.0.5/nas.cgi?a=b");
  EXPECT_EQ(url.host, "10.0.0.5");
  EXPECT_EQ(url.port, 80);
  EXPECT_EQ(url.path, "/nas.cgi?a=b");
  const auto ported = net::ParseHttpUrl("http://dev:8080");
  EXPECT_EQ(ported.host, "dev");
  EXPECT_EQ(ported.port, 8080);
  EXPECT_EQ(ported.path, "/");
  EXPECT_THROW(net::ParseHttpUrl("http://dev:x/"), net::HttpError);
  EXPECT_THROW(net::ParseHttpUrl("http://dev:70000/"), net::HttpError);

  EXPECT_EQ(net::SafeRequestTarget("/a b\r\nc\x7f\t?d=\xe7\x85\xa7"),
            "/a%20b%0D%0Ac%7F%09?d=\xe7\x85\xa7");
  EXPECT_EQ(net::FirstCharacters("ab照片", 3), "ab照");
  EXPECT_EQ(net::FirstCharacters("abc", 9), "abc");
}

TEST(ReplyHead, StatusHeaderCookieAndLocation) {
  net::MemorySource source(
      "HTTP/1.0 302 Found\r\nset-cookie: sid=42; path=/\r\nLocation: status.htm\r\nX: y\r\n\r\n"
      "body");
  net::ReplyHead head;
  net::ReadReplyHead(source, head);
  EXPECT_TRUE(head.complete);
  EXPECT_EQ(head.status, 302);
  EXPECT_EQ(head.header,
            "HTTP/1.0 302 Found\r\nset-cookie: sid=42; path=/\r\nLocation: status.htm\r\nX: y\r\n"
            "\r\n");
  EXPECT_EQ(head.cookie, "sid=42; path=/");
  EXPECT_EQ(head.location, "status.htm");
  EXPECT_EQ(net::ReadBody(source), "body");
}

TEST(ReplyHead, FixedOffsetsAndLimits) {
  // Values are taken from fixed offsets and cut to 256 characters.
  const std::string reply = "HTTP/1.0 301 x\nLOCATION:  " + std::string(300, 'a') + "\n\n";
  net::MemorySource long_location(reply);
  net::ReplyHead head;
  net::ReadReplyHead(long_location, head);
  EXPECT_EQ(head.location, " " + std::string(255, 'a'));
  EXPECT_TRUE(head.complete);  // a bare line feed ends the header too

  // A header that never ends is refused, not hoarded.
  std::string endless = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 10000; ++i) endless += "X-Filler: " + std::string(20, 'x') + "\r\n";
  net::MemorySource flood(endless);
  net::ReplyHead flooded;
  EXPECT_THROW(net::ReadReplyHead(flood, flooded), net::HttpError);
  EXPECT_EQ(flooded.status, 200);

  net::MemorySource closed("HTTP/1.0 200 OK\r\nServer: x\r\n");
  net::ReplyHead partial;
  net::ReadReplyHead(closed, partial);
  EXPECT_TRUE(partial.started);
  EXPECT_FALSE(partial.complete);
}

TEST(ReplyHead, StatusIsTheSecondWordWhenItIsANumber) {
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0 200 OK\r\n"), 200);
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0 404\r\n"), 404);
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0  500  x"), 500);
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0 OK 200"), 0);
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0 20x"), 0);
  EXPECT_EQ(net::StatusFromLine("garbage"), 0);
  EXPECT_EQ(net::StatusFromLine(""), 0);
  EXPECT_EQ(net::StatusFromLine("HTTP/1.0 99999 big"), 0);
}

}  // namespace
