// Real network drives: GIO/GVfs mounting the simulated device's shares,
// served by smbd in the device's namespace. Runs inside a private desktop
// session (tests/lan/desktop-session) in the workstation namespace.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <libsecret/secret.h>

#include "desktop/adapters_linux.h"
#include "desktop/gio_drives.h"
#include "lan_support.h"
#include "net/waiting.h"
#include "sim/process.h"
#include "smb_device.h"

namespace {

namespace fs = std::filesystem;
using namespace lan::smb;
using desktop::DriveType;
using desktop::GioNetworkDrives;
using desktop::NetResource;
using lan::SimDevice;
using lan::ThisLan;

// The password the keyring holds for `user` on the SMB server `server`.
std::optional<std::string> SavedPassword(const std::string& server, const std::string& user) {
  gchar* found =
      secret_password_lookup_sync(SECRET_SCHEMA_COMPAT_NETWORK, nullptr, nullptr, "server",
                                  server.c_str(), "protocol", "smb", "user", user.c_str(), nullptr);
  if (found == nullptr) return std::nullopt;
  std::string password = found;
  secret_password_free(found);
  return password;
}

class GioDrivesLan : public ::testing::Test {
 protected:
  GioDrivesLan() : device(ThisLan().devices.at(0), DeviceArgs()) {
    // Each test its own letters, so nothing one test leaves lets another pass.
    const std::string home = std::getenv("HOME");
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    places = {home + "/" + name + "/Network Drives", home + "/" + name + "/autostart",
              CtlProgram()};
    drives = std::make_unique<GioNetworkDrives>(places, 8000);
  }
  ~GioDrivesLan() override {
    if (keep_for_next_login) return;
    for (char c = 'D'; c <= 'Z'; ++c) drives->Disconnect(std::string(1, c) + ":");
    // Probes leave their mounts too: nothing a test mounted may let the next
    // one pass.
    sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  }
  std::string Remote(const std::string& folder) const {
    return "\\\\" + device.host().ip + "\\" + folder;
  }
  int Connect(const std::string& letter, const std::string& folder, const std::string& password) {
    NetResource record;
    record.scope = 3;
    if (!letter.empty()) record.local_name = letter;
    record.remote_name = Remote(folder);
    return drives->AddConnection(record, password);
  }
  fs::path Letter(char c) const { return fs::path(places.drives_dir) / std::string(1, c); }

  SimDevice device;
  bool keep_for_next_login = false;
  GioNetworkDrives::Places places;
  std::unique_ptr<GioNetworkDrives> drives;
};

TEST_F(GioDrivesLan, ALetterOpensTheSharedFolderBothWays) {
  EXPECT_EQ(drives->GetDriveType("z:\\"), DriveType::NoRootDir);
  EXPECT_FALSE(drives->GetConnection("Z:"));
  ASSERT_EQ(Connect("Z:", "PUBLIC", ""), 0);
  EXPECT_EQ(drives->GetDriveType("z:\\"), DriveType::Remote);
  EXPECT_EQ(drives->GetConnection("Z:"), Remote("PUBLIC"));

  // Written through the letter, found on the device; and the other way.
  std::ofstream(Letter('Z') / "from-workstation.txt") << "hello device";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/from-workstation.txt"), "hello device");
  std::ofstream(SmbDir() + "/shares/PUBLIC/from-device.txt") << "hello workstation";
  EXPECT_EQ(Read(Letter('Z') / "from-device.txt"), "hello workstation");
}

TEST_F(GioDrivesLan, OddNamesAndPasswordsNeverMeetAShell) {
  ASSERT_EQ(Connect("Y:", kOddFolder, ""), 0);
  std::ofstream(Letter('Y') / "a.txt") << "odd";
  EXPECT_EQ(Read(SmbDir() + "/shares/" + kOddFolder + "/a.txt"), "odd");
  ASSERT_EQ(Connect("X:", kChinese, ""), 0);
  EXPECT_EQ(drives->GetConnection("X:"), Remote(kChinese));
  std::ofstream(Letter('X') / "b.txt") << "chinese";
  EXPECT_EQ(Read(SmbDir() + "/shares/" + kChinese + "/b.txt"), "chinese");
  ASSERT_EQ(Connect("W:", "secret", kOddPassword), 0);
  std::ofstream(Letter('W') / "c.txt") << "secret";
  EXPECT_EQ(Read(SmbDir() + "/shares/secret/c.txt"), "secret");
}

TEST_F(GioDrivesLan, WrongPasswordGives86WithoutLooping) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Connect("", "secret", "wrong"), 86);  // the probe, as the dialog makes it
  EXPECT_EQ(Connect("V:", "secret", ""), 86);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  EXPECT_EQ(drives->GetDriveType("v:\\"), DriveType::NoRootDir);
}

