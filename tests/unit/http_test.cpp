#include <gtest/gtest.h>

#include "net/http_reply.h"
#include "net/sha256.h"
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

// The standard's examples, lengths about each block's end, and the same
// bytes given in pieces of any size.
TEST(Sha256, NamesBytesAsTheStandardDoes) {
  auto of = [](const std::string& bytes, std::size_t piece) {
    net::Sha256 hash;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
      hash.Update(std::string_view(bytes).substr(at, piece));
    return hash.Hex();
  };
  const std::pair<std::string, const char*> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(120, 'a'), "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [bytes, digest] : cases)
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{1} << 20})
      EXPECT_EQ(of(bytes, piece), digest) << bytes.size() << " in pieces of " << piece;
}

}  // namespace
