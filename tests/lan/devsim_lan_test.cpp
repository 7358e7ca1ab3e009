// The simulated device on the wire: requests sent exactly as the program
// sends them, the device's state read back through its control socket.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "lan_support.h"
#include "net/auth_get.h"
#include "net/command_client.h"
#include "net/discovery.h"
#include "net/http_data_stream.h"
#include "net/page_values.h"
#include "net/tcp.h"
#include "net/udp_socket.h"
#include "net/upload_client.h"
#include "net/url.h"
#include "sim/http_server.h"

namespace {

using lan::SimDevice;
using lan::ThisLan;
using Clock = std::chrono::steady_clock;

// Sends raw bytes to port 80 and returns everything until the device closes.
std::string Raw(const std::string& ip, const std::string& request) {
  net::TcpStream stream = net::TcpStream::Connect(ip, 80, 3000);
  stream.SendAll(request, 3000);
  std::string reply;
  char buffer[65536];
  try {
    for (std::size_t n; (n = stream.Receive(buffer, sizeof buffer, 3000)) > 0;)
      reply.append(buffer, n);
  } catch (const std::exception&) {
  }
  return reply;
}

class DevsimLan : public ::testing::Test {
 protected:
  DevsimLan()
      : host_(ThisLan().devices.at(0)),
        device_(host_, {"--name", "NAS1", "--group", "HOME", "--firmware", "2.0", "--password",
                        "pw", "--shared-folder", "PUBLIC", "--folder", "music", "--restart-seconds",
                        "1", "--firmware-limit", "1000000"}) {
    client_.UserId = "admin";
    client_.Password = "pw";
    client_.TimeOut = 3000;
  }

  const std::string& ip() const { return host_.ip; }
  std::string Get(const std::string& key) { return device_.Control("get " + key); }

  // Sends one command as SubmitCommand does; returns the page it ended on.
  std::string Command(const std::string& cgi_and_query) {
    client_.Get("http://" + ip() + "/" + cgi_and_query);
    const auto at = client_.Header.find("Content-Location: /");
    return at == std::string::npos
               ? ""
               : client_.Header.substr(at + 19, client_.Header.find("\r\n", at) - at - 19);
  }

  std::string Page() { return net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").BodyText; }

  lan::Host host_;
  SimDevice device_;
  net::CommandClient client_;
};

TEST_F(DevsimLan, StatusPageBehindBasicAuthenticationOneRequestPerConnection) {
  const auto start = Clock::now();
  const auto page = net::AuthGet(ip(), "admin", "pw", "/utility_use.htm");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));  // closed despite keep-alive
  EXPECT_EQ(page.Status, 200);
  EXPECT_EQ(net::PageValue(page.BodyText, "host_name=\""), "NAS1");
  EXPECT_EQ(net::PageValue(page.BodyText, "firm_ver=\""), "2.0");
  EXPECT_EQ(net::PageValue(page.BodyText, "ip=\""), ip());
  EXPECT_EQ(net::OptionValues(net::PageValue(page.BodyText, "allow_share=\"")),
            std::vector<std::string>{"PUBLIC"});
  EXPECT_EQ(net::OptionValues(net::PageValue(page.BodyText, "share_list=\"")),
            std::vector<std::string>{"music"});
  EXPECT_EQ(net::HashListEntries(net::PageValue(page.BodyText, "lang_list=\"")).size(), 4u);

  // The password is what counts; the user name may be left out.
  EXPECT_EQ(net::AuthGet(ip(), "", "pw", "/utility_use.htm").Status, 200);
  EXPECT_EQ(net::AuthGet(ip(), "", "", "/utility_use.htm").Status, 401);
  EXPECT_EQ(net::AuthGet(ip(), "guest", "pw", "/utility_use.htm").Status, 401);
  const auto refused = net::AuthGet(ip(), "admin", "wrong", "/utility_use.htm");
  EXPECT_EQ(refused.Status, 401);
  EXPECT_FALSE(refused.BodyText.empty());

