// Both HTTP clients on the wire, byte for byte, against scripted peers on
// the workstation's loopback inside the test LAN.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "lan_support.h"
#include "net/command_client.h"
#include "net/http_data_stream.h"
#include "net/page_reader.h"
#include "net/socket_error.h"
#include "net/upload_client.h"
#include "net/waiting.h"
#include "scripted_peer.h"

namespace {

using lan::PeerConnection;
using lan::ScriptedPeer;
using Clock = std::chrono::steady_clock;

constexpr char kLocal[] = "127.0.0.1";
const std::string kAccepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
const std::string kFormType = "Content-type: application/x-www-form-urlencoded\r\n\r\n";

ScriptedPeer::Script Answer(const std::string& reply) {
  return [reply](PeerConnection& c) {
    c.ReadRequest();
    c.Send(reply);
  };
}

// Answers a request starting with `first` with `reply`, every other one
// with a plain 200 page.
ScriptedPeer::Script ReplyTo(const std::string& first, const std::string& reply) {
  return [first, reply](PeerConnection& c) {
    const std::string request = c.ReadRequest();
    c.Send(request.rfind(first, 0) == 0 ? reply : "HTTP/1.0 200 OK\r\n\r\n");
  };
}

TEST(CommandClientWire, GetLinesWithAndWithoutCredentialsCookieAndReferer) {
  ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\n\r\nfine"));
  net::CommandClient client;
  client.Get("http://127.0.0.1/nas.cgi?type=x");
  client.UserId = "admin";
  client.Get("http://127.0.0.1/a");  // a user without a password sends no credentials
  client.Password = "pw";
  client.Referer = "http://127.0.0.1/id.htm";
  client.Cookie = "sid=1";
  client.Get("http://127.0.0.1/b");
  const auto requests = peer.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0],
            "GET /nas.cgi?type=x HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccepts + kFormType);
  EXPECT_EQ(requests[1], "GET /a HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccepts + kFormType);
  EXPECT_EQ(requests[2], "GET /b HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccepts +
                             "Cookie: sid=1\r\nReferer: http://127.0.0.1/id.htm\r\n"
                             "Authorization: Basic YWRtaW46cHc=\r\n" +
                             kFormType);
  EXPECT_EQ(client.StatusCode, 200);
  EXPECT_EQ(client.Header, "HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_EQ(client.Body, "fine");
  EXPECT_EQ(client.Host, "127.0.0.1");
  EXPECT_EQ(client.Port, 80);
}

TEST(CommandClientWire, LongPathsAreNeverCutAndBlanksCannotBreakTheRequestLine) {
  ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\n\r\n"));
  net::CommandClient client;
  // A cut command could be another command: one too long is not sent.
  EXPECT_THROW(client.Get("http://127.0.0.1/" + std::string(257, 'p')), net::HttpError);
  EXPECT_FALSE(client.RequestSent);
  client.Get("http://127.0.0.1/" + std::string(255, 'p'));  // 256 with its "/": whole
  client.Get("http://127.0.0.1/if.cgi?ip=1.2.3.4 \r\nX: y");
  const auto requests = peer.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(0, 4 + 256 + 11), "GET /" + std::string(255, 'p') + " HTTP/1.0\r\n");
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")),
            "GET /if.cgi?ip=1.2.3.4%20%0D%0AX:%20y HTTP/1.0");
}

TEST(CommandClientWire, RelativeRedirectIsFollowedWithItsCookie) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    const std::string request = c.ReadRequest();
    if (request.rfind("GET /nas.cgi", 0) == 0)
      c.Send("HTTP/1.0 302 Found\r\nSet-Cookie: sid=7\r\nLocation: status.htm\r\n\r\n");
    else
      c.Send("HTTP/1.0 200 OK\r\nServer: dev\r\n\r\n<html>status</html>");
  });
  net::CommandClient client;
  client.Get("http://127.0.0.1/nas.cgi?redirect=status.htm");
  const auto requests = peer.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /status.htm HTTP/1.0");
  EXPECT_NE(requests[1].find("Cookie: sid=7\r\n"), std::string::npos);
  EXPECT_EQ(client.StatusCode, 200);
  EXPECT_EQ(client.Header, "HTTP/1.0 200 OK\r\nServer: dev\r\n\r\n");
  EXPECT_EQ(client.Cookie, "sid=7");
}