TEST_F(GioDrivesLan, UnknownFolderGives67) {
  EXPECT_EQ(Connect("U:", "no-such-folder", ""), 67);
  EXPECT_EQ(Connect("U:", "hidden", ""), 67);  // in the Folder List only, not shared
}

TEST_F(GioDrivesLan, LetterInUseGives85) {
  ASSERT_EQ(Connect("T:", "PUBLIC", ""), 0);
  EXPECT_EQ(Connect("T:", kChinese, ""), 85);
  EXPECT_EQ(drives->GetConnection("T:"), Remote("PUBLIC"));
}

// A letter counts only while its share is mounted: one unmounted elsewhere
// (the file manager, a logout) is free again, unless it reconnects at login.
TEST_F(GioDrivesLan, ALetterWhoseShareWasUnmountedElsewhereIsFreeAgain) {
  ASSERT_EQ(Connect("P:", "PUBLIC", ""), 0);
  ASSERT_EQ(drives->GetDriveType("p:\\"), DriveType::Remote);
  ASSERT_EQ(sim::Run({"gio", "mount", "--unmount-scheme", "smb"}), 0);
  EXPECT_EQ(drives->GetDriveType("p:\\"), DriveType::NoRootDir);
  EXPECT_FALSE(drives->GetConnection("P:"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Letter('P'))));
  EXPECT_FALSE(fs::exists(fs::path(places.drives_dir) / ".P.unc"));
  // The letter is offered again and connects.
  ASSERT_EQ(Connect("P:", "PUBLIC", ""), 0);
  std::ofstream(Letter('P') / "again.txt") << "again";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/again.txt"), "again");
}

TEST_F(GioDrivesLan, AReconnectingLetterStaysTakenAndIsMountedAgain) {
  drives->MapDrivePersistently("O:", Remote("secret"), kOddPassword);
  ASSERT_EQ(drives->GetDriveType("o:\\"), DriveType::Remote);
  ASSERT_EQ(sim::Run({"gio", "mount", "--unmount-scheme", "smb"}), 0);
  EXPECT_EQ(drives->GetDriveType("o:\\"), DriveType::Remote);
  EXPECT_EQ(drives->GetConnection("O:"), Remote("secret"));
  std::ofstream(Letter('O') / "remounted.txt") << "back";
  EXPECT_EQ(Read(SmbDir() + "/shares/secret/remounted.txt"), "back");
}

TEST_F(GioDrivesLan, AnOpenFolderKeptForTheNextLoginGetsItsLetter) {
  ASSERT_EQ(drives->MapDrivePersistently("X:", Remote("PUBLIC"), ""), 0);
  ASSERT_EQ(drives->GetDriveType("x:\\"), DriveType::Remote);
  EXPECT_EQ(drives->GetConnection("X:"), Remote("PUBLIC"));
  // At login it is mounted as it was: anonymously.
  const std::string entry = Read(places.autostart_dir + "/brevane-drive-X.desktop");
  EXPECT_NE(entry.find("Comment=Mounts smb://" + device.host().ip + "/PUBLIC again at login\n"),
            std::string::npos);
  EXPECT_NE(entry.find("Exec=" + CtlProgram() + " --reconnect-drive X\n"), std::string::npos);
  std::ofstream(Letter('X') / "kept.txt") << "kept";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/kept.txt"), "kept");
}

// A drive that cannot be kept for the login (here: its autostart folder
// cannot be made) is not made at all: no letter, no mount, no password.
TEST_F(GioDrivesLan, ADriveThatCannotBeKeptLeavesNothingBehind) {
  const std::string blocker = fs::path(places.drives_dir).parent_path().string() + "/blocker";
  fs::create_directories(fs::path(blocker).parent_path());
  std::ofstream(blocker) << "a file where the folder would go";
  places.autostart_dir = blocker + "/autostart";
  drives = std::make_unique<GioNetworkDrives>(places, 8000);
  const auto before = GioNetworkDrives::MountedPlaces();
  for (const auto& [folder, password] :
       {std::pair<std::string, std::string>{"PUBLIC", ""}, {"vault", kVaultPassword}}) {
    ASSERT_EQ(Connect("", folder, password), 0);  // the dialog's first step
    EXPECT_EQ(drives->MapDrivePersistently("Q:", Remote(folder), password), 1205) << folder;
    EXPECT_EQ(GioNetworkDrives::MountedPlaces(), before) << folder;
    EXPECT_FALSE(fs::exists(fs::symlink_status(Letter('Q'))));
  }
  // The keyring did not keep vault's password: a mount without one is refused.
  EXPECT_EQ(Connect("", "vault", ""), 86);
}

