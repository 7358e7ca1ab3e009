// AuthGet on the wire, against scripted peers on the workstation's own
// loopback inside the test LAN.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "lan_support.h"
#include "net/auth_get.h"
#include "net/page_reader.h"
#include "net/waiting.h"
#include "scripted_peer.h"

namespace {

using lan::PeerConnection;
using lan::ScriptedPeer;
using Clock = std::chrono::steady_clock;

constexpr char kLocal[] = "127.0.0.1";

net::PageReply Get(const net::AuthGetLimits& limits = {}) {
  return net::AuthGet(kLocal, "admin", "secret", "/utility_use.htm", limits);
}

TEST(AuthGetWire, SendsTheExactRequestAndSplitsTheReply) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n<html><body>ok</body></html>");
  });
  const auto reply = Get();
  ASSERT_EQ(peer.Requests().size(), 1u);
  EXPECT_EQ(peer.Requests()[0],
            "GET /utility_use.htm HTTP/1.1\r\nHost:127.0.0.1\r\nConnection: Keep-Alive\r\n"
            "Authorization: Basic YWRtaW46c2VjcmV0\r\n\r\n");
  EXPECT_EQ(reply.Status, 200);
  EXPECT_EQ(reply.HeaderText, "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n");
  EXPECT_EQ(reply.BodyText, "<html><body>ok</body></html>");
}

TEST(AuthGetWire, RefusalsWithAndWithoutAPage) {
  {
    ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
      c.ReadRequest();
      c.Send("HTTP/1.0 401 Unauthorized\r\n\r\n<HTML>Login required</HTML>");
    });
    const auto reply = Get();
    EXPECT_EQ(reply.Status, 401);
    EXPECT_EQ(reply.BodyText, "<HTML>Login required</HTML>");
  }
  {
    ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
      c.ReadRequest();
      c.Send("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic\r\n\r\n");
    });
    const auto reply = Get();
    EXPECT_EQ(reply.Status, 0);
    EXPECT_EQ(reply.HeaderText, "");
    EXPECT_EQ(reply.BodyText, "");
  }
}

TEST(AuthGetWire, PageWithoutStatusLineGivesOne) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("<HTML>bare</HTML>");
  });
  EXPECT_EQ(Get().Status, 1);
}

TEST(AuthGetWire, RefusedConnectionGivesNothingAtOnce) {
  const auto start = Clock::now();
  const auto reply = Get();
  EXPECT_EQ(reply.Status, 0);
  EXPECT_EQ(reply.BodyText, "");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(AuthGetWire, ZeroByteCutsOnlyItsOwnPiece) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send(std::string("HTTP/1.1 200 OK\r\n\r\n<HTML>ab\0cd", 28));
    c.Sleep(100);  // a separate piece
    c.Send("ef</HTML>");
  });
  EXPECT_EQ(Get().BodyText, "<HTML>abef</HTML>");
}

TEST(AuthGetWire, LongRepliesArriveWhole) {
  const std::string page = "<HTML>" + std::string(200000, 'x') + "</HTML>";
  ScriptedPeer peer(kLocal, 80, [&](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n" + page);
  });
  EXPECT_EQ(Get().BodyText, page);
}

TEST(AuthGetWire, APeerThatNeverClosesCannotHangTheProgram) {
  net::AuthGetLimits limits;
  limits.idle_timeout_ms = 300;
  // Keeps the connection open after its reply, without a length.
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n<HTML>kept open");
    c.Hold();
  });
  const auto start = Clock::now();
  EXPECT_EQ(Get(limits).BodyText, "<HTML>kept open");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST(AuthGetWire, AKeepAliveReplyEndsAtItsAnnouncedLength) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n<HTML>page</HTML>");
    c.Hold();
  });
  const auto start = Clock::now();
  EXPECT_EQ(Get().BodyText, "<HTML>page</HTML>");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));  // no idle wait
}

TEST(AuthGetWire, ASilentPeerIsGivenUp) {
  net::AuthGetLimits limits;
  limits.idle_timeout_ms = 300;
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) { c.Hold(); });
  const auto start = Clock::now();
  EXPECT_EQ(Get(limits).Status, 0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST(AuthGetWire, AResetKeepsWhatCameBeforeIt) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n<HTML>half");
    c.Sleep(100);
    c.Reset();
  });
  const auto reply = Get();
  EXPECT_EQ(reply.Status, 200);
  EXPECT_EQ(reply.BodyText, "<HTML>half");
}

TEST(AuthGetWire, AnOversizedReplyIsRefusedNotHoarded) {
  net::AuthGetLimits limits;
  limits.max_reply = 1 << 20;
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n<HTML>");
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 64; ++i) c.Send(block);  // 4 MiB, past the cap
  });
  const auto reply = Get(limits);
  EXPECT_EQ(reply.Status, 0);
  EXPECT_EQ(reply.BodyText, "");
}