TEST(CommandClientWire, CredentialsAndCookieStayWithTheDeviceFirstAsked) {
  // The device redirects to another port, then that one back home.
  ScriptedPeer other(kLocal, 8080,
                     Answer("HTTP/1.0 302 Found\r\nLocation: "
                            "http://127.0.0.1/back.htm\r\n\r\n"));
  ScriptedPeer peer(kLocal, 80,
                    ReplyTo("GET /nas.cgi",
                            "HTTP/1.0 302 Found\r\nSet-Cookie: sid=7\r\nLocation: "
                            "http://127.0.0.1:8080/elsewhere.htm\r\n\r\n"));
  net::CommandClient client;
  client.UserId = "admin";
  client.Password = "pw";
  client.Get("http://127.0.0.1/nas.cgi?type=x");
  const auto away = other.Requests();
  ASSERT_EQ(away.size(), 1u);
  EXPECT_EQ(away[0].find("Authorization"), std::string::npos) << away[0];
  EXPECT_EQ(away[0].find("Cookie"), std::string::npos) << away[0];
  const auto home = peer.Requests();
  ASSERT_EQ(home.size(), 2u);
  EXPECT_NE(home[1].find("Authorization: Basic YWRtaW46cHc=\r\n"), std::string::npos);
  EXPECT_NE(home[1].find("Cookie: sid=7\r\n"), std::string::npos);
}

TEST(CommandClientWire, NoControlByteFromAReplyReachesTheNextRequest) {
  ScriptedPeer peer(kLocal, 80,
                    ReplyTo("GET /a",
                            "HTTP/1.0 302 Found\r\nSet-Cookie: sid=1\rX-Injected: yes\x01\r\n"
                            "Location: b.htm\r\n\r\n"));
  net::CommandClient client;
  client.Referer = "http://127.0.0.1/x\r\nEvil: 1";
  client.Get("http://127.0.0.1/a");
  const auto requests = peer.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[1].find("Cookie: sid=1X-Injected: yes\r\n"), std::string::npos) << requests[1];
  EXPECT_NE(requests[1].find("Referer: http://127.0.0.1/xEvil: 1\r\n"), std::string::npos);
  EXPECT_EQ(requests[1].find("\nX-Injected"), std::string::npos);
  EXPECT_EQ(requests[1].find("\nEvil"), std::string::npos);
}

TEST(CommandClientWire, ADeviceThatClosesWithoutAWholeHeaderRaises) {
  for (const std::string& reply :
       {std::string(), std::string("HTTP/1.0 200 OK\r\nServer: x\r\n")}) {
    ScriptedPeer peer(kLocal, 80, Answer(reply));
    net::CommandClient client;
    client.Header = "HTTP/1.0 200 OK\r\nContent-Location: /ok.htm\r\n\r\n";  // an earlier reply
    EXPECT_THROW(client.Get("http://127.0.0.1/nas.cgi?type=ftps_x"), net::HttpError) << reply;
  }
}

// A peer that answers a byte every 50 ms, for longer than any deadline here.
void Trickle(PeerConnection& c) {
  c.ReadRequest();
  const std::string reply = "HTTP/1.0 200 OK\r\nX: y\r\n\r\nbody";  // 1.5 s in all
  for (const char byte : reply) {
    c.Send(std::string(1, byte));
    c.Sleep(50);
  }
}

TEST(CommandClientWire, ATricklingDeviceIsGivenUpAtTheDeadline) {
  ScriptedPeer peer(kLocal, 80, Trickle);
  net::CommandClient client;
  client.TimeOut = 1000;  // each single wait is short enough; the whole is not
  client.deadline_ms = 800;
  const auto start = Clock::now();
  EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::SocketError);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(800 + 500));
}