  const std::string http10 = Raw(ip(), "GET /utility_use.htm HTTP/1.0\r\nAuthorization: Basic " +
                                           std::string("YWRtaW46cHc=") + "\r\n\r\n");
  EXPECT_EQ(http10.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
  EXPECT_EQ(device_.Control("http-requests /utility_use.htm"), "6");
}

TEST_F(DevsimLan, IdentificationAndDiscoveryFollowTheState) {
  EXPECT_EQ(Command("nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                    "&hostname=BOX-2&group_name=LAB"),
            "id.htm");
  EXPECT_EQ(Get("host_name"), "BOX-2");
  EXPECT_EQ(Get("group_name"), "LAB");
  EXPECT_EQ(Command("nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                    "&hostname=bad.name&group_name=LAB"),
            "fail.htm");
  EXPECT_EQ(Get("host_name"), "BOX-2");

  net::UdpSocket socket(0, 0);
  socket.SendTo(ip(), net::kDiscoveryPort, net::BuildDiscoveryRequest());
  const auto reply = socket.Receive(2000);
  ASSERT_TRUE(reply);
  const auto record = net::ParseDiscoveryReply(reply->bytes, reply->sender_ip);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->DeviceName, "BOX-2");
  EXPECT_EQ(record->GroupName, "LAB");
  EXPECT_EQ(record->FirmwareVersion, "2.0");
}

TEST_F(DevsimLan, AdministratorPasswordTimeLanguageAndDhcpServer) {
  EXPECT_EQ(Command("man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time="
                    "&day0=2030&day1=1&day2=2&time0=3&time1=4&time2=5&R_sntp=DISABLE"
                    "&R_sntp_server=1&Sntp_ip=pool.ntp.org&sntp_input=time.lan&sntp_timezone=8"),
            "sys_sntp.htm");
  EXPECT_EQ(Get("sntp_day0"), "2030");
  EXPECT_EQ(Get("sntp_zone"), "8");
  EXPECT_EQ(Get("sntp_timeserver"), "1");
  EXPECT_EQ(Get("sntp_server"), "time.lan");
  EXPECT_EQ(Command("man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time="
                    "&day0=&day1=1&day2=2&time0=3&time1=4&time2=5&R_sntp=DISABLE"
                    "&R_sntp_server=0&Sntp_ip=a&sntp_input=&sntp_timezone=-13"),
            "fail.htm");

  EXPECT_EQ(Command("nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=2"),
            "status.htm");
  EXPECT_EQ(Get("default_lang"), "2");
  EXPECT_EQ(Command("dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps="
                    "ENABLE&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1"
                    "&TF_lease_hr=0&TF_lease_min=0"),
            "status.htm");
  EXPECT_EQ(Get("dhcps_option"), "\xE5\xB7\xB2\xE6\xA0\xB8\xE5\x8F\x96\"");

  EXPECT_EQ(Command("man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
                    "&TF_password=new+pw&TF_passwordl=new+pw"),
            "");  // the answer page now wants the new password
  EXPECT_EQ(client_.StatusCode, 401);
  EXPECT_EQ(Get("password"), "new pw");
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 401);
  EXPECT_EQ(net::AuthGet(ip(), "admin", "new pw", "/utility_use.htm").Status, 200);
}

TEST_F(DevsimLan, FileServerFolders) {
  const std::string chinese = "\xE7\x85\xA7\xE7\x89\x87";  // 照片
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=" +
                    net::EncodeUrlValue(chinese) + "&to_name="),
            "smb.htm");
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=music"
                    "&to_name="),
            "fail.htm");  // exists
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&share_list=" +
                    net::EncodeUrlValue(chinese) + "&add=New"),
            "smb.htm");
  EXPECT_EQ(net::OptionValues(Get("allow_share")), (std::vector<std::string>{"PUBLIC", chinese}));
  Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&allow_share=PUBLIC&del=Remove");
  EXPECT_EQ(net::OptionValues(Get("share_list")), (std::vector<std::string>{"PUBLIC", "music"}));
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rename_apply&folder=songs"
                    "&to_name=music"),
            "smb.htm");
  Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_mod&folder=" +
          net::EncodeUrlValue(chinese) + "&password1=s3+cret&password2=s3+cret");
  EXPECT_EQ(Get("share-password " + chinese), "s3 cret");
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=songs"
                    "&to_name="),
            "smb.htm");
  EXPECT_EQ(net::OptionValues(Get("ftps_dir_list")), (std::vector<std::string>{"PUBLIC", chinese}));
}