TEST(AuthGetWire, APageAtItsCapIsReadWithinTheCapPlusFourMiB) {
  // A page just under the program's own 4 MiB cap, announced and whole.
  const std::string page = "<HTML>" + std::string((4 << 20) - 1024, 'p');
  const std::string wire =
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page;
  ScriptedPeer peer(kLocal, 80, [&wire](PeerConnection& c) {
    c.ReadRequest();
    c.Send(wire);
    c.Hold();
  });
  net::PageReply reply;
  const double growth = lan::PeakGrowthMiB([&reply] { reply = Get({}); });
  EXPECT_EQ(reply.Status, 200);
  EXPECT_EQ(reply.BodyText.size(), page.size());
  // The reply held once (the page itself is 4 MiB of it), plus a little.
  if (lan::kMemoryIsMeasurable) {
    EXPECT_LE(growth, 4 + 4) << growth;
  }
}

TEST(AuthGetWire, ATricklingDeviceIsNoAnswerAtTheDeadline) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    const std::string reply = "HTTP/1.1 200 OK\r\n\r\n<HTML>page";  // 1.6 s in all
    for (const char byte : reply) {
      c.Send(std::string(1, byte));
      c.Sleep(50);
    }
  });
  net::AuthGetLimits limits;
  limits.total_timeout_ms = 800;
  const auto start = std::chrono::steady_clock::now();
  const auto reply = Get(limits);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800 + 500));
  EXPECT_EQ(reply.Status, 0);
  EXPECT_EQ(reply.BodyText, "");
}

TEST(AuthGetWire, ALengthThatWouldWrapNeverMakesAPartReplyComplete) {
  net::AuthGetLimits limits;
  limits.idle_timeout_ms = 300;
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    // 2^64 - 10: added to the header's length it would wrap to a few bytes.
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551606\r\n\r\n<HTML>part");
    c.Sleep(100);
    c.Send("-and-the-rest");
    c.Hold();
  });
  // Such a length can never have come: the reply is cut short.
  const auto reply = Get(limits);
  EXPECT_EQ(reply.Status, 0);
  EXPECT_EQ(reply.BodyText, "");
}

TEST(AuthGetWire, APageThatEndsBeforeItsAnnouncedLengthIsNoPage) {
  net::AuthGetLimits limits;
  limits.idle_timeout_ms = 300;
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n<HTML>var a=\"1\";\r\n";
  for (const bool pause : {true, false}) {
    ScriptedPeer peer(kLocal, 80, [&head, pause](PeerConnection& c) {
      c.ReadRequest();
      c.Send(head);
      if (pause) c.Hold();  // a pause past the bound, then nothing
    });                     // or closed early
    const auto reply = Get(limits);
    EXPECT_EQ(reply.Status, 0) << pause;
    EXPECT_EQ(reply.BodyText, "") << pause;
  }
  // Without a length, a pause or a close still ends the page.
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n<HTML>whole");
  });
  EXPECT_EQ(Get(limits).BodyText, "<HTML>whole");
}

TEST(AuthGetWire, EndlessRepliesCostOneReplyAcrossEveryAttempt) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\n\r\n<HTML>");
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 128; ++i) c.Send(block);  // 8 MiB, past the 4 MiB cap
  });
  net::PageRead read;
  const double growth = lan::PeakGrowthMiB([&read] {
    read =
        net::ReadPageWithRetries(kLocal, "admin", "secret", "/utility_use.htm", net::AuthGetPage);
  });
  EXPECT_EQ(read.attempts, 8);
  EXPECT_EQ(read.reply.Status, 0);
  if (lan::kMemoryIsMeasurable) {
    EXPECT_LE(growth, 4 + 4) << growth;
  }
}

TEST(AuthGetWire, APageReadAndAnActionEndWithinTheirBoundsWhateverTheAttempts) {
  // A device that takes the connection and never answers: each attempt
  // waits out its pause bound, and the bound on the whole ends the read.
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Hold();
  });
  const auto get = [](const std::string& a, const std::string& u, const std::string& p,
                      const std::string& path) {
    net::AuthGetLimits limits;
    limits.idle_timeout_ms = 200;
    return net::AuthGet(a, u, p, path, limits);
  };
  const auto start = Clock::now();
  {
    const net::ActionBound bound{std::chrono::milliseconds(500)};
    const auto read = net::ReadPageWithRetries(kLocal, "admin", "secret", "/x", get);
    EXPECT_EQ(read.reply.Status, 0);
  }
  const auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(450));
  EXPECT_LT(took, std::chrono::milliseconds(500 + 300));

  // Time the user spends answering a box is not the device's.
  const auto again = Clock::now();
  {
    const net::ActionBound bound{std::chrono::milliseconds(400)};
    {
      const net::UserTurn turn;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    net::ReadPageWithRetries(kLocal, "admin", "secret", "/x", get);
  }
  EXPECT_GE(Clock::now() - again, std::chrono::milliseconds(300 + 350));
}

}  // namespace
