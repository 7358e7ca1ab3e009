// The device's rules below the windows: what each console page shows of a
// status page, and what each action sends or why it refuses.

#include <gtest/gtest.h>

#include <exception>

#include "device/disk.h"
#include "device/drives.h"
#include "device/exchange.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/ip_config.h"
#include "device/maintenance.h"
#include "device/remote_name.h"
#include "device/status.h"
#include "device/text.h"
#include "net/http_reply.h"
#include "net/page_values.h"
#include "net/upload_client.h"

namespace {

using device::Command;
using device::Plan;

constexpr char kIp[] = "10.0.0.7";

std::string Page(std::initializer_list<std::pair<std::string, std::string>> variables) {
  std::string page = "<HTML><SCRIPT>\r\n";
  for (const auto& [name, value] : variables) page += "var " + name + "=\"" + value + "\";\r\n";
  return page + "</SCRIPT></HTML>\r\n";
}

std::string Nas(const std::string& redirect, const std::string& command) {
  return std::string("http://") + kIp + "/nas.cgi?redirect=" + redirect +
         "&failure=fail.htm&type=" + command;
}

// The URL a plan sends; the refusal's text when it refuses.
std::string Sent(const Plan& plan) {
  if (const auto* refused = device::Refused(plan)) return "refused: " + refused->message.text;
  return std::get<Command>(plan).url;
}
std::string Title(const Plan& plan) {
  return device::Refused(plan) ? device::Refused(plan)->message.title : "";
}

// --- Status ----------------------------------------------------------------

TEST(StatusRules, WhatThePageShows) {
  const auto view = device::ShowStatus(Page({{"host_name", "NAS"},
                                             {"sntp_auto", net::kOnMarker},
                                             {"sntp_timeserver", "1"},
                                             {"sntp_server", "ntp.example.org"},
                                             {"sntp_zone", "8"},
                                             {"disk_id", "WD<br>SN<BR>"},
                                             {"free_size", " 12 GB \t"},
                                             {"default_lang", "1"},
                                             {"lang_list", "English#Deutsch"}}));
  EXPECT_EQ(view.host, "NAS");
  EXPECT_TRUE(view.sntp_auto);
  EXPECT_FALSE(view.server_from_list);
  EXPECT_EQ(view.manual_server, "ntp.example.org");
  EXPECT_EQ(view.zone, 20);
  EXPECT_EQ(view.disk_id, " WDSN");
  EXPECT_EQ(view.free_size, "12 GB");
  EXPECT_EQ(view.languages, (std::vector<std::string>{"English", "Deutsch"}));
  EXPECT_EQ(view.language, 1);
  EXPECT_EQ(view.reached, device::StatusView::kAll);

  // A listed server is chosen by its place; an empty zone is the first.
  const auto listed = device::ShowStatus(
      Page({{"sntp_timeserver", "0"}, {"sntp_server", "asia.pool.ntp.org"}, {"sntp_zone", ""}}));
  EXPECT_TRUE(listed.server_from_list);
  EXPECT_EQ(listed.listed_server, 3);
  EXPECT_EQ(listed.manual_server, "");
  EXPECT_EQ(listed.zone, 0);
  EXPECT_EQ(device::ShowStatus(Page({{"sntp_zone", "13"}})).zone, std::nullopt);
  EXPECT_EQ(device::ShowStatus(Page({{"default_lang", "5"}})).language, std::nullopt);

  // A zone or language that is no number stops the reading there.
  const auto bad_zone = device::ShowStatus(Page({{"sntp_zone", "x"}, {"firm_ver", "2"}}));
  EXPECT_EQ(bad_zone.reached, device::StatusView::kTime);
  EXPECT_EQ(bad_zone.failure, "'x' is not a valid integer value");
  EXPECT_EQ(bad_zone.firmware, "");
  const auto bad_language = device::ShowStatus(Page({{"firm_ver", "2"}, {"default_lang", "one"}}));
  EXPECT_EQ(bad_language.reached, device::StatusView::kLanguage);
  EXPECT_EQ(bad_language.firmware, "2");
}

TEST(StatusRules, Identification) {
  EXPECT_EQ(Sent(device::SetIdentification(kIp, "", "G")), "refused: Value is empty");
  EXPECT_EQ(Title(device::SetIdentification(kIp, "", "G")), "Identification");
  EXPECT_EQ(Sent(device::SetIdentification(kIp, "1NAS", "G")),
            "refused: First character cannot be a number (0~9)");
  EXPECT_EQ(Sent(device::SetIdentification(kIp, "   ", "G")), "refused: Value is empty");
  // The first character outside the rule is named whole, even a UTF-8 one.
  EXPECT_EQ(Sent(device::SetIdentification(kIp, "NAS", "H\xC3\xA9me")),
            "refused: Invalid value \xC3\xA9Group Name H\xC3\xA9me");
  EXPECT_EQ(device::Refused(device::SetIdentification(kIp, "N.S", "G"))->field, 0);
  const Plan ok = device::SetIdentification(kIp, " NAS-1_= ", "HOME ");
  EXPECT_EQ(Sent(ok), std::string("http://") + kIp +
                          "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply"
                          "&enable=1&hostname=NAS-1_=&group_name=HOME");
  EXPECT_EQ(std::get<Command>(ok).page_tag, "id.htm");
  EXPECT_FALSE(std::get<Command>(ok).retried);
}

TEST(StatusRules, PasswordDateAndTimeDhcpAndLanguage) {
  EXPECT_EQ(Sent(device::SetAdministratorPassword(kIp, "", "")),
            "refused: Password cannot be empty!");
  EXPECT_EQ(Sent(device::SetAdministratorPassword(kIp, "a", "b")),
            "refused: New password entries do not match!");
  EXPECT_EQ(Sent(device::SetAdministratorPassword(kIp, "p w&", "p w&")),
            std::string("http://") + kIp +
                "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
                "&TF_password=p+w%26&TF_passwordl=p+w%26");

  const device::DateTime when{"2026", "12", "07", "10", "0&x", "5"};
  EXPECT_EQ(Sent(device::SetDateAndTime(kIp, when, false, false, "pool.ntp.org", "", 12)),
            "refused: Time server is empty");
  // Typed values keep their bytes, but cannot reshape the query.
  EXPECT_EQ(Sent(device::SetDateAndTime(kIp, when, true, false, "pool.ntp.org", "my ntp?", 0)),
            std::string("http://") + kIp +
                "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time="
                "&day0=2026&day1=12&day2=07&time0=10&time1=0%26x&time2=5&R_sntp=ENABLE"
                "&R_sntp_server=1&Sntp_ip=pool.ntp.org&sntp_input=my%20ntp%3F&sntp_timezone=-12");

  const Command dhcp = device::SetDhcpServer(kIp, true);
  EXPECT_NE(dhcp.url.find("type=dhcps_apply&R_dhcps=ENABLE&TF_wins=&TF_ippoolmin=2"),
            std::string::npos);
  EXPECT_TRUE(dhcp.retried);
  EXPECT_EQ(device::SetLanguage(kIp, 2).url, Nas("status.htm", "nas_lang_apply&lang=2"));
}

// --- IP Config -------------------------------------------------------------

TEST(IpConfigRules, ShownAndSet) {
  EXPECT_TRUE(device::ShowIpConfig(Page({{"ip_type", "DHCP CLIENT"}})).automatic);
  EXPECT_FALSE(device::ShowIpConfig(Page({{"ip_type", "dhcp client"}})).automatic);

  // Automatic: no address values, whatever the fields hold.
  EXPECT_EQ(Sent(device::SetAddress(kIp, {true, "bad", "", "", "", ""})),
            std::string("http://") + kIp +
                "/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply&ifname=");
  struct Case {
    device::AddressSettings settings;
    int field;  // -1: sent
  } cases[] = {{{false, "10.0.0.9", "255.255.255.0", "", "", ""}, -1},
               {{false, "10.0.0.256", "255.255.255.0", "", "", ""}, 0},
               {{false, "10.0.0.9", "", "", "", ""}, 1},
               {{false, "10.0.0.9", "255.0.0.0", "gw", "", ""}, 2},
               {{false, "10.0.0.9", "255.0.0.0", "", "", "1.2.3"}, 4}};
  for (const Case& c : cases) {
    const Plan plan = device::SetAddress(kIp, c.settings);
    if (c.field < 0) {
      EXPECT_EQ(Sent(plan), std::string("http://") + kIp +
                                "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply"
                                "&ip=10.0.0.9&submask=255.255.255.0&gateway=&pdns=&sdns=");
      EXPECT_EQ(std::get<Command>(plan).page_tag, "if_cgi.htm");
    } else {
      ASSERT_NE(device::Refused(plan), nullptr) << c.field;
      EXPECT_EQ(device::Refused(plan)->field, c.field);
      EXPECT_EQ(device::Refused(plan)->message.title, "IP Information");
    }
  }
  EXPECT_EQ(device::Refused(device::SetAddress(kIp, {false, "x", "", "", "", ""}))->message.text,
            "IP Address: \"x\" is not an address. Enter four numbers from 0 to 255 separated by "
            "dots.");
}

// --- Maintenance -----------------------------------------------------------

TEST(MaintenanceRules, AnUploadIsJudgedByWhatHappened) {
  using net::UploadError;
  using Outcome = device::UploadOutcome;
  struct Case {
    std::exception_ptr error;
    Outcome outcome;
    int status;
  };
  auto of = [](auto error) { return std::make_exception_ptr(error); };
  const Case cases[] = {
      {nullptr, Outcome::Answered, 0},
      // Taken: the redirect to the form's answer page, once the image was whole.
      {of(UploadError::Reply(302, "302 Found", "man_firm.htm")), Outcome::Accepted, 302},
      {of(UploadError::Reply(302, "302 Found", "http://10.0.0.7/man_firm.htm?x=1")),
       Outcome::Accepted, 302},
      {of(UploadError::Reply(302, "302 Found", "man_firm.htm", false)), Outcome::Failed, 302},
      // Refused: its failure page, another page or none, a refusing status.
      {of(UploadError::Reply(302, "302 Found", "/fail.htm")), Outcome::Refused, 302},
      {of(UploadError::Reply(302, "302 Found", "index.htm")), Outcome::Refused, 302},
      {of(UploadError::Reply(302, "302 Found")), Outcome::Refused, 302},
      {of(UploadError::Reply(403, "403 Forbidden", "", false)), Outcome::Refused, 403},
      {of(UploadError::Reply(500, "500 Flash write failed at block 302")), Outcome::Refused, 500},
      {of(UploadError::Reply(500, "500 Socket Error # 10053")), Outcome::Refused, 500},
      {of(UploadError::Reply(200, "200 OK", "man_firm.htm")), Outcome::Refused, 200},
      // A 401 is a failed login, before the image went out or after.
      {of(UploadError::Reply(401, "401 Unauthorized", "", false)), Outcome::LoginFailed, 401},
      {of(UploadError::Reply(401, "401 Unauthorized")), Outcome::LoginFailed, 401},
      // Too large: said so, or the connection ended without a word while
      // the image still went out; never an error number alone.
      {of(UploadError::Reply(413, "413 Payload Too Large", "", false)), Outcome::TooLarge, 413},
      {of(UploadError::Aborted()), Outcome::TooLarge, 0},
      {of(UploadError::Socket(10053)), Outcome::NoAnswer, 0},
      {of(UploadError::Socket(10054)), Outcome::NoAnswer, 0},
      {of(UploadError::FileChanged("/fw.bin")), Outcome::FileChanged, 0},
      // No reply at all, or bytes that are none: no answer, whatever digits they hold.
      {of(net::HttpError("302 but plain")), Outcome::NoAnswer, 0},
      {of(UploadError::Socket(10061)), Outcome::NoAnswer, 0},
      {of(UploadError::Socket(10060)), Outcome::NoAnswer, 0},
      {of(UploadError::Closed()), Outcome::NoAnswer, 0},
      {of(UploadError::Reply(0, "garbage")), Outcome::NoAnswer, 0},
      {of(std::runtime_error("out of memory")), Outcome::Failed, 0},
  };
  for (const Case& c : cases) {
    const device::UploadVerdict v = device::JudgeUpload(c.error);
    EXPECT_EQ(v.outcome, c.outcome) << &c - cases;
    EXPECT_EQ(v.status, c.status) << &c - cases;
  }
  const auto failure = device::JudgeUpload(of(UploadError::Reply(302, "302 Found", "/fail.htm")));
  EXPECT_TRUE(failure.failure_page);
  EXPECT_EQ(failure.location, "/fail.htm");
  EXPECT_FALSE(
      device::JudgeUpload(of(UploadError::Reply(302, "302 Found", "index.htm"))).failure_page);
  EXPECT_EQ(device::JudgeUpload(of(UploadError::Reply(403, "403 Forbidden"))).said,
            "403 Forbidden");
  // No answer says how the upload ended, not the system's number for it.
  EXPECT_EQ(device::JudgeUpload(of(UploadError::Socket(10060))).said, "it was silent");
  for (const auto& ended :
       {of(UploadError::Socket(10053)), of(UploadError::Socket(10054)), of(UploadError::Closed())})
    EXPECT_EQ(device::JudgeUpload(ended).said, "it ended the connection without a reply");

  // The window's words stay those it always had.
  EXPECT_EQ(device::UploadFailure(Outcome::TooLarge, "/fw.bin").text, "Kernel Size is too large.");
  for (const Outcome o :
       {Outcome::Refused, Outcome::LoginFailed, Outcome::NoAnswer, Outcome::Failed})
    EXPECT_EQ(device::UploadFailure(o, "/fw.bin").text, "Upload fail!");
  EXPECT_EQ(device::UploadFailure(Outcome::FileChanged, "/fw.bin").text,
            "Upload fail!\nThe firmware file changed while it was sent:\n/fw.bin");

  const auto reset = device::FactoryReset(kIp);
  ASSERT_EQ(reset.size(), 2u);
  EXPECT_NE(reset[0].url.find("type=default_setting"), std::string::npos);
  EXPECT_EQ(reset[1], device::Restart(kIp));
  EXPECT_EQ(device::Restart(kIp).page_tag, "maintain.htm");
}

// A device answering each command with the next of its scripted replies:
// a redirect's target, "401", or nothing at all.
class ScriptedClient : public net::CommandClient {
 public:
  explicit ScriptedClient(std::vector<std::string> replies) : replies_(std::move(replies)) {}
  void Get(const std::string& url) override {
    sent.push_back(
        (url.find("default_setting") != std::string::npos ? "reset as " : "restart as ") + UserId +
        ":" + Password);
    const std::string reply = next_ < replies_.size() ? replies_[next_++] : "";
    RequestSent = true;
    FirstStatus = reply.empty() ? 0 : reply == "401" ? 401 : 302;
    FirstLocation = FirstStatus == 302 ? reply : "";
    if (reply.empty()) throw net::HttpError("closed");
  }
  void Connect() override { IsConnected = true; }
  void Disconnect() override { IsConnected = false; }
  std::vector<std::string> sent;