TEST_F(DevsimLan, FoldersStayInsideTheShareAndNothingReachesAHeader) {
  for (const char* name : {"", ".", "..", "a/b", "..%2Fetc", "a%5Cb", "%2E%2E"})
    EXPECT_EQ(Command(std::string("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply"
                                  "&folder=") +
                      name + "&to_name="),
              "fail.htm")
        << name;
  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rename_apply&folder=.."
                    "&to_name=music"),
            "fail.htm");
  EXPECT_EQ(net::OptionValues(Get("share_list")), std::vector<std::string>{"music"});

  // An answer page with CR LF in it is refused whole, the command unapplied.
  const std::string reply =
      Raw(ip(),
          "GET /nas.cgi?redirect=id.htm%0D%0ASet-Cookie:%20x=1&failure=fail.htm"
          "&type=cifs_config_apply&enable=1&hostname=EVIL&group_name=X HTTP/1.0\r\n"
          "Authorization: Basic YWRtaW46cHc=\r\n\r\n");
  EXPECT_EQ(reply.rfind("HTTP/1.0 400", 0), 0u) << reply;
  EXPECT_EQ(reply.find("Set-Cookie"), std::string::npos);
  EXPECT_EQ(Get("host_name"), "NAS1");
}

TEST_F(DevsimLan, SlowClientsDoNotShutOthersOutAndPasswordsStayOneLine) {
  // Sixty-four clients that send their request a byte at a time.
  std::vector<net::TcpStream> slow;
  for (int i = 0; i < 64; ++i) {
    slow.push_back(net::TcpStream::Connect(ip(), 80, 1000));
    slow.back().SendAll("G", 1000);
  }
  const auto start = Clock::now();
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 200);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

  EXPECT_EQ(Command("nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_mod&folder=PUBLIC"
                    "&password1=a%0Ab&password2=a%0Ab"),
            "fail.htm");
  EXPECT_EQ(Get("share-password PUBLIC"), "");
}

TEST_F(DevsimLan, FtpServiceAndAccounts) {
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set="
                    "DISABLE&ftps_port=2121"),
            "ftp.htm");
  EXPECT_EQ(Get("ftps_status"), "DISABLE");
  EXPECT_EQ(Get("ftps_port"), "2121");
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set="
                    "ENABLE&ftps_port=1024"),
            "fail.htm");
  Command(
      "nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_anonymous_apply&ftp_anon_stu=ENABLE"
      "&ftp_a_att=RW&home=music&anony_Apply=Apply");
  EXPECT_EQ(Get("ftp_anon_stu"), "checked");
  EXPECT_EQ(Get("ftp_a_att"), "");
  EXPECT_EQ(Get("ftps_home_def"), "music");

  // Create: select the new-account slot, then add.
  Command("nas.cgi?redirect=ftp_add.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=255");
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=bob"
                    "&ftp_att=R"),
            "ftp.htm");
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=bob"
                    "&ftp_att=R"),
            "fail.htm");  // exists already
  const std::string list = Get("ftp_ac_list");
  std::string nbsp18, nbsp11;
  for (int i = 0; i < 18; ++i) nbsp18 += "&nbsp;";
  for (int i = 0; i < 11; ++i) nbsp11 += "&nbsp;";
  EXPECT_NE(list.find("<option value=\"1\">bob" + nbsp18 + nbsp11 + "Read only" + nbsp11 +
                      "Enable&nbsp;</option>"),
            std::string::npos)
      << list;

  // Modify: select the account, change password and access, give it a folder.
  Command("nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=1");
  EXPECT_EQ(Get("ftps_account"), "bob");
  Command(
      "nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_user_add&Account=bob"
      "&Account_passwd=x1&ftp_att=W");
  EXPECT_EQ(Get("ftps_account_passwd"), "x1");
  EXPECT_EQ(Get("ftps_att"), "");
  Command(
      "nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_add_share&account=bob"
      "&account_List=music&op_add=Add");
  EXPECT_NE(Get("ftps_share_list").find("\">music </option>"), std::string::npos);
  Command(
      "nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_del_share&account=bob"
      "&account_List=music&op_del=Delete");
  EXPECT_EQ(Get("ftps_share_list").find("music"), std::string::npos);

  Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_enabled&FTP_AC_LIST=0");
  EXPECT_NE(Get("ftp_ac_list").find("Disable&nbsp;</option>"), std::string::npos);
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_del&FTP_AC_LIST=1"),
            "ftp.htm");
  EXPECT_EQ(Get("ftp_ac_list").find("bob"), std::string::npos);

  // A fault makes the next FTP commands fail.
  device_.Control("fault refuse-ftp 2");
  Command("nas.cgi?redirect=ftp_add.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=255");
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=eve"
                    "&ftp_att=R"),
            "fail.htm");
  EXPECT_EQ(Command("nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=eve"
                    "&ftp_att=R"),
            "ftp.htm");
}

