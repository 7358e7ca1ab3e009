#include "net/auth_get.h"

#include <gtest/gtest.h>

#include "net/base64.h"
#include "net/page_reader.h"

namespace {

TEST(Base64, StandardAlphabetAndPadding) {
  EXPECT_EQ(net::Base64Encode(""), "");
  EXPECT_EQ(net::Base64Encode("f"), "Zg==");
  EXPECT_EQ(net::Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(net::Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(net::Base64Encode("admin:"), "YWRtaW46");
  EXPECT_EQ(net::Base64Encode("\xff\xfe\xfd"), "//79");    // bytes as unsigned values
  EXPECT_EQ(net::Base64Encode("\xc3\xa9:x"), "w6k6eA==");  // a non-ASCII user name
}

TEST(AuthGetRequest, IsExactlyTheDevicesFormat) {
  EXPECT_EQ(net::BuildAuthGetRequest("/utility_use.htm", "10.0.0.5", "admin", "secret"),
            "GET /utility_use.htm HTTP/1.1\r\nHost:10.0.0.5\r\nConnection: Keep-Alive\r\n"
            "Authorization: Basic YWRtaW46c2VjcmV0\r\n\r\n");
  // Without credentials, not even an empty user name goes out.
  EXPECT_EQ(net::BuildPlainGetRequest("/utility_use.htm", "10.0.0.5"),
            "GET /utility_use.htm HTTP/1.1\r\nHost:10.0.0.5\r\nConnection: Keep-Alive\r\n\r\n");
}

TEST(SplitPageReply, SplitsAtTheFirstHtmlTagInAnyCase) {
  const auto ok = net::SplitPageReply(
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>x</body></html>");
  EXPECT_EQ(ok.Status, 200);
  EXPECT_EQ(ok.HeaderText, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_EQ(ok.BodyText, "<html><body>x</body></html>");

  const auto refused = net::SplitPageReply("HTTP/1.0 401 Unauthorized\r\n\r\n<HTML>no</HTML>");
  EXPECT_EQ(refused.Status, 401);
  EXPECT_EQ(refused.BodyText, "<HTML>no</HTML>");

  // No tag: nothing usable, whatever the status line says.
  const auto bare = net::SplitPageReply("HTTP/1.0 401 Unauthorized\r\n\r\n");
  EXPECT_EQ(bare.Status, 0);
  EXPECT_EQ(bare.HeaderText, "");
  EXPECT_EQ(bare.BodyText, "");
  EXPECT_EQ(net::SplitPageReply("").Status, 0);
}

TEST(SplitPageReply, StatusByTheHttpRule) {
  struct Case {
    const char* reply;
    int status;
  } cases[] = {
      {"<HTML>", 1},                                  // no "HTTP/"
      {"HTTP/1.1\r\n<HTML>", 1},                      // no blank after it
      {"HTTP/1.1 abc\r\n<HTML>", 1},                  // no number
      {"HTTP/1.1    404 x\r\n<HTML>", 404},           // white space skipped
      {"HTTP/1.1 -5 x\r\n<HTML>", -5},                // a sign is read
      {"http/1.0 302 Found\r\n<html>", 302},          // found in any case
      {"junk <html> HTTP/1.0 500 in the body", 500},  // the whole reply is searched
      {"HTTP/1.1 99999999999999 x\r\n<HTML>", 1},     // not a number a status can hold
  };
  for (const auto& c : cases) EXPECT_EQ(net::SplitPageReply(c.reply).Status, c.status) << c.reply;
}

TEST(ReadPageWithRetries, StopsAtAPageOrAPositiveStatusWithinEightRequests) {
  int calls = 0;
  auto answer = [&](net::PageReply reply) {
    return [&calls, reply](const std::string&, const std::string&, const std::string&,
                           const std::string&) {
      ++calls;
      return reply;
    };
  };
  EXPECT_EQ(net::ReadPageWithRetries("ip", "u", "p", "/x", answer({})).attempts, 8);
  EXPECT_EQ(calls, 8);
  calls = 0;
  EXPECT_EQ(net::ReadPageWithRetries("ip", "u", "p", "/x", answer({"h", "<HTML>", 401})).attempts,
            1);
  EXPECT_EQ(net::ReadPageWithRetries("ip", "u", "p", "/x", answer({"", "", 1})).attempts, 1);

  // The request carries what it was given.
  std::vector<std::string> seen;
  net::ReadPageWithRetries("10.1.1.1", "admin", "pw", "/utility_use.htm",
                           [&](const std::string& a, const std::string& u, const std::string& p,
                               const std::string& path) {
                             seen = {a, u, p, path};
                             return net::PageReply{"", "<HTML>", 200};
                           });
  EXPECT_EQ(seen, (std::vector<std::string>{"10.1.1.1", "admin", "pw", "/utility_use.htm"}));
}

}  // namespace