TEST(CommandClientWire, UnreachableRedirectRaisesWithTheRedirectStatus) {
  ScriptedPeer peer(kLocal, 80,
                    Answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:1/x.htm\r\n\r\n"));
  net::CommandClient client;
  EXPECT_ANY_THROW(client.Get("http://127.0.0.1/man.cgi?type=reboot"));
  EXPECT_EQ(client.StatusCode, 302);
  EXPECT_EQ(client.Header, "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:1/x.htm\r\n\r\n");
}

TEST(CommandClientWire, RedirectLoopsEnd) {
  ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 302 Found\r\nLocation: again.htm\r\n\r\n"));
  net::CommandClient client;
  EXPECT_THROW(client.Get("http://127.0.0.1/loop"), net::HttpError);
  EXPECT_EQ(peer.Connections(), net::CommandClient::kMaxRedirects + 1);
}

TEST(CommandClientWire, EmptyUrlAndRefusedConnection) {
  net::CommandClient client;
  try {
    client.Get("");
    FAIL();
  } catch (const net::HttpError& e) {
    EXPECT_STREQ(e.what(), "Empty URL");
  }
  // A refused connection after an earlier reply: an error, and what the
  // client says of the last reply is left as it was.
  {
    ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\nServer: x\r\n\r\n"));
    client.Get("http://127.0.0.1:80/x");
  }
  const std::string header = client.Header;
  EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::SocketError);
  EXPECT_EQ(client.Header, header);
}

TEST(CommandClientWire, TimeOutBoundsEachReplyLine) {
  // The peer stalls in the middle of its status line for 1.5 seconds.
  auto stall = [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.0 2");
    c.Sleep(1500);
    c.Send("00 OK\r\n\r\nlate");
  };
  {
    ScriptedPeer peer(kLocal, 80, stall);
    net::CommandClient client;  // TimeOut 0: waits
    client.Get("http://127.0.0.1/x");
    EXPECT_EQ(client.StatusCode, 200);
    EXPECT_EQ(client.Body, "late");
  }
  {
    ScriptedPeer peer(kLocal, 80, stall);
    net::CommandClient client;
    client.TimeOut = 1000;
    const auto start = Clock::now();
    EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::SocketError);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1400));
    EXPECT_EQ(client.StatusCode, 0);
  }
}

// Counts what a window would be told during waits; cancels at its
// `cancel_at`-th idle call.
struct RecordingObserver : net::WaitObserver {
  RecordingObserver() { net::SetWaitObserver(this); }
  ~RecordingObserver() override {
    net::SetWaitObserver(nullptr);
    net::EndAction();
  }
  void Begin(net::Activity activity, const std::string& target) override {
    begun.emplace_back(activity, target);
  }
  void Idle() override {
    if (++idles == cancel_at) {
      cancelled_at = Clock::now();
      net::CancelAction();
    }
  }
  void End() override { ++ended; }
  std::vector<std::pair<net::Activity, std::string>> begun;
  int idles = 0;
  int ended = 0;
  int cancel_at = -1;
  Clock::time_point cancelled_at;
};