TEST_F(DevsimLan, DiskTools) {
  EXPECT_EQ(Command("nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_set&idle=30"), "sto.htm");
  // The line ends in a bare line feed: the value runs on, and what stands
  // before its first quote and semicolon is the sleep time.
  const std::string idle = net::PageValue(Page(), "disk_idle_value=\"");
  EXPECT_EQ(idle.substr(0, idle.find("\";")), "30");
  EXPECT_NE(idle.find("\";\n"), std::string::npos);
  EXPECT_EQ(Command("nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_set&idle=4"), "fail.htm");
  EXPECT_EQ(Get("disk_fix_enable"), "DISABLE");

  Command("nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_scandisk_start");
  const std::string early = Get("disk_scan");
  EXPECT_EQ(early.rfind("Scan started\n", 0), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  const std::string later = Get("disk_scan");
  EXPECT_GT(later.size(), early.size());  // the scan progresses
  EXPECT_EQ(Get("disk_fix_enable"), "ENABLE");
  Command("nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_fixdisk_start");
  EXPECT_EQ(Get("disk_scan"), "");

  Command("nas.cgi?redirect=sto_ok.htm&failure=fail.htm&type=IDE_init");
  EXPECT_EQ(net::OptionValues(Get("ftps_dir_list")), std::vector<std::string>{"PUBLIC"});
}

TEST_F(DevsimLan, FirmwareUploadAcceptedOrAbortedBySize) {
  const auto path = std::filesystem::temp_directory_path() / "brevane-devsim-fw.bin";
  auto upload = [&](std::size_t size) -> std::string {
    std::ofstream(path, std::ios::binary) << std::string(size, 'F');
    net::THttpDataStream body;
    body.AddFormField("redirect", "man_firm.htm");
    body.AddFormField("failure", "fail.htm");
    body.AddFormField("type", "file_upload");
    body.AddFile("filename", path.string(), "application/octet-stream");
    body.FinishBody();
    net::UploadClient client;
    client.UserName = "admin";
    client.Password = "pw";
    client.ContentType = body.ContentType();
    net::MemoryStream reply;
    try {
      client.Post("http://" + ip() + "/man.cgi", body, reply);
    } catch (const net::HttpError& e) {
      return e.what();
    }
    return "accepted without redirect";
  };
  EXPECT_EQ(upload(500000), "302 Found");
  EXPECT_EQ(Get("firmware-upload"), path.string() + " 500000");
  const std::string too_large = upload(4000000);
  EXPECT_NE(too_large.find("10053"), std::string::npos) << too_large;
  std::filesystem::remove(path);
}

TEST_F(DevsimLan, RestartSilencesTheDeviceForAWhileAndFactoryResetRestores) {
  Command(
      "nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
      "&hostname=CHANGED&group_name=X");
  Command("man.cgi?redirect=reboot.htm&failure=fail.htm&type=default_setting");
  EXPECT_EQ(Get("host_name"), "NAS1");
  Command("man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot");
  // Still there for a moment after answering, as a real device is: the
  // program's probe right after the command finds it.
  EXPECT_EQ(device_.Control("down"), "0");
  EXPECT_NO_THROW(net::TcpStream::Connect(ip(), 80, 300));
  ASSERT_TRUE(lan::WaitUntil([&] { return device_.Control("down") == "1"; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the listener closes
  EXPECT_ANY_THROW(net::TcpStream::Connect(ip(), 80, 300));
  net::UdpSocket socket(0, 0);
  socket.SendTo(ip(), net::kDiscoveryPort, net::BuildDiscoveryRequest());
  EXPECT_FALSE(socket.Receive(300));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_EQ(Page().empty(), false);
  socket.SendTo(ip(), net::kDiscoveryPort, net::BuildDiscoveryRequest());
  EXPECT_TRUE(socket.Receive(1000));
}

TEST_F(DevsimLan, FixedAndAutomaticAddresses) {
  const std::string old_ip = ip();
  const std::string new_ip = "10.77.0.99";
  // Whatever happens, the device's namespace gets its LAN address back.
  const lan::AddressRestorer restore(host_);
  // The answer page may be gone with the old address; that is expected.
  auto send = [this](const std::string& url) {
    try {
      client_.Get(url);
    } catch (const std::exception&) {
    }
  };

  send("http://" + old_ip +
       "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply"
       "&ip=" +
       new_ip + "&submask=255.255.255.0&gateway=&pdns=&sdns=");
  ASSERT_TRUE(lan::WaitUntil(
      [&] { return net::AuthGet(new_ip, "admin", "pw", "/utility_use.htm").Status == 200; }));
  EXPECT_EQ(Get("ip"), new_ip);
  EXPECT_EQ(Get("ip_type"), "FIXED IP");
  EXPECT_EQ(net::AuthGet(old_ip, "admin", "pw", "/utility_use.htm").Status, 0);

  send("http://" + new_ip +
       "/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm"
       "&type=dhcpc_apply&ifname=");
  ASSERT_TRUE(lan::WaitUntil([&] { return Get("ip") != new_ip; }));
  const std::string automatic = Get("ip");
  EXPECT_EQ(Get("ip_type"), "DHCP CLIENT");
  // A new scan finds it at its new address.
  net::UdpSocket socket(0, 0);
  std::optional<net::Datagram> reply;
  ASSERT_TRUE(lan::WaitUntil([&] {
    socket.SendTo("255.255.255.255", net::kDiscoveryPort, net::BuildDiscoveryRequest());
    while ((reply = socket.Receive(200)))
      if (reply->sender_ip == automatic) return true;
    return false;
  }));
}

TEST_F(DevsimLan, InjectedFaults) {
  device_.Control("fault garbage");
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 0);
  device_.Control("fault reset");
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 0);
  device_.Control("fault close");
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 0);
  device_.Control("fault oversized");
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 0);  // past the cap
  device_.Control("fault hold");
  net::AuthGetLimits quick;
  quick.idle_timeout_ms = 300;
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm", quick).Status, 0);
  device_.Control("fault delay 300");
  const auto start = Clock::now();
  EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 200);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
}

