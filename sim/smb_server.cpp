#include "sim/smb_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "net/tcp.h"
#include "sim/process.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

// Accounts for protected folders: root's powers under names of their own,
// known only inside this device's private view of /etc/passwd.
std::string Account(int n) {
  return "bvshare" + std::to_string(n);
}

// Quotes a name for a Samba username map line.
std::string MapQuoted(const std::string& name) {
  return "\"" + name + "\"";
}

}  // namespace

SmbServer::SmbServer(Device& device, std::string dir) : device_(device), dir_(std::move(dir)) {
  for (const char* sub : {"run", "lock", "state", "cache", "private", "ncalrpc", "shares"})
    fs::create_directories(dir_ + "/" + sub);
  // The accounts exist only in this device's own mount namespace (the test
  // LAN starts each device in a private one).
  std::ifstream system_passwd("/etc/passwd");
  std::ostringstream passwd;
  passwd << system_passwd.rdbuf();
  system_accounts_ = passwd.str();
  WriteAccounts();
  if (::mount((dir_ + "/passwd").c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0)
    throw std::runtime_error(std::string("cannot give the device its own accounts: ") +
                             std::strerror(errno));
  Sync();
  // Every authentication the folders see goes to smbd.log, as a device's
  // own log keeps it.
  smbd_ = Spawn({"smbd", "--foreground", "--no-process-group", "--debug-stdout", "-d",
                 "0 auth_audit:3", "-s", dir_ + "/smb.conf"},
                {dir_ + "/smbd.log", -1, true});
  if (smbd_ <= 0) throw std::runtime_error("cannot start smbd");
  // The device is ready once its shares can be reached.
  std::string ip;
  {
    std::lock_guard lock(device_.mutex);
    ip = device_.state.ip;
  }
  for (int i = 0; i < 200; ++i) {
    try {
      net::TcpStream::Connect(ip, 445, 100);
      return;
    } catch (const std::exception&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  throw std::runtime_error("smbd did not come up");
}

SmbServer::~SmbServer() {
  if (smbd_ > 0) {
    ::kill(-smbd_, SIGTERM);
    WaitFor(smbd_);
  }
  ::umount2("/etc/passwd", MNT_DETACH);
}

void SmbServer::WriteAccounts() {
  std::string passwd = system_accounts_;
  for (const auto& [folder, account] : users_)
    passwd += account + ":x:0:0:shared folder:/nonexistent:/usr/sbin/nologin\n";
  // Written in place: the device's /etc/passwd is this very file.
  std::ofstream(dir_ + "/passwd", std::ios::trunc) << passwd;
}

std::string SmbServer::UserFor(const std::string& folder) {
  auto it = users_.find(folder);
  if (it != users_.end()) return it->second;
  // Every protected folder has an account of its own, never one of another.
  const std::string account = Account(next_account_++);
  users_[folder] = account;
  WriteAccounts();
  return account;
}

bool SmbServer::SmbPasswd(const std::vector<std::string>& args, const std::string& input) {
  int in[2];
  if (::pipe(in) != 0) return false;
  std::vector<std::string> argv = {"smbpasswd", "-c", dir_ + "/smb.conf"};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = Spawn(argv, {dir_ + "/smbd.log", in[0], false});
  ::close(in[0]);
  [[maybe_unused]] auto n = ::write(in[1], input.data(), input.size());
  ::close(in[1]);
  return pid > 0 && WaitFor(pid) == 0;
}

void SmbServer::Renamed(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::rename(FolderPath(from), FolderPath(to), error);
}

void SmbServer::Removed(const std::string& name) {
  std::error_code error;
  fs::remove_all(FolderPath(name), error);
}

void SmbServer::Formatted() {
  std::error_code error;
  fs::remove_all(dir_ + "/shares", error);
  fs::create_directories(dir_ + "/shares", error);
}

std::string SmbServer::Config(const std::vector<SharedFolder>& folders) {
  std::ostringstream conf;
  conf << "[global]\n"
          "  workgroup = WORKGROUP\n"
          "  server role = standalone server\n"
          // Every address of the device's own namespace: one it moves to
          // serves at once.
          "  smb ports = 445\n"
          "  disable netbios = yes\n"
          "  load printers = no\n"
          "  printcap name = /dev/null\n"
          "  disable spoolss = yes\n"
          "  map to guest = Bad User\n"
          "  guest account = root\n"
          "  username map = "
       << dir_ << "/users.map\n";
  conf << "  pid directory = " << dir_ << "/run\n"
       << "  lock directory = " << dir_ << "/lock\n"
       << "  state directory = " << dir_ << "/state\n"
       << "  cache directory = " << dir_ << "/cache\n"
       << "  private dir = " << dir_ << "/private\n"
       << "  ncalrpc dir = " << dir_ << "/ncalrpc\n"
       << "  log file = " << dir_ << "/log.%m\n";
  for (const auto& f : folders) {
    if (!f.shared) continue;
    conf << "[" << f.name << "]\n"
         << "  path = " << FolderPath(f.name) << "\n"
         << "  read only = no\n";
    if (f.password.empty())
      conf << "  guest ok = yes\n";
    else
      conf << "  guest ok = no\n  valid users = " << UserFor(f.name) << "\n";
  }
  return conf.str();
}

void SmbServer::Sync() {
  // Every connection and the control socket may ask at once.
  std::lock_guard sync(sync_mutex_);
  std::vector<SharedFolder> folders;
  {
    std::lock_guard lock(device_.mutex);
    folders = device_.state.folders;
    std::error_code error;
    for (const auto& f : folders) fs::create_directories(FolderPath(f.name), error);
  }

  // An account goes with its folder's protection: a folder deleted,
  // renamed or opened to all takes its account and password with it.
  for (auto it = users_.begin(); it != users_.end();) {
    const bool protected_now = std::any_of(folders.begin(), folders.end(), [&it](const auto& f) {
      return f.name == it->first && f.shared && !f.password.empty();
    });
    if (protected_now) {
      ++it;
      continue;
    }
    SmbPasswd({"-x", it->second});
    passwords_.erase(it->second);
    it = users_.erase(it);
    WriteAccounts();
  }

  std::ostringstream map;
  for (const auto& f : folders)
    if (f.shared && !f.password.empty())
      map << UserFor(f.name) << " = " << MapQuoted(f.name) << "\n";
  std::ofstream(dir_ + "/users.map") << map.str();
  const std::string config = Config(folders);
  const bool changed = config != config_;
  if (changed) {
    std::ofstream(dir_ + "/smb.conf") << config;
    config_ = config;
  }

  for (const auto& f : folders) {
    if (!f.shared || f.password.empty()) continue;
    const std::string account = UserFor(f.name);
    if (passwords_[account] == f.password) continue;
    // smbpasswd reads one password a line: one holding a line break would
    // be cut into two; such a folder keeps the password it had.
    if (f.password.find_first_of("\r\n") != std::string::npos) continue;
    if (SmbPasswd({"-s", "-a", account}, f.password + "\n" + f.password + "\n"))
      passwords_[account] = f.password;
  }

  if (changed && smbd_ > 0) ::kill(smbd_, SIGHUP);  // reload the shares
}

}  // namespace sim