TEST(WaitingWire, EveryWaitIsToldAndCancelEndsTheActionAtOnce) {
  {  // a slow reply: the observer is called all along, one scope per command
    ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
      c.ReadRequest();
      c.Sleep(300);
      c.Send("HTTP/1.0 200 OK\r\n\r\n");
    });
    RecordingObserver observer;
    net::CommandClient client;
    client.Get("http://127.0.0.1/x");
    EXPECT_GE(observer.idles, 5);
    ASSERT_EQ(observer.begun.size(), 1u);
    EXPECT_EQ(observer.begun[0].first, net::Activity::Sending);
    EXPECT_EQ(observer.begun[0].second, kLocal);
    EXPECT_EQ(observer.ended, 1);
    EXPECT_FALSE(net::Waiting());
  }
  {  // a silent device: Cancel ends the command, and every later exchange
     // of the action fails without waiting, until the action ends
    ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) { c.Hold(); });
    RecordingObserver observer;
    observer.cancel_at = 10;
    net::CommandClient client;
    EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::SocketError);
    EXPECT_LT(Clock::now() - observer.cancelled_at, std::chrono::milliseconds(100));

    const auto start = Clock::now();
    const net::PageRead read =
        net::ReadPageWithRetries(kLocal, "admin", "pw", "/p", net::AuthGetPage);
    EXPECT_EQ(read.reply.Status, 0);
    EXPECT_EQ(read.attempts, 1);
    client.Host = kLocal;
    EXPECT_ANY_THROW(client.Connect());
    net::UploadClient upload;
    net::MemoryStream body, reply;
    body.Write("x");
    EXPECT_ANY_THROW(upload.Post("http://127.0.0.1/up", body, reply));
    net::Pause(1000);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));

    net::EndAction();
    observer.cancel_at = -1;
    client.TimeOut = 1000;
    EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::SocketError);  // held: waits to its end
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
  }
}

TEST(CommandClientWire, ConnectProbeAndDisconnect) {
  net::CommandClient client;
  client.Host = kLocal;
  client.TimeOut = 1000;
  int failures = 0;
  client.OnConnectionFailed = [&failures] { ++failures; };
  EXPECT_ANY_THROW(client.Connect());
  EXPECT_FALSE(client.IsConnected);
  EXPECT_EQ(failures, 1);

  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) { c.Hold(); });
  client.Connect();  // Port 0 means 80
  EXPECT_TRUE(client.IsConnected);
  client.Disconnect();
  EXPECT_FALSE(client.IsConnected);
}

TEST(CommandClientWire, OversizedReplyIsRefusedWithinItsCapPlusFourMiB) {
  ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\n");
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 12; ++i) c.Send(block);
  });
  net::CommandClient client;
  const double growth = lan::PeakGrowthMiB(
      [&client] { EXPECT_THROW(client.Get("http://127.0.0.1/x"), net::HttpError); });
  if (lan::kMemoryIsMeasurable) {
    EXPECT_LE(growth, 8 + 4);  // its cap is 8 MiB
  }
  EXPECT_EQ(client.StatusCode, 200);
}

// UploadClient

std::string Upload(const std::string& user = "admin", const std::string& password = "pw",
                   std::size_t size = 1000) {
  net::UploadClient client;
  client.UserName = user;
  client.Password = password;
  client.Referer = "http://127.0.0.1/maintain.htm";
  client.ContentType = "multipart/form-data; boundary=B";
  client.ContentLength = 5;  // replaced by the body's size
  net::MemoryStream body, reply;
  body.Write(std::string(size, 'f'));
  client.Post("http://127.0.0.1/man.cgi", body, reply);
  return std::string(reply.Bytes());
}

std::string UploadError(const std::string& user = "admin", std::size_t size = 1000) {
  try {
    Upload(user, "pw", size);
  } catch (const net::HttpError& e) {
    return e.what();
  }
  return "no error";
}

TEST(UploadClientWire, PostLinesAndBody) {
  ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\n\r\naccepted"));
  EXPECT_EQ(Upload("admin", ""), "accepted");
  ASSERT_EQ(peer.Requests().size(), 1u);
  EXPECT_EQ(peer.Requests()[0],
            "POST /man.cgi HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
            "Referer: http://127.0.0.1/maintain.htm\r\nUser-Agent: Brevane/1.18\r\n"
            "Content-Type: multipart/form-data; boundary=B\r\nContent-Length: 1000\r\n"
            "Authorization: Basic YWRtaW46\r\n\r\n" +
                std::string(1000, 'f'));
}