TEST_F(GioDrivesLan, AProbeLeavesNothingMounted) {
  const auto before = GioNetworkDrives::MountedPlaces();
  ASSERT_TRUE(before);
  EXPECT_EQ(drives->ProbeShare(Remote("PUBLIC"), ""), 0);
  EXPECT_EQ(drives->ProbeShare(Remote("PUBLIC"), ""), 0);  // again at once
  EXPECT_EQ(drives->ProbeShare(Remote("secret"), kOddPassword), 0);
  EXPECT_EQ(GioNetworkDrives::MountedPlaces(), before);
  // A share the user has open stays open through a probe.
  ASSERT_EQ(Connect("N:", "PUBLIC", ""), 0);
  EXPECT_EQ(drives->ProbeShare(Remote("PUBLIC"), ""), 0);
  EXPECT_EQ(drives->GetDriveType("n:\\"), DriveType::Remote);
  std::ofstream(Letter('N') / "still.txt") << "open";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/still.txt"), "open");
}

TEST_F(GioDrivesLan, UnreachableDeviceGivesNoNetwork) {
  NetResource record;
  record.scope = 3;
  record.local_name = "S:";
  record.remote_name = "\\\\10.77.0.250\\PUBLIC";
  EXPECT_EQ(drives->AddConnection(record, ""), 1222);
}

// A connection the user cancels ends at once, as if nobody had answered.
TEST_F(GioDrivesLan, ACancelledConnectionEndsAtOnceAsNoNetwork) {
  struct CancelLater : net::WaitObserver {
    CancelLater() { net::SetWaitObserver(this); }
    ~CancelLater() override {
      net::SetWaitObserver(nullptr);
      net::EndAction();
    }
    void Begin(net::Activity activity, const std::string& target) override {
      begun = activity;
      shown = target;
      start = std::chrono::steady_clock::now();
    }
    void Idle() override {
      if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300))
        net::CancelAction();
    }
    void End() override {}
    net::Activity begun = net::Activity::Pausing;
    std::string shown;
    std::chrono::steady_clock::time_point start;
  } observer;
  NetResource record;
  record.scope = 3;
  record.local_name = "R:";
  record.remote_name = "\\\\10.77.0.250\\PUBLIC";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(drives->AddConnection(record, ""), 1222);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
  EXPECT_EQ(observer.begun, net::Activity::Connecting);
  EXPECT_EQ(observer.shown, "\\\\10.77.0.250\\PUBLIC");
  EXPECT_FALSE(fs::exists(Letter('R')));
}

// The first login of a user whose next login (GioReconnectLan) finds what
// this one kept: tests/lan/logins.sh runs the two, one after the other, in
// a home of their own.
using GioLoginFirstLan = GioDrivesLan;

TEST_F(GioLoginFirstLan, ADriveIsKeptForTheNextLoginWithTheKeyring) {
  keep_for_next_login = true;
  ASSERT_EQ(Connect("", "secret", kOddPassword), 0);
  drives->UseShare(Remote("secret"), kOddPassword);
  drives->MapDrivePersistently("R:", Remote("secret"), kOddPassword);
  EXPECT_EQ(drives->GetConnection("R:"), Remote("secret"));
  const std::string entry = Read(places.autostart_dir + "/brevane-drive-R.desktop");
  EXPECT_NE(entry.find("Comment=Mounts smb://secret@" + device.host().ip + "/secret again"),
            std::string::npos)
      << entry;
  // The password is nowhere in plain text.
  for (const auto& file : fs::recursive_directory_iterator(
           std::getenv("HOME"), fs::directory_options::skip_permission_denied))
    if (fs::symlink_status(file.path()).type() == fs::file_type::regular) {
      EXPECT_EQ(Read(file.path()).find(kOddPassword), std::string::npos) << file.path();
    }
  // (The letter stays for the next session.)
}

