// The simulated device as careful as a device: folder names Samba would read
// as more than a name are refused, every protected folder has an account of
// its own, the folders' files follow the commands, a slow request body
// holds nobody up, and commands from many connections at once keep the
// shares whole.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "lan_support.h"
#include "net/command_client.h"
#include "net/http_data_stream.h"
#include "net/page_values.h"
#include "net/tcp.h"
#include "net/upload_client.h"
#include "net/url.h"
#include "sim/process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class DevsimSmbLan : public ::testing::Test {
 protected:
  DevsimSmbLan()
      : dir_(lan::ThisLan().dir + "/smb-careful"),
        device_(lan::ThisLan().devices.at(0),
                {"--smb", dir_, "--shared-folder", "PUBLIC", "--folder", "music",
                 "--firmware-limit", "200000000"}) {}
  ~DevsimSmbLan() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }

  const std::string& ip() const { return device_.host().ip; }
  // One file server command; the page the device answered with.
  std::string Nas(const std::string& command) {
    net::CommandClient client;
    client.TimeOut = 5000;
    client.Get("http://" + ip() + "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=" + command);
    return client.Header.find("/fail.htm") == std::string::npos ? "ok" : "refused";
  }
  std::string Make(const std::string& name) {
    return Nas("fm_mkdir_apply&folder=" + net::EncodeUrlValue(name) + "&to_name=");
  }
  std::string Folder(const std::string& name) const { return dir_ + "/shares/" + name; }
  std::string Config() const {
    std::ifstream in(dir_ + "/smb.conf");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Whether the share opens to `user` with `password` over SMB.
  bool Opens(const std::string& share, const std::string& user, const std::string& password) {
    return sim::Run(
               {"smbclient", "//" + ip() + "/" + share, "-U", user + "%" + password, "-c", "ls"},
               {"/dev/null"}) == 0;
  }

  std::string dir_;
  lan::SimDevice device_;
};

TEST_F(DevsimSmbLan, NamesSambaWouldReadAsMoreThanANameAreRefused) {
  for (const std::string name :
       {"%$(PATH)", "%H", "a]b", "[x", "global", "HOMES", "printers", "IPC$", "Music", "public"})
    EXPECT_EQ(Make(name), "refused") << name;
  EXPECT_EQ(Nas("fm_rename_apply&folder=Global&to_name=music"), "refused");
  EXPECT_EQ(Nas("fm_rename_apply&folder=PUBLIC&to_name=music"), "refused");  // another's name
  EXPECT_EQ(Nas("fm_rename_apply&folder=MUSIC&to_name=music"), "ok");        // its own, recased
  EXPECT_EQ(net::OptionValues(device_.Control("get ftps_dir_list")),
            (std::vector<std::string>{"PUBLIC", "MUSIC"}));
  EXPECT_EQ(Config().find("[global]"), Config().rfind("[global]"));  // Samba's own, once
}

TEST_F(DevsimSmbLan, EveryProtectedFolderHasItsOwnAccountAndLosesItWithItsFolder) {
  constexpr int kFolders = 66;
  for (int i = 1; i <= kFolders; ++i)
    device_.Control("folder f" + std::to_string(i) + "\tshared\tpw" + std::to_string(i));
  EXPECT_TRUE(Opens("f1", "f1", "pw1"));
  EXPECT_TRUE(Opens("f65", "f65", "pw65"));
  EXPECT_FALSE(Opens("f1", "f65", "pw65"));  // the 65th password opens only its own folder
  EXPECT_TRUE(Opens("f66", "f66", "pw66"));

  // A folder deleted takes its account; one made again under its name is
  // open to all, not to the old password.
  EXPECT_EQ(Nas("fm_rmdir_apply&folder=f1&to_name="), "ok");
  EXPECT_EQ(Make("f1"), "ok");
  EXPECT_EQ(Nas("nas_apply&share_list=f1&add=New"), "ok");
  EXPECT_TRUE(Opens("f1", "guest", ""));
  std::ifstream passwd(dir_ + "/passwd");
  const std::string accounts(std::istreambuf_iterator<char>(passwd), {});
  std::size_t count = 0;
  for (auto at = accounts.find("bvshare"); at != std::string::npos;
       at = accounts.find("bvshare", at + 1))
    ++count;
  EXPECT_EQ(count, kFolders - 1u);
}