 private:
  std::vector<std::string> replies_;
  std::size_t next_ = 0;
};

// The factory reset, as the console and brevane-ctl carry it out: the
// restart follows only a reset the device did, and goes again with the
// factory login when the reset device asks for it.
TEST(MaintenanceRules, AFactoryResetRestartsOnlyADeviceThatDidIt) {
  using device::Outcome;
  struct Case {
    std::vector<std::string> replies;  // the device's, one a command in turn
    Outcome outcome;
    std::vector<std::string> sent;
  };
  const std::string reset = "reset as owner:pw", as_owner = "restart as owner:pw",
                    as_factory = "restart as admin:";
  const Case cases[] = {
      {{"reboot.htm", "reboot.htm"}, Outcome::Done, {reset, as_owner}},
      {{"reboot.htm", "401", "reboot.htm"}, Outcome::Done, {reset, as_owner, as_factory}},
      {{"reboot.htm", "401", "401"}, Outcome::LoginFailed, {reset, as_owner, as_factory}},
      {{"reboot.htm", ""}, Outcome::NoAnswer, {reset, as_owner}},
      {{"fail.htm"}, Outcome::Refused, {reset}},
      {{"401"}, Outcome::LoginFailed, {reset}},
      {{""}, Outcome::NoAnswer, {reset}},
  };
  for (const Case& c : cases) {
    device::Session session(device::Trusted::Chosen(kIp), "owner", "pw");
    ScriptedClient client(c.replies);
    const device::FactoryResetSubmissions sent = device::ResetToFactory(client, session);
    EXPECT_EQ(sent.outcome(), c.outcome) << &c - cases;
    EXPECT_EQ(client.sent, c.sent) << &c - cases;
    EXPECT_EQ(sent.restart.has_value(), c.sent.size() > 1) << &c - cases;
    // The session holds the login the device took last.
    EXPECT_EQ(session.password(), c.sent.back() == as_factory ? "" : "pw") << &c - cases;
  }
}

// --- Limits on what is typed, and the device's own values ------------------

// Every limit refuses what the person typed before anything is sent; a value
// the device gave, left as it was, goes back exactly as it came.
TEST(TypedRules, LimitsApplyToTypedValuesAndDeviceValuesGoBackWhole) {
  using device::Entry;
  const std::string long15 = "ABCDEFGHIJKLMNOP";  // 16
  const std::string long12 = "abcdefghijklm";     // 13
  const Entry kept(long15, false), typed(long15);
  const device::DateTime device_clock{{"2025", false}, {"2", false},  {"29", false},
                                      {"25", false},   {"61", false}, {"99", false}};
  device::DateTime february = device_clock;
  february.year = Entry("2024");
  february.month = Entry("2");
  device::DateTime bad_hour = february;
  bad_hour.hour = Entry("25");
  struct Case {
    const char* what;
    Plan plan;
    const char* starts;  // the refusal, or a piece of the URL sent
  } cases[] = {
      {"host kept", device::SetIdentification(kIp, kept, "G"), "hostname=ABCDEFGHIJKLMNOP&"},
      {"host typed", device::SetIdentification(kIp, typed, "G"),
       "refused: Host Name: Over Maximum (15 characters)."},
      {"group kept with digit", device::SetIdentification(kIp, "N", Entry("1 G!", false)),
       "group_name=1 G!"},
      {"password 13", device::SetAdministratorPassword(kIp, long12, long12),
       "refused: Over Maximum (12 characters)."},
      {"clock kept", device::SetDateAndTime(kIp, device_clock, false, true, "", "", 12),
       "day0=2025&day1=2&day2=29&time0=25&time1=61&time2=99"},
      {"february typed", device::SetDateAndTime(kIp, february, false, true, "", "", 12),
       "day0=2024&day1=2&day2=29&"},
      {"hour typed", device::SetDateAndTime(kIp, bad_hour, false, true, "", "", 12),
       "refused: Hour: \"25\" is not part"},
      {"day no longer fits",
       [] {
         device::DateTime when{{"2025"}, {"4"}, {"31", false}, {"1"}, {"2"}, {"3"}};
         return device::SetDateAndTime(kIp, when, false, true, "", "", 12);
       }(),
       "refused: Day: \"31\""},
      {"server typed",
       device::SetDateAndTime(kIp, device_clock, true, false, "", std::string(65, 's'), 12),
       "refused: Time Server: Over Maximum (64 characters)."},
      {"port kept", device::SetFtpService(kIp, 0, Entry("80", false)), "ftps_port=80"},
      {"port typed", device::SetFtpService(kIp, 0, Entry("80")), "refused: Invalid port number"},
      {"account password kept", device::SetAccount(kIp, "amy", Entry(long12 + "x", false), false),
       "Account_passwd=abcdefghijklmx&"},
      {"account password typed", device::SetAccount(kIp, "amy", Entry(long12), false),
       "refused: Over Maximum (12 characters)."},
      {"folder taken but for case",
       device::CreateFolder(kIp, device::NameDialog::CreateFolder, "Docs", {"music", "docs"}),
       "refused: This name is taken (letter case aside): docs"},
      {"rename to own case",
       device::RenameFolder(kIp, device::NameDialog::RenameFolder, "docs", "Docs",
                            {"music", "docs"}),
       "fm_rename_apply&folder=Docs&to_name=docs"},
  };
  for (const Case& c : cases) {
    const std::string sent = Sent(c.plan);
    if (std::string(c.starts).rfind("refused", 0) == 0)
      EXPECT_EQ(sent.rfind(c.starts, 0), 0u) << c.what << ": " << sent;
    else
      EXPECT_NE(sent.find(c.starts), std::string::npos) << c.what << ": " << sent;
  }
}

TEST(IpConfigRules, AnAddressTheDeviceCouldNotBeReachedAtIsRefused) {
  auto set = [](const char* ip, const char* mask, const char* gateway = "") {
    device::AddressSettings s;
    s.ip = ip;
    s.mask = mask;
    s.gateway = gateway;
    const Plan plan = device::SetAddress(kIp, s);
    return device::Refused(plan) ? device::Refused(plan)->field : -1;
  };
  // The field refused: 0 the address, 1 the mask, 2 the gateway; -1 none.
  EXPECT_EQ(set("192.168.1.20", "255.255.255.0", "192.168.1.1"), -1);
  EXPECT_EQ(set("10.1.2.3", "255.0.0.0"), -1);
  for (const char* ip : {"0.0.0.0", "255.255.255.255", "127.0.0.1", "224.0.0.1", "240.0.0.1",
                         "192.168.1.0", "192.168.1.255"})
    EXPECT_EQ(set(ip, "255.255.255.0"), 0) << ip;
  for (const char* mask : {"255.0.255.0", "0.0.0.0", "255.255.255.1"})
    EXPECT_EQ(set("192.168.1.20", mask), 1) << mask;
  EXPECT_EQ(set("192.168.1.20", "255.255.255.0", "192.168.2.1"), 2);
  EXPECT_EQ(set("192.168.1.20", "255.255.255.0", "192.168.1.255"), 2);
}

// A command is done only when the device redirected to its answer page.
TEST(Exchange, EveryReplyIsJudged) {
  using device::Outcome;
  const std::string url = Nas("smb.htm", "fm_mkdir_apply&folder=x");
  auto judge = [&](bool sent, int status, const std::string& location) {
    device::Delivery d;
    d.sent = sent;
    d.status = status;
    d.location = location;
    return device::Judge(url, d);
  };
  EXPECT_EQ(judge(true, 302, "smb.htm"), Outcome::Done);
  EXPECT_EQ(judge(true, 302, "/smb.htm"), Outcome::Done);
  EXPECT_EQ(judge(true, 302, "fail.htm"), Outcome::Refused);
  EXPECT_EQ(judge(true, 302, "login.htm"), Outcome::Refused);
  EXPECT_EQ(judge(true, 200, ""), Outcome::Refused);
  EXPECT_EQ(judge(true, 403, ""), Outcome::Refused);
  EXPECT_EQ(judge(true, 500, ""), Outcome::Refused);
  EXPECT_EQ(judge(true, 401, ""), Outcome::LoginFailed);
  EXPECT_EQ(judge(true, 0, ""), Outcome::NoAnswer);
  EXPECT_EQ(judge(false, 0, ""), Outcome::NoAnswer);
}

// --- File Server and the folder dialogs ----------------------------------

TEST(FolderRules, ListsMovesAndDelete) {
  const auto view = device::ShowFileServer(
      Page({{"share_list", "<option value=\"a\">a</option>"},
            {"allow_share", "<option value=\"P\">P</option><option value=\"Q\">Q</option>"}}));
  EXPECT_EQ(view.folders, std::vector<std::string>{"a"});
  EXPECT_EQ(view.shared, (std::vector<std::string>{"P", "Q"}));

  const std::string chinese12 =  // 12 characters in 36 bytes: short enough
      "\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87"
      "\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87";
  // A folder of the device's list moves at any length; one not in it never.
  const std::vector<std::string> listed = {chinese12, "abcdefghijklm", "a very long name"};
  EXPECT_EQ(Sent(device::ShareFolder(kIp, chinese12, listed)).find("refused"), std::string::npos);
  EXPECT_EQ(Sent(device::ShareFolder(kIp, "abcdefghijklm", listed)),
            Nas("smb.htm", "nas_apply&share_list=abcdefghijklm&add=New"));
  EXPECT_EQ(Sent(device::ShareFolder(kIp, "nosuch", listed)),
            "refused: Please choose an entry from the list.");
  EXPECT_EQ(Sent(device::ShareFolder(kIp, "", listed)),
            "refused: The folder has no name: nothing was sent.");
  EXPECT_EQ(Sent(device::UnshareFolder(kIp, "a very long name", listed)),
            Nas("smb.htm", "nas_apply&allow_share=a+very+long+name&del=Remove"));
  EXPECT_EQ(Sent(device::DeleteFolder(kIp, "m&m")),
            Nas("smb.htm", "fm_rmdir_apply&folder=m%26m&to_name="));
  EXPECT_TRUE(std::get<Command>(device::DeleteFolder(kIp, "m")).retried);
}

TEST(FolderRules, TheNameRuleOfEachDialog) {
  using device::NameDialog;
  struct Case {
    NameDialog dialog;
    const char* typed;
    const char* sent;  // or the refusal
    const char* title;
  } cases[] = {
      {NameDialog::CreateFolder, "   ", "refused: Value is empty", "File Server"},
      {NameDialog::CreateFolder, "abcdefghijklm", "refused: Over Maximum (12 characters).",
       "File Server"},
      {NameDialog::CreateFolder, "a.b",
       "refused: Only alpha-numberic characters accepted (a-z, 0-9).", "File Server"},
      {NameDialog::CreateFolder, " A-b_c=1 ",
       "smb.htm|fm_mkdir_apply&folder=A%2Db%5Fc%3D1&to_name=", ""},
      {NameDialog::CreateAccount, "bob", "ftp.htm|ftps_user_add&Account=bob&ftp_att=R", ""},
      {NameDialog::CreateAccount, "b b",
       "refused: Only alpha-numberic characters accepted (a-z, 0-9).", "FTP Server"},
      {NameDialog::CreateAccountFolder, "x y",
       "refused: Only alpha-numberic characters accepted (a-z, 0-9).",
       "Modify FTP Account Folder List"},
  };
  for (const Case& c : cases) {
    const Plan plan = device::CreateFolder(kIp, c.dialog, c.typed);
    const std::string sent = c.sent;
    if (sent.rfind("refused", 0) == 0) {
      EXPECT_EQ(Sent(plan), sent) << c.typed;
      EXPECT_EQ(Title(plan), c.title) << c.typed;
    } else {
      EXPECT_EQ(Sent(plan), Nas(sent.substr(0, sent.find('|')), sent.substr(sent.find('|') + 1)));
    }
  }
  // A rename: the new name first; the SMB dialog refuses a character in
  // words of its own, and only the account's dialog an unchanged name.
  EXPECT_EQ(Sent(device::RenameFolder(kIp, NameDialog::RenameFolder, "old", "new")),
            Nas("smb.htm", "fm_rename_apply&folder=new&to_name=old"));
  EXPECT_EQ(Title(device::RenameFolder(kIp, NameDialog::RenameFolder, "old", "n w")),
            "SMB 伺服器\"");
  EXPECT_EQ(
      Sent(device::RenameFolder(kIp, NameDialog::RenameFolder, "same", "same")).find("refused"),
      std::string::npos);
  EXPECT_EQ(Sent(device::RenameFolder(kIp, NameDialog::RenameAccountFolder, "same", "same")),
            "refused: New name entries do not match!");
  const Plan on_account = device::RenameFolder(kIp, NameDialog::RenameAccountFolder, "a", "b");
  EXPECT_EQ(std::get<Command>(on_account).page_tag, "ftp_mod.htm");
  EXPECT_EQ(Sent(device::RenameFolder(kIp, NameDialog::RenameFolder, "", "b")),
            "refused: The folder has no name: nothing was sent.");
  // Refusals of what is to be typed again say so; an empty name does not.
  EXPECT_TRUE(device::Refused(device::CreateFolder(kIp, NameDialog::CreateFolder, "a.b"))->clear);
  EXPECT_FALSE(device::Refused(device::CreateFolder(kIp, NameDialog::CreateFolder, ""))->clear);
}

TEST(FolderRules, SharePassword) {
  EXPECT_EQ(Sent(device::SetFolderPassword(kIp, "", "a", "a")),
            "refused: The folder has no name: nothing was sent.");
  EXPECT_EQ(Sent(device::SetFolderPassword(kIp, "P", "abcdefghijklm", "abcdefghijklm")),
            "refused: Over Maximum (12 characters).");
  EXPECT_EQ(Sent(device::SetFolderPassword(kIp, "P", "one", "two")),
            "refused: New password entries do not match!");
  EXPECT_EQ(Sent(device::SetFolderPassword(kIp, "P", " my pw ", "my pw")),
            Nas("smb.htm", "nas_mod&folder=P&password1=my+pw&password2=my+pw"));
  // Both empty: the folder is open to all again.
  EXPECT_EQ(Sent(device::SetFolderPassword(kIp, "P", "", "")),
            Nas("smb.htm", "nas_mod&folder=P&password1=&password2="));
}

// --- FTP -------------------------------------------------------------------

TEST(FtpRules, TheServerPage) {
  const auto view = device::ShowFtpServer(
      Page({{"ftps_status", "ENABLE"},
            {"ftp_a_att", "checked"},
            {"ftps_dir_list", "<option value=\"P\">x<option value=\"m\">x<option value=\"P\">x"},
            {"ftps_home_def", "P"}}));
  EXPECT_TRUE(view.enabled);
  EXPECT_TRUE(view.anonymous_read_only);
  EXPECT_EQ(view.home, 2);  // the last folder of that name
  EXPECT_EQ(device::ShowFtpServer(Page({})).home, std::nullopt);

  EXPECT_EQ(Sent(device::SetFtpService(kIp, 0, "021")),
            Nas("ftp.htm", "ftps_state_apply&ftps_set=ENABLE&ftps_port=021"));
  for (const char* port : {"1024", "65501", "0"})
    EXPECT_EQ(Sent(device::SetFtpService(kIp, 1, port)), "refused: Invalid port number") << port;
  EXPECT_EQ(Sent(device::SetFtpService(kIp, 1, "1025")),
            Nas("ftp.htm", "ftps_state_apply&ftps_set=DISABLE&ftps_port=1025"));
  EXPECT_EQ(Sent(device::SetFtpService(kIp, -1, "21")),
            "refused: Please choose an entry from the list.");
  EXPECT_THROW(device::SetFtpService(kIp, 0, "2 1"), device::ConversionError);
  EXPECT_EQ(Sent(device::SetAnonymousAccess(kIp, true, false, "my docs")),
            Nas("ftp.htm",
                "ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RW&home=my%20docs"
                "&anony_Apply=Apply"));
  EXPECT_EQ(Sent(device::SetAnonymousAccess(kIp, true, false, std::nullopt)),
            "refused: Please choose an entry from the list.");

  EXPECT_EQ(device::PrepareNewAccount(kIp).page_tag, "/ftp.htm");
  EXPECT_EQ(Sent(device::SelectAccount(kIp, "7")),
            Nas("ftp_mod.htm", "ftps_userid_set&ftps_user_id=7"));
  EXPECT_EQ(Sent(device::SelectAccount(kIp, "")),
            "refused: The account has no name: nothing was sent.");
  EXPECT_EQ(device::ToggleAccount(kIp, 2).url, Nas("ftp.htm", "ftps_user_enabled&FTP_AC_LIST=2"));
  EXPECT_EQ(Sent(device::DeleteAccount(kIp, "9")), Nas("ftp.htm", "ftps_user_del&FTP_AC_LIST=9"));
}

TEST(FtpRules, AnAccountsPage) {
  const auto view = device::ShowFtpAccount(Page(
      {{"ftps_account", "amy"},
       {"ftps_att", "checked"},
       {"ftps_share_list", "<option value=\"1\">Alpha </option><option value=\"2\">b</option>"}}));
  EXPECT_EQ(view.account, "amy");
  EXPECT_TRUE(view.read_only);
  EXPECT_EQ(view.account_folders, (std::vector<std::string>{"Alpha", "b"}));

  EXPECT_EQ(Sent(device::SetAccount(kIp, "amy", "", false)),
            Nas("ftp_mod.htm", "ftps_user_add&Account=amy&Account_passwd=&ftp_att=W"));
  EXPECT_EQ(Sent(device::SetAccount(kIp, "amy", "abcdefghijklm", true)),
            "refused: Over Maximum (12 characters).");
  EXPECT_EQ(Sent(device::SetAccount(kIp, "", "pw", true)),
            "refused: The account has no name: nothing was sent.");
  EXPECT_EQ(Sent(device::GiveFolder(kIp, "amy", "nosuch", {"music"})),
            "refused: Please choose an entry from the list.");
  EXPECT_EQ(Sent(device::GiveFolder(kIp, "amy", "music", {"music"})),
            Nas("ftp_mod.htm", "ftps_add_share&account=amy&account_List=music&op_add=Add"));
  EXPECT_EQ(
      Sent(device::TakeFolder(kIp, "amy", "abcdefghijklm")),
      Nas("ftp_mod.htm", "ftps_del_share&account=amy&account_List=abcdefghijklm&op_del=Delete"));
  // Deleted from the account's page with the File Server's command.
  const Plan deleted = device::DeleteAccountFolder(kIp, "m");
  EXPECT_EQ(Sent(deleted), Nas("smb.htm", "fm_rmdir_apply&folder=m&to_name="));
  EXPECT_EQ(std::get<Command>(deleted).page_tag, "ftp_mod.htm");
}

// --- Disk Utility ----------------------------------------------------------

TEST(DiskRules, ShownAndSet) {
  // The device's idle line runs on past its own end.
  std::string page = "<HTML>var disk_idle_value=\"30\";\nvar disk_scan=\"a\nb\n\";\r\n";
  EXPECT_EQ(device::ShowDisk(page).sleep_minutes, "30");
  EXPECT_TRUE(device::ShowDisk(page).clear_messages);
  EXPECT_EQ(device::ShowDisk(Page({{"disk_idle_value", "30"}})).sleep_minutes, "0");
  EXPECT_FALSE(device::ShowDisk(Page({{"disk_fix_enable", "DISABLE"}})).clear_messages);
  EXPECT_EQ(device::ScanMessagesOf(Page({{"disk_scan", "a\nb\n"}})), "a\nb");

  for (const char* minutes : {"0", "5", "60"})
    EXPECT_EQ(Sent(device::SetSleepTime(kIp, minutes)),
              Nas("sto.htm", std::string("ide_set&idle=") + minutes));
  for (const char* minutes : {"4", "61"})
    EXPECT_EQ(Sent(device::SetSleepTime(kIp, minutes)), "refused: Invalid Sleep Time");
  EXPECT_THROW(device::SetSleepTime(kIp, "x"), device::ConversionError);
  // The format names its own answer page but goes with the others' tag.
  EXPECT_EQ(device::Format(kIp).url, Nas("sto_ok.htm", "IDE_init"));
  EXPECT_EQ(device::Format(kIp).page_tag, "sto.htm");
  EXPECT_EQ(device::StartScan(kIp).url, Nas("sto.htm", "ide_scandisk_start"));
}

// --- Drives that follow their device ----------------------------------------

TEST(DriveRules, ADriveIsOfferedOnlyItsOneDeviceOnItsOwnNetworksFromASilentAddress) {
  using device::DriveMove;
  const std::vector<device::Network> own = {{"192.168.1.2", "255.255.255.0"},
                                            {"10.0.0.2", "255.255.255.0"}};
  auto answer = [](const std::string& ip, const std::string& name, const std::string& group) {
    return net::DeviceRecord{ip, name, group, "1.0"};
  };
  auto follow =
      [&](const std::vector<net::DeviceRecord>& answers,
          const device::DriveOfDevice& drive = {"Z:", "10.0.0.5", "PUBLIC", "MEDIA", "HOME"}) {
        return device::FollowDevices({drive}, answers, own);
      };
  const DriveMove to_9{"Z:", "10.0.0.5", "10.0.0.9", "PUBLIC", "MEDIA", "HOME"};
  // Its device answers elsewhere on one of the workstation's networks (the
  // second one here), nothing at its address: it may move.
  EXPECT_EQ(
      follow({answer("10.0.0.9", "MEDIA", "HOME"), answer("10.0.0.7", "OTHER", "HOME")}).moves,
      std::vector<DriveMove>{to_9});
  // It stays: its address answers (whoever answers), its device is not
  // found (other group, other name), its device is not known, or the new
  // address is on no network of the workstation's.
  for (const auto& answers : std::vector<std::vector<net::DeviceRecord>>{
           {answer("10.0.0.9", "MEDIA", "HOME"), answer("10.0.0.5", "X", "Y")},
           {answer("10.0.0.9", "MEDIA", "WORK")},
           {answer("10.0.0.9", "media", "HOME")},
           {answer("10.0.1.9", "MEDIA", "HOME")},
           {answer("172.16.0.9", "MEDIA", "HOME")}})
    EXPECT_TRUE(follow(answers).moves.empty()) << answers[0].Ip;
  EXPECT_TRUE(follow({answer("10.0.0.9", "", "")}, {"Z:", "10.0.0.5", "x", "", ""}).moves.empty());
  // Two devices with its name and group: it stays, and that is said.
  const auto two =
      follow({answer("10.0.0.9", "MEDIA", "HOME"), answer("10.0.0.8", "MEDIA", "HOME")});
  EXPECT_TRUE(two.moves.empty());
  ASSERT_EQ(two.ambiguous.size(), 1u);
  EXPECT_EQ(device::SayAmbiguous(two.ambiguous),
            "These drives keep their address: more than one device answered with the name and "
            "group of theirs:\nZ:  MEDIA / HOME");

  // Only a drive whose address no longer takes a connection is offered;
  // each address is probed once.
  const DriveMove y{"Y:", "10.0.0.6", "10.0.0.9", "x", "MEDIA", "HOME"};
  const DriveMove x{"X:", "10.0.0.5", "10.0.0.9", "y", "MEDIA", "HOME"};
  std::vector<std::string> probed;
  const auto gone = device::FromSilentAddresses({to_9, y, x}, [&](const std::string& address) {
    probed.push_back(address);
    return address == "10.0.0.6";
  });
  EXPECT_EQ(gone, (std::vector<DriveMove>{to_9, x}));
  EXPECT_EQ(probed, (std::vector<std::string>{"10.0.0.5", "10.0.0.6"}));

  // The question names each drive, its folder, device and both addresses.
  EXPECT_EQ(device::AskToMove({to_9}),
            "The device of these drives seems to answer at another address now, and nothing "
            "answers at theirs:\nZ:  PUBLIC  (MEDIA / HOME)  10.0.0.5 \u2192 10.0.0.9\n\n"
            "Anything on the network can answer with a device's name. Move these drives, with "
            "their saved passwords, only if the new address is your device's. Move them?");
  EXPECT_EQ(device::SayNotMoved({{x, 86}}),
            "These drives could not follow their device to its new address:\nX:  10.0.0.5 \u2192 "
            "10.0.0.9: Its password was not kept: connect it again in the drive dialog.");
  EXPECT_EQ(device::RemoteAddress("\\\\10.0.0.5\\PUBLIC"), "10.0.0.5");
  EXPECT_EQ(device::RemoteFolder("\\\\10.0.0.5\\PUBLIC"), "PUBLIC");
  EXPECT_EQ(device::RemoteAddress("10.0.0.5\\PUBLIC"), "");
}

// A drive's note holds one field a line: a folder name with a line break
// could write an address of its own into it, so it is no drive's folder,
// and only an address as this program writes one is taken back.
TEST(DriveNotes, AFolderNameCannotWriteLinesOfItsOwn) {
  const std::pair<std::string, bool> remotes[] = {
      {"\\\\10.0.0.2\\PUBLIC", true},
      {"\\\\10.0.0.2\\x\nFAKE\nGRP\nuser\n10.77.0.66", false},
      {"\\\\10.0.0.2\\x\r", false},
      {std::string("\\\\10.0.0.2\\x\0y", 14), false},
  };
  for (const auto& [remote, drive] : remotes)
    EXPECT_EQ(device::SplitRemoteName(remote).has_value(), drive) << remote;
  const std::pair<const char*, bool> addresses[] = {
      {"10.77.0.66", true}, {"0.0.0.0", true},   {"256.1.1.1", false}, {"10.0.0", false},
      {"10.0.0.1.", false}, {"01.2.3.4", false}, {"1.2.3.4\n", false}, {"", false},
  };
  for (const auto& [address, taken] : addresses)
    EXPECT_EQ(device::DottedQuad(address), taken) << address;
}

}  // namespace