// Logs in as a desktop does: runs the autostart entries of the user whose
// home and configuration folder is `base`; what each said, and its status.
std::vector<lan::Result> LogIn(const std::string& base) {
  std::vector<lan::Result> results;
  for (const auto& entry : fs::directory_iterator(base + "/autostart")) {
    std::string exec = Read(entry.path());
    exec = exec.substr(exec.find("Exec=") + 5);
    exec = exec.substr(0, exec.find('\n'));
    std::vector<std::string> argv = {"env", "HOME=" + base, "XDG_CONFIG_HOME=" + base};
    std::istringstream words(exec);
    for (std::string word; words >> word;) {
      for (std::size_t at; (at = word.find("%%")) != std::string::npos;) word.erase(at, 1);
      argv.push_back(word);
    }
    // No terminal to ask on: the password must come from the keyring.
    results.push_back(lan::Run(argv));
  }
  return results;
}

// A new session of the same user: log in, then use the drive.
TEST(GioReconnectLan, TheDriveComesBackAtTheNextLogin) {
  SimDevice device(ThisLan().devices.at(0), DeviceArgs());
  const std::string base =
      std::string(std::getenv("HOME")) + "/ADriveIsKeptForTheNextLoginWithTheKeyring";
  const std::string autostart = base + "/autostart";
  ASSERT_TRUE(fs::exists(autostart + "/brevane-drive-R.desktop"));
  for (const auto& login : LogIn(base)) EXPECT_EQ(login.status, 0) << login.err;
  EXPECT_TRUE(fs::is_directory(base + "/Network Drives/R"));  // mounted by the login
  GioNetworkDrives drives({base + "/Network Drives", autostart}, 8000);
  EXPECT_EQ(drives.GetDriveType("r:\\"), DriveType::Remote);
  std::ofstream(base + "/Network Drives/R/after-login.txt") << "back";
  EXPECT_EQ(Read(SmbDir() + "/shares/secret/after-login.txt"), "back");
  drives.Disconnect("R:");
  EXPECT_FALSE(fs::exists(autostart + "/brevane-drive-R.desktop"));
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
}

// The program's own drives: the module beside it, loaded on first use. Its
// mounts are waits the program sees (its wait window, its Cancel).
TEST(GioDriveModule, TheProgramsDrivesComeFromTheModuleAndItsWaitsAreTheProgramsOwn) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  SimDevice device(ThisLan().devices.at(0), DeviceArgs());
  struct Seen : net::WaitObserver {
    void Begin(net::Activity activity, const std::string& target) override {
      if (activity == net::Activity::Connecting) connecting = target;
    }
    void Idle() override {}
    void End() override {}
    std::string connecting;
  } seen;
  net::SetWaitObserver(&seen);
  const auto drives = desktop::RealServices().drives;
  const std::string home = std::getenv("HOME");
  EXPECT_EQ(drives->DrivePlace("Z:"), home + "/Network Drives/Z");
  NetResource record;
  record.scope = 3;
  record.local_name = "Z:";
  record.remote_name = "\\\\" + device.host().ip + "\\PUBLIC";
  EXPECT_EQ(drives->AddConnection(record, ""), 0);
  net::SetWaitObserver(nullptr);
  EXPECT_EQ(seen.connecting, record.remote_name);
  std::ofstream(home + "/Network Drives/Z/module.txt") << "through the module";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/module.txt"), "through the module");
  GioNetworkDrives(GioNetworkDrives::UserPlaces()).Disconnect("Z:");
}

TEST(GioDriveNames, RemoteNamesBecomeEscapedUris) {
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\PUBLIC"), "smb://10.0.0.5/PUBLIC");
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\a b&c"), "smb://10.0.0.5/a%20b%26c");
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\" + kChinese),
            "smb://10.0.0.5/%E7%85%A7%E7%89%87");
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\a b", true), "smb://a%20b@10.0.0.5/a%20b");
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\"), "");
  EXPECT_EQ(GioNetworkDrives::ShareUri("10.0.0.5\\x"), "");
  EXPECT_EQ(GioNetworkDrives::ShareUri("\\\\10.0.0.5\\a\\b"), "");
  const std::string entry = GioNetworkDrives::AutostartEntry("/opt/50%/ctl", 'X', "smb://h/%E7");
  EXPECT_NE(entry.find("Comment=Mounts smb://h/%E7 again at login\n"), std::string::npos);
  EXPECT_NE(entry.find("Exec=/opt/50%%/ctl --reconnect-drive X\n"), std::string::npos);
}

}  // namespace

// The drive dialog itself on real drives: what the user clicks, what lands
// on the device.
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "mainwindow/mainform.h"
#include "support/fakes.h"