TEST(UploadClientWire, AnEndlessReplyIsRefusedWithinItsCapPlusFourMiB) {
  const std::string block(1 << 20, 'x');
  ScriptedPeer peer(kLocal, 80, [&block](PeerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\n");
    for (int i = 0; i < 12; ++i) c.Send(block);
  });
  std::string error;
  const double growth = lan::PeakGrowthMiB([&error] { error = UploadError(); });
  EXPECT_EQ(error, "Reply too large");
  if (lan::kMemoryIsMeasurable) {
    EXPECT_LE(growth, 8 + 4) << growth;  // its cap is 8 MiB
  }
}

TEST(UploadClientWire, ATricklingAnswerIsGivenUpAtTheDeadline) {
  ScriptedPeer peer(kLocal, 80, Trickle);
  const auto start = Clock::now();
  std::string error;
  try {
    net::UploadClient client;
    client.deadline_base_ms = 800;
    net::MemoryStream body, reply;
    body.Write(std::string(1000, 'f'));
    client.Post("http://127.0.0.1/man.cgi", body, reply);
  } catch (const net::HttpError& e) {
    error = e.what();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(800 + 500));
  EXPECT_EQ(error.rfind("Socket Error # 10060", 0), 0u) << error;  // not a success
}

TEST(UploadClientWire, NoUserNoCredentials) {
  ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 204 No Content\r\n\r\n"));
  Upload("", "pw");
  EXPECT_EQ(peer.Requests()[0].find("Authorization"), std::string::npos);
}

TEST(UploadClientWire, ErrorTextsTheCallerInspects) {
  {
    ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\n\r\n"));
    EXPECT_EQ(UploadError(), "302 Found");
  }
  {
    ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 500 Internal Error\r\n\r\n"));
    EXPECT_EQ(UploadError(), "500 Internal Error");
  }
  {
    ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\nLocation: x.htm\r\n\r\n"));
    EXPECT_EQ(UploadError(), "200 OK");  // a Location is never followed
  }
  {
    ScriptedPeer peer(kLocal, 80, Answer("HTTP/1.0 200 OK\r\nServer: cut"));
    EXPECT_EQ(UploadError(), "Connection Closed Gracefully.");
  }
  EXPECT_EQ(UploadError(), "Socket Error # 10061\r\nConnection refused.");
}

// An image sent from its file while the device's side changes the file,
// once it has read `before` bytes of the request.
net::UploadError UploadChangedMeanwhile(const std::function<void(const std::string&)>& change,
                                        std::size_t size = 16 << 20,
                                        std::size_t before = 256 * 1024) {
  const std::string path = "/tmp/brevane-wire-image.bin";
  std::ofstream(path, std::ios::binary) << std::string(size, 'i');
  ScriptedPeer peer(kLocal, 80, [&change, &path, before](PeerConnection& c) {
    if (before == 0) {
      c.Sleep(300);  // the client has queued what it could
      change(path);
      c.ReadRequest();
    } else {
      const std::string start = c.ReadToEnd(before);
      change(path);
      // The rest of what the head announces, or until the client gives up.
      const auto length = start.find("Content-Length: ");
      const std::size_t whole = start.find("\r\n\r\n") + 4 +
                                std::stoul(start.substr(length + 16, start.find('\r', length)));
      if (whole > start.size()) c.ReadToEnd(whole - start.size());
    }
    c.Send("HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\n\r\n");
  });
  net::THttpDataStream body;
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", path, "application/octet-stream");
  body.FinishBody();
  net::UploadClient client;
  net::MemoryStream reply;
  try {
    client.Post("http://127.0.0.1/man.cgi", body, reply);
  } catch (const net::UploadError& e) {
    std::filesystem::remove(path);
    return e;
  }
  std::filesystem::remove(path);
  return net::UploadError(net::UploadError::Kind::Reply, "no error", 200);
}

