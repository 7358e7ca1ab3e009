// The console's command submission against a scripted device on the
// workstation's loopback: what goes out, what the user sees, what follows.

#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <functional>

#include "core/command_submission.h"
#include "core/session_state.h"
#include "scripted_peer.h"
#include "support/fakes.h"

namespace {

using desktop::MsgIcon;
using lan::PeerConnection;
using lan::ScriptedPeer;

constexpr char kLocal[] = "127.0.0.1";

using core::Submitted;
using device::Then;

class FakeHost : public core::CommandHost {
 public:
  int ActiveTab() override { return active_tab; }
  core::Task<> RedisplayTab(int index) override {
    redisplayed.push_back(index);
    co_return;
  }
  void ReturnToDeviceList() override { ++returned; }

  int active_tab = 0;
  std::vector<int> redisplayed;
  int returned = 0;
};

// A device that answers every command with a redirect to `location`, and
// each page with a header naming it, as devices answer the failure page.
ScriptedPeer::Script Redirect(const std::string& location) {
  return [location](PeerConnection& c) {
    const std::string request = c.ReadRequest();
    if (request.empty()) return;  // the probe: connect and go
    if (request.find(".cgi?") != std::string::npos) {
      c.Send("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\n\r\n");
    } else {
      const std::string page = request.substr(4, request.find(' ', 4) - 4);
      c.Send("HTTP/1.0 200 OK\r\nContent-Location: " + page + "\r\n\r\n<html></html>");
    }
  };
}

class SubmitCommandLan : public ::testing::Test {
 protected:
  SubmitCommandLan() { core::Session() = {kLocal, "admin", "pw"}; }
  Submitted Submit(const std::string& path, const std::string& tag, int tab = 0,
                   Then then = Then::Show, const std::string& new_value = {}, bool retried = false,
                   const std::function<void()>& reread = {}) {
    host.active_tab = tab;
    // The fakes' work runs where it is asked for: the submission has ended
    // when it returns.
    return core::SubmitCommand(
               client, host,
               {std::string("http://") + kLocal + path, tag, retried, nullptr, then, new_value},
               reread ? [reread]() -> core::Task<> {
                 reread();
                 co_return;
               }
                      : std::function<core::Task<>()>())
        .Get();
  }
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  std::shared_ptr<net::CommandClient> client = std::make_shared<net::CommandClient>();
  FakeHost host;
};

TEST_F(SubmitCommandLan, NoDeviceAddressSendsNothing) {
  core::Session().DeviceIp = "";
  ScriptedPeer peer(kLocal, 80, Redirect("id.htm"));
  EXPECT_EQ(Submit("/nas.cgi?type=x", "id.htm"), Submitted::NotSent);
  EXPECT_EQ(peer.Connections(), 0);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "IP 位址錯誤！\"");
  EXPECT_EQ(fakes.messages->shown[0].title, "動作");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Error);
}