namespace {

TEST(GioDriveDialogLan, ConnectsOpenAndProtectedFoldersFromTheDialog) {
  // Nothing mounted before may open a folder for us.
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  SimDevice device(ThisLan().devices.at(0), DeviceArgs());
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  const std::string base = std::string(std::getenv("HOME")) + "/DriveDialog";
  auto drives = std::make_shared<GioNetworkDrives>(
      GioNetworkDrives::Places{base + "/Network Drives", base + "/autostart"}, 8000);
  desktop::services().drives = drives;
  core::Session() = {device.host().ip, "admin", ""};
  Form1 main;
  Form5 dialog;

  dialog.show();
  EXPECT_EQ(dialog.CmbDrive->currentText(), "Z");
  EXPECT_EQ(dialog.FolderCB->currentText(), "PUBLIC");
  EXPECT_FALSE(dialog.FolderPassEdit->isVisible());
  // Where the drive will be, before and after; the user opens it from there.
  EXPECT_EQ(dialog.DrivePlaceLabel->text(), "Drive folder: ~/DriveDialog/Network Drives/Z");
  dialog.MountSetBtnClick();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text,
            "Remote Device Connected\n\nDrive folder: ~/DriveDialog/Network Drives/Z\n\n"
            "Open it in the file manager?");
  EXPECT_EQ(fakes.messages->shown[0].buttons, desktop::MsgButtons::YesNo);
  ASSERT_EQ(fakes.urls->opened.size(), 1u);
  EXPECT_EQ(fakes.urls->opened[0], "file://" + base + "/Network%20Drives/Z");
  std::ofstream(base + "/Network Drives/Z/dialog.txt") << "via the dialog";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/dialog.txt"), "via the dialog");

  // Z is taken now and PUBLIC is connected: neither is offered again.
  dialog.show();
  EXPECT_EQ(dialog.CmbDrive->currentText(), "Y");
  EXPECT_EQ(dialog.FolderCB->findText("PUBLIC"), -1);
  // (A folder no other test has opened: the keyring knows nothing of it.)
  dialog.FolderCB->setCurrentIndex(dialog.FolderCB->findText("vault"));
  dialog.FolderCBChange();
  EXPECT_TRUE(dialog.FolderPassEdit->isVisible());  // the device asked for a password
  dialog.FolderPassEdit->setText(QString::fromStdString(kVaultPassword));
  fakes.messages->answers = {desktop::MsgResult::Cancel};  // not now
  dialog.MountSetBtnClick();
  EXPECT_EQ(fakes.messages->shown.back().text.rfind("Remote Device Connected\n", 0), 0u);
  EXPECT_EQ(fakes.urls->opened.size(), 1u);
  std::ofstream(base + "/Network Drives/Y/dialog.txt") << "protected";
  EXPECT_EQ(Read(SmbDir() + "/shares/vault/dialog.txt"), "protected");
  // The probes left nothing: one mount for each letter.
  EXPECT_EQ(GioNetworkDrives::MountedPlaces()->size(), 2u);

  // The same protected folder kept for the next login: still one mount, the
  // drive's own.
  drives->Disconnect("Y:");
  dialog.show();
  dialog.FolderCB->setCurrentIndex(dialog.FolderCB->findText("vault"));
  dialog.FolderCBChange();
  dialog.FolderPassEdit->setText(QString::fromStdString(kVaultPassword));
  dialog.chk_AutoReconnect->setChecked(true);
  dialog.MountSetBtnClick();
  EXPECT_EQ(fakes.messages->shown.back().text.rfind("Remote Device Connected\n", 0), 0u);
  EXPECT_EQ(GioNetworkDrives::MountedPlaces()->size(), 2u);
  EXPECT_EQ(Read(base + "/Network Drives/Y/dialog.txt"), "protected");

  drives->Disconnect("Z:");
  drives->Disconnect("Y:");
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
}

}  // namespace

// A device that answers but whose share service does not take connections.
namespace {

TEST(GioDriveServiceLan, ARefusedShareServiceIsNoNetworkFailure) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  SimDevice device(ThisLan().devices.at(0), {"--shared-folder", "PUBLIC"});  // no SMB
  GioNetworkDrives drives(
      {std::string(std::getenv("HOME")) + "/Refused", std::string(std::getenv("HOME")) + "/rs"},
      8000);
  NetResource record;
  record.scope = 3;
  record.local_name = "W:";
  record.remote_name = "\\\\" + device.host().ip + "\\PUBLIC";
  EXPECT_EQ(drives.AddConnection(record, ""), desktop::drive_error::kServiceNotStarted);
}

}  // namespace