TEST_F(DevsimSmbLan, RenameDeleteAndFormatDoToTheFilesWhatTheyDoToTheFolders) {
  std::ofstream(Folder("music") + "/song.mp3") << "la";
  EXPECT_EQ(Nas("fm_rename_apply&folder=songs&to_name=music"), "ok");
  EXPECT_TRUE(fs::exists(Folder("songs") + "/song.mp3"));
  EXPECT_FALSE(fs::exists(Folder("music")));

  EXPECT_EQ(Nas("fm_rmdir_apply&folder=songs&to_name="), "ok");
  EXPECT_EQ(Make("songs"), "ok");
  EXPECT_TRUE(fs::is_empty(Folder("songs")));  // nothing comes back

  std::ofstream(Folder("PUBLIC") + "/welcome.txt") << "hi";
  std::ofstream(Folder("songs") + "/b.mp3") << "b";
  EXPECT_EQ(Nas("IDE_init"), "ok");
  EXPECT_TRUE(fs::is_empty(Folder("PUBLIC")));
  EXPECT_FALSE(fs::exists(Folder("songs")));
}

TEST_F(DevsimSmbLan, CommandsFromManyConnectionsAtOnceKeepEveryShare) {
  constexpr int kClients = 8, kEach = 6;
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c)
    clients.emplace_back([this, c] {
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "c" + std::to_string(c) + "x" + std::to_string(i);
        Make(name);
        Nas("nas_apply&share_list=" + name + "&add=New");
        Nas("nas_mod&folder=" + name + "&password1=p" + name + "&password2=p" + name);
      }
    });
  for (auto& client : clients) client.join();
  const std::string config = Config();
  for (int c = 0; c < kClients; ++c)
    for (int i = 0; i < kEach; ++i) {
      const std::string name = "c" + std::to_string(c) + "x" + std::to_string(i);
      EXPECT_NE(config.find("[" + name + "]"), std::string::npos) << name;
    }
  EXPECT_TRUE(Opens("c3x5", "c3x5", "pc3x5"));
  EXPECT_TRUE(Opens("c7x0", "c7x0", "pc7x0"));
}

TEST_F(DevsimSmbLan, AnImageGoesToStorageAsItArrivesInMemoryOfTheSameSize) {
  const std::string path = lan::ThisLan().dir + "/large-image.bin";
  std::ofstream(path, std::ios::binary) << std::string(96 << 20, 'i');
  net::THttpDataStream body;
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", path, "application/octet-stream");
  body.FinishBody();
  net::UploadClient client;
  client.ContentType = body.ContentType();
  net::MemoryStream reply;
  try {
    client.Post("http://" + ip() + "/man.cgi", body, reply);
  } catch (const net::UploadError& e) {
    EXPECT_EQ(e.number(), 302) << e.what();
  }
  fs::remove(path);
  EXPECT_EQ(device_.Control("get firmware-upload"), path + " " + std::to_string(96 << 20));
  if (lan::kMemoryIsMeasurable) {
    EXPECT_LT(device_.PeakMiB(), 48) << "the device holds the image in memory";
  }
}

TEST_F(DevsimSmbLan, ASlowRequestBodyHoldsItsConnectionForItsDeadlineOnly) {
  // More clients than the device serves at once, each announcing a body and
  // sending a byte of it every few seconds.
  std::vector<net::TcpStream> slow;
  for (int i = 0; i < 260; ++i) {
    slow.push_back(net::TcpStream::Connect(ip(), 80, 5000));
    slow.back().SendAll(
        "POST /man.cgi HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=B\r\n"
        "Content-Length: 100000\r\n\r\nx",
        1000);
  }
  std::atomic<bool> done{false};
  std::thread trickle([&slow, &done] {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::seconds(3));
      for (auto& stream : slow) try {
          stream.SendAll("x", 100);
        } catch (const std::exception&) {
        }
    }
  });
  const auto start = Clock::now();
  net::TcpStream reader = net::TcpStream::Connect(ip(), 80, 15000);
  reader.SendAll("GET /utility_use.htm HTTP/1.0\r\n\r\n", 1000);
  char answer[16] = {};
  const std::size_t got = reader.Receive(answer, sizeof answer - 1, 15000);
  const auto took = Clock::now() - start;
  done = true;
  trickle.join();
  EXPECT_GT(got, 0u);
  EXPECT_EQ(std::string(answer).rfind("HTTP/1.0", 0), 0u) << answer;
  EXPECT_LT(took, std::chrono::seconds(10));
}

}  // namespace