TEST(UploadClientWire, AnImageChangedWhileItGoesOutIsAFailureNamingItWhateverTheDeviceSays) {
  using Kind = net::UploadError::Kind;
  auto rewrite = [](const std::string& path) {
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << "new";
  };
  // Rewritten in place: the device answers 302, and it is still a failure.
  const auto rewritten = UploadChangedMeanwhile(rewrite);
  EXPECT_EQ(rewritten.kind(), Kind::FileChanged) << rewritten.what();
  EXPECT_NE(std::string(rewritten.what()).find("brevane-wire-image.bin"), std::string::npos);
  // A small image is queued whole at once; rewritten after that, before
  // the device read it, it is still a mix: the system reads the file as
  // the bytes go out.
  const auto queued = UploadChangedMeanwhile(rewrite, 64 * 1024, 0);
  EXPECT_EQ(queued.kind(), Kind::FileChanged) << queued.what();
  // Cut short: the body cannot be finished, the send ends with the same
  // failure (never a crash).
  const auto cut = UploadChangedMeanwhile(
      [](const std::string& path) { std::filesystem::resize_file(path, 300 * 1024); });
  EXPECT_EQ(cut.kind(), Kind::FileChanged) << cut.what();
}

// What a device does with an upload, and what the client makes of it: an
// answer before the whole image ends the sending and is read as it was
// said; an end without a word while the image goes out is the device
// aborting it; an end without a word once it is out, or silence, is none.
TEST(UploadClientWire, EachEndOfAnUploadIsTakenForWhatItIs) {
  using Kind = net::UploadError::Kind;
  struct Case {
    const char* name;
    std::size_t size;
    ScriptedPeer::Script script;
    Kind kind;
    int number;
    bool whole;
  };
  const std::size_t large = 32 << 20, small = 1000;
  const Case cases[] = {
      {"401 at the head, then closed", large,
       [](PeerConnection& c) {
         c.ReadToEnd(100);
         c.Send("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic\r\n\r\n");
         c.Close();
       },
       Kind::Reply, 401, false},
      {"403 after a part, then held unread", large,
       [](PeerConnection& c) {
         c.ReadToEnd(64 * 1024);
         c.Send("HTTP/1.0 403 Forbidden\r\n\r\n");
         c.Hold();
       },
       Kind::Reply, 403, false},
      {"413 after a part, then reset", large,
       [](PeerConnection& c) {
         c.ReadToEnd(64 * 1024);
         c.Send("HTTP/1.0 413 Payload Too Large\r\n\r\n");
         c.Reset();
       },
       Kind::Reply, 413, false},
      {"closed without a word after a part", large,
       [](PeerConnection& c) {
         c.ReadToEnd(64 * 1024);
         c.Close();
       },
       Kind::Aborted, 10053, false},
      {"reset without a word after a part", large,
       [](PeerConnection& c) {
         c.ReadToEnd(64 * 1024);
         c.Reset();
       },
       Kind::Aborted, 10053, false},
      {"500 once it has it all", small, Answer("HTTP/1.0 500 Internal Error\r\n\r\n"), Kind::Reply,
       500, true},
      {"reset without a word once it has it all", small,
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Reset();
       },
       Kind::Socket, 10054, true},
      {"closed without a word once it has it all", small,
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Close();
       },
       Kind::Closed, 0, true},
      {"silent, reading nothing", large, [](PeerConnection& c) { c.Hold(); }, Kind::Socket, 10060,
       true},
  };
  for (const Case& c : cases) {
    ScriptedPeer peer(kLocal, 80, c.script);
    net::UploadClient client;
    client.reply_timeout_ms = 3000;  // a client that missed an answer runs into it
    net::MemoryStream body, reply;
    body.Write(std::string(c.size, 'f'));
    try {
      client.Post("http://127.0.0.1/man.cgi", body, reply);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const net::UploadError& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.name << ": " << e.what();
      EXPECT_EQ(e.number(), c.number) << c.name << ": " << e.what();
      if (c.kind == Kind::Reply) {
        EXPECT_EQ(e.whole(), c.whole) << c.name;
      }
    }
  }
}

}  // namespace