// Drives that follow their device: connected as a user does, the device
// moves, a scan finds it at its new address.
#include "scan/discover.h"

namespace {

// The same host part, ten further on: free in the test LAN.
std::string OtherAddress(const std::string& ip) {
  const auto dot = ip.rfind('.');
  return ip.substr(0, dot + 1) + std::to_string(std::stoi(ip.substr(dot + 1)) + 10);
}

const std::string kFollowBase = std::string(std::getenv("HOME")) + "/Follow";
const std::string kMovedBase = std::string(std::getenv("HOME")) + "/MovedAway";

TEST(GioDriveFollowLan, DrivesFollowTheirDeviceToItsNewAddress) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  const lan::Host& host = ThisLan().devices.at(0);
  lan::AddressRestorer restore(host);
  SimDevice device(host, DeviceArgs());
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  fakes.adapters->more = desktop::LinuxAdapterList().Adapters();
  auto drives = std::make_shared<GioNetworkDrives>(
      GioNetworkDrives::Places{kFollowBase + "/Network Drives", kFollowBase + "/autostart",
                               CtlProgram()},
      8000);
  desktop::services().drives = drives;
  Form1 main;
  main.Devices = scan::Discover(2, {});
  ASSERT_EQ(main.Devices.Devices().size(), 1u);
  Form5 dialog;
  core::Session() = {host.ip, "admin", "", "STORAGE", "WORKGROUP"};

  // A protected folder kept for the next login on Z, an open one on Y.
  dialog.show();
  dialog.FolderCB->setCurrentIndex(dialog.FolderCB->findText("ledger"));
  dialog.FolderCBChange();
  dialog.FolderPassEdit->setText(QString::fromStdString(kLedgerPassword));
  dialog.chk_AutoReconnect->setChecked(true);
  fakes.messages->answers = {desktop::MsgResult::Cancel};
  dialog.MountSetBtnClick();
  dialog.show();
  dialog.chk_AutoReconnect->setChecked(false);
  dialog.FolderCB->setCurrentIndex(dialog.FolderCB->findText("PUBLIC"));
  fakes.messages->answers = {desktop::MsgResult::Cancel};
  dialog.MountSetBtnClick();
  ASSERT_EQ(drives->GetConnection("Z:"), "\\\\" + host.ip + "\\ledger");
  ASSERT_EQ(drives->GetConnection("Y:"), "\\\\" + host.ip + "\\PUBLIC");

  // The device gets another address; the next whole scan finds it there.
  const std::string moved_to = OtherAddress(host.ip);
  device.Control("move " + moved_to);
  main.Devices = scan::Discover(2, {});
  main.ProgressBar1->setValue(Form1::kScanMaximum - Form1::kScanStep);
  fakes.messages->shown.clear();
  fakes.messages->answers = {desktop::MsgResult::Ok};  // Yes, move them
  main.Timer1Timer();
  ASSERT_EQ(fakes.messages->shown.size(), 3u);
  EXPECT_EQ(fakes.messages->shown[0].buttons, desktop::MsgButtons::YesNoDefaultNo);
  EXPECT_EQ(fakes.messages->shown[1].text,
            "These drives now use their device's new address:\n"
            "Y:  " +
                host.ip + " \u2192 " + moved_to +
                "\n"
                "Z:  " +
                host.ip + " \u2192 " + moved_to);
  EXPECT_EQ(fakes.messages->shown[2].text, "Search Completed!");