TEST_F(SubmitCommandLan, CommandIsSentWithCredentialsAndRefererThenThePageIsRedisplayed) {
  ScriptedPeer peer(kLocal, 80, Redirect("id.htm"));
  EXPECT_EQ(Submit("/nas.cgi?redirect=id.htm&type=cifs_config_apply", "id.htm", 0),
            Submitted::Done);
  const auto requests = peer.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_NE(requests[0].find("Referer: http://127.0.0.1/id.htm\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("Authorization: Basic YWRtaW46cHc=\r\n"), std::string::npos);
  EXPECT_EQ(host.redisplayed, std::vector<int>{0});
  EXPECT_TRUE(fakes.messages->shown.empty());
  // The probe leaves the client bounded for every later command.
  EXPECT_EQ(client->TimeOut, 1000);
  EXPECT_EQ(client->Port, 80);
  EXPECT_EQ(client->ReportLevel, 1);
  EXPECT_EQ(client->Host, kLocal);
}

TEST_F(SubmitCommandLan, PageIndexOutsideTheConsoleRedisplaysNothing) {
  ScriptedPeer peer(kLocal, 80, Redirect("sto.htm"));
  EXPECT_EQ(Submit("/nas.cgi?redirect=sto.htm&type=x", "sto.htm", 7), Submitted::Done);
  EXPECT_TRUE(host.redisplayed.empty());
}

TEST_F(SubmitCommandLan, NewAdministratorPasswordIsUsedFromThenOn) {
  ScriptedPeer peer(kLocal, 80, Redirect("sys_auth.htm"));
  Submit("/man.cgi?redirect=sys_auth.htm&type=auth_apply", "sys_auth.htm", 0, Then::UseNewPassword,
         "newpw");
  EXPECT_EQ(core::Session().UserPassword, "newpw");
  Submit("/man.cgi?type=x", "status.htm");
  const auto requests = peer.Requests();
  const auto later = std::find_if(requests.begin(), requests.end(), [](const std::string& r) {
    return r.rfind("GET /man.cgi?type=x ", 0) == 0;
  });
  ASSERT_NE(later, requests.end());
  EXPECT_NE(later->find("Authorization: Basic YWRtaW46bmV3cHc=\r\n"), std::string::npos);
}

TEST_F(SubmitCommandLan, AddressChangeFollowUps) {
  // Nothing takes the command: the failure is said, and nothing moves.
  EXPECT_EQ(
      Submit("/if.cgi?type=wan_fixip_apply", "if_cgi.htm", 1, Then::FollowAddress, "10.9.9.9"),
      Submitted::NotSent);
  EXPECT_EQ(core::Session().DeviceIp, kLocal);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "連線失敗");
  fakes.messages->shown.clear();

  // Fixed address: the device takes the command and is gone from the old
  // address; no connection failure is reported, the session follows.
  {
    ScriptedPeer peer(kLocal, 80, [](PeerConnection& c) {
      c.ReadRequest();
      c.Reset();  // it leaves the address at once
    });
    EXPECT_EQ(
        Submit("/if.cgi?type=wan_fixip_apply", "if_cgi.htm", 1, Then::FollowAddress, "10.9.9.9"),
        Submitted::Done);
  }
  EXPECT_EQ(core::Session().DeviceIp, "10.9.9.9");
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "IP 已變更，重新連線成功");
  EXPECT_EQ(fakes.messages->shown[0].title, "IP 資訊");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Question);
  EXPECT_TRUE(host.redisplayed.empty());

  // Automatic address: back to the device list and a new scan.
  core::Session().DeviceIp = kLocal;
  fakes.messages->shown.clear();
  {
    ScriptedPeer peer(kLocal, 80, Redirect("if_cfg.htm"));
    EXPECT_EQ(
        Submit("/dhcpc.cgi?redirect=if_cfg.htm&type=dhcpc_apply", "if_cgi.htm", 1, Then::FindAgain),
        Submitted::Done);
  }
  EXPECT_EQ(host.returned, 1);
  EXPECT_EQ(core::Session().DeviceIp, kLocal);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "自動 IP，重新掃描\"");
}

TEST_F(SubmitCommandLan, FailedProbeIsReportedOnceAndEndsTheCommand) {
  // No device at all: the user sees one connection failure, and a retrying
  // caller stops instead of sending the command fifteen times.
  EXPECT_EQ(Submit("/nas.cgi?redirect=ftp.htm&type=x", "ftp.htm", 0, Then::Show, {}, true),
            Submitted::Refused);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "連線失敗");
  EXPECT_EQ(fakes.messages->shown[0].title, "連線");
  EXPECT_TRUE(host.redisplayed.empty());
}

TEST_F(SubmitCommandLan, RedirectThatCannotBeFollowedIsNoFailure) {
  // The answer page lives where nothing listens, but the device itself is up.
  ScriptedPeer peer(kLocal, 80, Redirect("http://127.0.0.1:1/ftp.htm"));
  EXPECT_EQ(Submit("/nas.cgi?redirect=ftp.htm&type=ftps_user_add", "ftp.htm", 4), Submitted::Done);
  EXPECT_EQ(host.redisplayed, std::vector<int>{4});
}

TEST_F(SubmitCommandLan, RefusedFtpCommandsAreSentAgainUpToFifteenTimes) {
  ScriptedPeer peer(kLocal, 80, Redirect("fail.htm"));
  int rereads = 0;
  EXPECT_EQ(Submit("/nas.cgi?redirect=ftp.htm&type=ftps_user_add", "ftp.htm", 4, Then::Show, {},
                   true, [&rereads] { ++rereads; }),
            Submitted::Refused);
  int commands = 0;
  for (const auto& r : peer.Requests()) commands += r.rfind("GET /nas.cgi", 0) == 0;
  EXPECT_EQ(commands, 15);
  EXPECT_EQ(rereads, 1);
  EXPECT_TRUE(host.redisplayed.empty());
  // The last refusal is said, once.
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "The device refused the command.");
}

TEST_F(SubmitCommandLan, AnFtpCommandTheDeviceDroppedIsSentAgain) {
  // The first command's connection closes without a word; the second is
  // answered. The earlier reply's header must not count for the dropped one.
  std::atomic<int> commands{0};
  ScriptedPeer peer(kLocal, 80, [&commands](PeerConnection& c) {
    const std::string request = c.ReadRequest();
    if (request.rfind("GET /nas.cgi", 0) == 0 && ++commands == 1) return;
    if (request.rfind("GET /nas.cgi", 0) == 0)
      c.Send("HTTP/1.0 302 Found\r\nLocation: ftp.htm\r\n\r\n");
    else if (!request.empty())
      c.Send("HTTP/1.0 200 OK\r\nContent-Location: /ftp.htm\r\n\r\n");
  });
  client->Header = "HTTP/1.0 200 OK\r\nContent-Location: /ftp.htm\r\n\r\n";
  EXPECT_EQ(
      Submit("/nas.cgi?redirect=ftp.htm&type=ftps_user_add", "ftp.htm", 4, Then::Show, {}, true),
      Submitted::Done);
  EXPECT_EQ(commands, 2);
  EXPECT_EQ(host.redisplayed, std::vector<int>{4});
}