// What the manual's example does: the running device told, from the command
// line, to refuse a command, then asked what it was sent.
TEST_F(DevsimLan, TheSendOptionTalksToTheRunningDevice) {
  const std::string devsim = std::getenv("BREVANE_DEVSIM");
  const lan::Result told = lan::Run(
      {devsim, "--control", host_.control, "--send", "fault refuse", "--send", "get host_name"});
  EXPECT_EQ(told.status, 0) << told.err;
  EXPECT_EQ(told.out, "ok\nok NAS1\n");
  EXPECT_EQ(Command("nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                    "&hostname=NAS2&group_name=HOME"),
            "fail.htm");
  // A read is no command: the fault left it alone.
  EXPECT_EQ(net::PageValue(Page(), "host_name=\""), "NAS1");
  const lan::Result asked =
      lan::Run({devsim, "--control", host_.control, "--send", "commands", "--send", "command 0"});
  EXPECT_EQ(asked.out,
            "ok 1\nok /nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
            "&hostname=NAS2&group_name=HOME\n");
  // The first err ends it, and says so by its status.
  const lan::Result wrong =
      lan::Run({devsim, "--control", host_.control, "--send", "fault no-such", "--send", "ping"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.out, "err unknown fault no-such\n");
  // --help lists the control commands and the faults.
  const lan::Result help = lan::Run({devsim, "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* listed : {"--send COMMAND", "CONTROL COMMANDS", "FAULTS", "  fault KIND [N]",
                             "  move ADDRESS", "  refuse\n", "EXAMPLE"})
    EXPECT_NE(help.out.find(listed), std::string::npos) << listed;
}

TEST_F(DevsimLan, MalformedRequestsNeverStopTheServer) {
  const std::vector<std::string> attacks = {
      "\r\n\r\n",
      "GET\r\n\r\n",
      "GET /utility_use.htm HTTP/9.9\r\n\r\n",
      "GET utility_use.htm HTTP/1.0\r\n\r\n",
      std::string("\0\1\2\3\r\n\r\n", 8),
      "POST /man.cgi HTTP/1.0\r\nAuthorization: Basic YWRtaW46cHc=\r\nContent-Length: -5\r\n\r\n",
      "POST /man.cgi HTTP/1.0\r\nAuthorization: Basic YWRtaW46cHc=\r\nContent-Length: "
      "50\r\n\r\nshort",
      "GET /nas.cgi?type=%zz%&&==&type HTTP/1.0\r\nAuthorization: Basic YWRtaW46cHc=\r\n\r\n",
      "GET /utility_use.htm HTTP/1.0\r\nX: " + std::string(100000, 'a') + "\r\n\r\n",
      "GET /utility_use.htm HTTP/1.0\r\n",  // never finished
  };
  for (const auto& attack : attacks) {
    Raw(ip(), attack);
    EXPECT_EQ(net::AuthGet(ip(), "admin", "pw", "/utility_use.htm").Status, 200);
  }
  EXPECT_EQ(Raw(ip(), "GET /nothing HTTP/1.0\r\nAuthorization: Basic YWRtaW46cHc=\r\n\r\n")
                .rfind("HTTP/1.0 404", 0),
            0u);
}

}  // namespace