  // Both letters work at the new address, with their files; nothing stays
  // mounted at the old one; the login entry names the new address.
  EXPECT_EQ(drives->GetConnection("Z:"), "\\\\" + moved_to + "\\ledger");
  std::ofstream(SmbDir() + "/shares/ledger/before.txt") << "kept";
  EXPECT_EQ(Read(kFollowBase + "/Network Drives/Z/before.txt"), "kept");
  std::ofstream(kFollowBase + "/Network Drives/Y/after.txt") << "moved";
  EXPECT_EQ(Read(SmbDir() + "/shares/PUBLIC/after.txt"), "moved");
  EXPECT_NE(Read(kFollowBase + "/autostart/brevane-drive-Z.desktop")
                .find("smb://ledger@" + moved_to + "/ledger again"),
            std::string::npos);
  // Its password moved with it; the note keeps the address it came from,
  // and only the owner reads the note and the login entry.
  EXPECT_EQ(SavedPassword(moved_to, "ledger"), kLedgerPassword);
  EXPECT_EQ(SavedPassword(host.ip, "ledger"), std::nullopt);
  EXPECT_EQ(drives->ListDrives().back().previous_address, host.ip);
  for (const std::string& path :
       {kFollowBase + "/Network Drives/.Z.unc", kFollowBase + "/autostart/brevane-drive-Z.desktop"})
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << path;
  EXPECT_EQ(fs::status(kFollowBase + "/Network Drives").permissions() & fs::perms::all,
            fs::perms::owner_all);
  // The old address's mounts go (GVfs takes its time with a server gone).
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(40);
  while (GioNetworkDrives::MountedPlaces()->size() > 2 &&
         std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(GioNetworkDrives::MountedPlaces()->size(), 2u);
  drives->Disconnect("Y:");
  drives->Disconnect("Z:");
}

// The first login of GioReconnectLan.AKeptDriveIsMovedBackByItsOwner: a
// drive kept for the next login follows its device to another address.
TEST(GioLoginFirstMoveLan, AKeptDriveFollowsItsDeviceAway) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  const lan::Host& host = ThisLan().devices.at(0);
  lan::AddressRestorer restore(host);
  SimDevice device(host, DeviceArgs());
  GioNetworkDrives drives({kMovedBase + "/Network Drives", kMovedBase + "/autostart", CtlProgram()},
                          8000);
  const std::string remote = "\\\\" + host.ip + "\\ledger";
  ASSERT_EQ(drives.MapDrivePersistently("Z:", remote, kLedgerPassword), 0);
  drives.NoteDevice("Z:", "STORAGE", "WORKGROUP");
  const std::string moved_to = OtherAddress(host.ip);
  device.Control("move " + moved_to);
  ASSERT_EQ(drives.MoveDrive("Z:", device::Trusted::Chosen(moved_to)), 0);
  EXPECT_EQ(drives.GetConnection("Z:"), "\\\\" + moved_to + "\\ledger");
  // (The drive stays for the next login, its device back where it was.)
}

// The next login after GioLoginFirstMoveLan.AKeptDriveFollowsItsDeviceAway: the
// device is back at its first address while the kept drive names the other
// one. The login only says where the device seems to
// be; the person moves the drive back, with its password.
TEST(GioReconnectLan, AKeptDriveIsMovedBackByItsOwner) {
  const lan::Host& host = ThisLan().devices.at(0);
  SimDevice device(host, DeviceArgs());
  const std::string moved_to = OtherAddress(host.ip);
  ASSERT_NE(Read(kMovedBase + "/Network Drives/.Z.unc").find(moved_to), std::string::npos);
  const auto saved = SavedPassword(host.ip, "ledger");
  const auto logins = LogIn(kMovedBase);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].status, 3);
  EXPECT_NE(logins[0].err.find("brevane-ctl --move-drive Z " + host.ip), std::string::npos)
      << logins[0].err;
  EXPECT_EQ(SavedPassword(host.ip, "ledger"), saved);  // nothing went there

  // The address the note gives gets the kept password only with the
  // person's yes: without a terminal, --trust-found.
  const std::vector<std::string> move_back = {
      "env",        "HOME=" + kMovedBase, "XDG_CONFIG_HOME=" + kMovedBase,
      CtlProgram(), "--move-drive",       "Z",
      "back"};
  EXPECT_EQ(lan::Run(move_back).status, 2);
  EXPECT_EQ(SavedPassword(host.ip, "ledger"), saved);
  std::vector<std::string> trusted = move_back;
  trusted.push_back("--trust-found");
  const lan::Result back = lan::Run(trusted);
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_TRUE(fs::is_directory(kMovedBase + "/Network Drives/Z"));
  GioNetworkDrives drives({kMovedBase + "/Network Drives", kMovedBase + "/autostart"}, 8000);
  EXPECT_EQ(drives.GetConnection("Z:"), "\\\\" + host.ip + "\\ledger");
  EXPECT_EQ(SavedPassword(host.ip, "ledger"), kLedgerPassword);
  EXPECT_NE(Read(kMovedBase + "/autostart/brevane-drive-Z.desktop")
                .find("smb://ledger@" + host.ip + "/ledger again"),
            std::string::npos);
  std::ofstream(kMovedBase + "/Network Drives/Z/at-login.txt") << "found";
  EXPECT_EQ(Read(SmbDir() + "/shares/ledger/at-login.txt"), "found");
  drives.Disconnect("Z:");
}