TEST_F(SubmitCommandLan, OnlyFtpCommandsAreSentAgainButEveryFailurePageIsARefusal) {
  ScriptedPeer peer(kLocal, 80, Redirect("fail.htm"));
  EXPECT_EQ(Submit("/nas.cgi?redirect=ftp.htm&type=ftps_user_enabled&FTP_AC_LIST=2", "ftp.htm", 4,
                   Then::Show, {}, true),
            Submitted::Refused);
  EXPECT_EQ(
      Submit("/nas.cgi?redirect=ftp.htm&type=ftps_user_add", "/ftp.htm", 4, Then::Show, {}, true),
      Submitted::Refused);  // the create's tag
  EXPECT_EQ(Submit("/nas.cgi?redirect=smb.htm&type=nas_apply", "smb.htm", 3, Then::Show, {}, true),
            Submitted::Refused);
  int commands = 0;
  for (const auto& r : peer.Requests()) commands += r.rfind("GET /nas.cgi", 0) == 0;
  EXPECT_EQ(commands, 3);
  EXPECT_TRUE(host.redisplayed.empty());
  EXPECT_EQ(fakes.messages->shown.size(), 3u);
}

TEST_F(SubmitCommandLan, MaintenanceCommandsEndAtOnce) {
  ScriptedPeer peer(kLocal, 80, Redirect("reboot.htm"));
  EXPECT_EQ(Submit("/man.cgi?redirect=reboot.htm&type=reboot", "maintain.htm", 2, Then::Restart),
            Submitted::Done);
  EXPECT_TRUE(host.redisplayed.empty());
}

// What the device did not do has nothing follow it, whatever the command
// would have led to: one message, as brevane-ctl says it, and the session
// and the console as they were.
TEST_F(SubmitCommandLan, WhatTheDeviceDidNotDoIsSaidOnceAndNothingFollows) {
  const std::string k401 =
      "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\n\r\n";
  const std::string k200 = "HTTP/1.0 200 OK\r\n\r\n<html></html>";
  const struct {
    const char* what;
    std::string reply;  // to the command; every other request gets its page
    const char* path;
    Then then;
    const char* said;
  } cases[] = {
      {"a new password after a 401", k401, "/man.cgi?redirect=sys_auth.htm&type=auth_apply",
       Then::UseNewPassword, "Login failed, please check your username and password"},
      {"a new password after the failure page", "fail.htm",
       "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply", Then::UseNewPassword,
       "The device refused the command."},
      {"a new address after a 200", k200, "/if.cgi?redirect=if_cfg.htm&type=wan_fixip_apply",
       Then::FollowAddress, "The device refused the command."},
      {"a new address after a 401", k401, "/if.cgi?redirect=if_cfg.htm&type=wan_fixip_apply",
       Then::FollowAddress, "Login failed, please check your username and password"},
      {"a scan after the failure page", "fail.htm",
       "/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply", Then::FindAgain,
       "The device refused the command."},
      {"the page shown again after a redirect to another page", "status.htm",
       "/nas.cgi?redirect=id.htm&type=cifs_config_apply", Then::Show,
       "The device refused the command."},
      {"the page shown again after a 200", k200, "/nas.cgi?redirect=id.htm&type=cifs_config_apply",
       Then::Show, "The device refused the command."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    core::Session() = {kLocal, "admin", "pw"};
    fakes.messages->shown.clear();
    host = {};
    const std::string reply = c.reply;
    ScriptedPeer peer(kLocal, 80, [reply](PeerConnection& conn) {
      const std::string request = conn.ReadRequest();
      if (request.empty()) return;
      if (request.find(".cgi?") == std::string::npos)
        conn.Send("HTTP/1.0 200 OK\r\n\r\n<html></html>");
      else if (reply.rfind("HTTP/", 0) == 0)
        conn.Send(reply);
      else
        conn.Send("HTTP/1.0 302 Found\r\nLocation: " + reply + "\r\n\r\n");
    });
    EXPECT_EQ(Submit(c.path, "id.htm", 0, c.then, "10.9.9.9"), Submitted::Refused);
    EXPECT_EQ(core::Session().UserPassword, "pw");
    EXPECT_EQ(core::Session().DeviceIp, kLocal);
    EXPECT_EQ(host.returned, 0);
    EXPECT_TRUE(host.redisplayed.empty());
    ASSERT_EQ(fakes.messages->shown.size(), 1u);
    EXPECT_EQ(fakes.messages->shown[0].text, c.said);
  }
}

}  // namespace