// The attack a drive that follows its device must not fall for: its device
// is gone, and another host on the LAN answers discovery with the device's
// name and group and serves SMB, logging every authentication it sees.
TEST(GioDriveLookAlikeLan, NoPasswordReachesALookAlikeWithoutTheOwnersYes) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  const std::string base = std::string(std::getenv("HOME")) + "/LookAlike";
  const GioNetworkDrives::Places places{base + "/Network Drives", base + "/autostart",
                                        CtlProgram()};
  const lan::Host& real = ThisLan().devices.at(0);
  const lan::Host& other = ThisLan().devices.at(1);
  {
    SimDevice device(real, DeviceArgs());
    GioNetworkDrives drives(places, 8000);
    ASSERT_EQ(drives.MapDrivePersistently("Z:", "\\\\" + real.ip + "\\ledger", kLedgerPassword), 0);
    drives.NoteDevice("Z:", "STORAGE", "WORKGROUP");
  }
  // A new login: nothing mounted, the device gone, the look-alike there.
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  // Its log is this test's own: what an earlier run of it logged is gone.
  const std::string lookalike_dir = ThisLan().dir + "/smb-lookalike";
  fs::remove_all(lookalike_dir);
  struct Tidy {
    std::string dir;
    ~Tidy() { fs::remove_all(dir); }
  } tidy{lookalike_dir};
  SimDevice lookalike(other, {"--smb", lookalike_dir, "--protected-folder", "ledger:guess"});
  auto authentications = [&] {
    std::istringstream log(Read(lookalike_dir + "/smbd.log"));
    int seen = 0;
    for (std::string line; std::getline(log, line);)
      seen += line.find("Auth:") != std::string::npos && line.find("[ledger]") != std::string::npos;
    return seen;
  };
  const std::string note = Read(base + "/Network Drives/.Z.unc");
  const std::string entry = Read(base + "/autostart/brevane-drive-Z.desktop");
  auto unchanged = [&](const char* when) {
    EXPECT_EQ(authentications(), 0) << when;
    EXPECT_EQ(Read(base + "/Network Drives/.Z.unc"), note) << when;
    EXPECT_EQ(Read(base + "/autostart/brevane-drive-Z.desktop"), entry) << when;
    EXPECT_EQ(SavedPassword(real.ip, "ledger"), kLedgerPassword) << when;
    EXPECT_EQ(SavedPassword(other.ip, "ledger"), std::nullopt) << when;
  };

  // At login: the drive is only mounted where it points; where its device
  // seems to be now is said.
  const auto logins = LogIn(base);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].status, 3);
  EXPECT_NE(logins[0].err.find("--move-drive Z " + other.ip), std::string::npos) << logins[0].err;
  unchanged("after the login");

  // In the window: one question, No by default; No changes nothing.
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  fakes.adapters->more = desktop::LinuxAdapterList().Adapters();
  desktop::services().drives = std::make_shared<GioNetworkDrives>(places, 8000);
  const net::DeviceList found = scan::Discover(2, {});
  auto whole_scan = [&](desktop::MsgResult answer) {
    Form1 main;
    main.Devices = found;
    main.ProgressBar1->setValue(Form1::kScanMaximum - Form1::kScanStep);
    fakes.messages->shown.clear();
    fakes.messages->answers = {answer};
    main.Timer1Timer();
  };
  whole_scan(desktop::MsgResult::Cancel);
  ASSERT_FALSE(fakes.messages->shown.empty());
  EXPECT_EQ(fakes.messages->shown[0].buttons, desktop::MsgButtons::YesNoDefaultNo);
  EXPECT_NE(fakes.messages->shown[0].text.find(real.ip + " \u2192 " + other.ip), std::string::npos);
  unchanged("after No");

  // Yes is the person's own: only now does the look-alike see a response
  // made from the password. It refuses it, and the drive and the saved
  // passwords stay as they were.
  whole_scan(desktop::MsgResult::Ok);
  EXPECT_GT(authentications(), 0);
  EXPECT_EQ(Read(base + "/Network Drives/.Z.unc"), note);
  EXPECT_EQ(SavedPassword(real.ip, "ledger"), kLedgerPassword);
  EXPECT_EQ(SavedPassword(other.ip, "ledger"), std::nullopt);
  GioNetworkDrives(places, 8000).Disconnect("Z:");
  secret_password_clear_sync(SECRET_SCHEMA_COMPAT_NETWORK, nullptr, nullptr, "server",
                             real.ip.c_str(), "protocol", "smb", "user", "ledger", nullptr);
}

}  // namespace
