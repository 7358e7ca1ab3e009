#pragma once

#include <atomic>
#include <chrono>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

struct SharedFolder {
  std::string name;
  bool shared = false;   // in the Sharing List (an SMB share) or only in the Folder List
  std::string password;  // the share's password; empty: open to all
};

struct FtpAccount {
  int id = 0;
  std::string name;
  std::string password;
  bool read_only = true;
  bool enabled = true;
  std::vector<std::string> folders;
};

// Everything a simulated device knows. Guarded by Device::mutex.
struct DeviceState {
  // Identity and administration.
  std::string name = "STORAGE";
  std::string group = "WORKGROUP";
  std::string firmware = "1.0.0";
  std::string admin_user = "admin";
  std::string admin_password;
  // Date and time.
  int clock_offset_s = 0;  // device time minus this machine's
  bool sntp_auto = false;
  bool sntp_from_list = true;
  std::string sntp_server = "pool.ntp.org";
  int time_zone = 0;
  // Network.
  std::string ip;  // the address the device answers at
  int prefix = 24;
  std::string mac = "00:1B:2C:3D:4E:5F";
  bool dhcp_client = false;
  std::string submask = "255.255.255.0";
  std::string gateway;
  std::string pdns;
  std::string sdns;
  bool dhcp_server = false;
  // Disk.
  std::string disk_id = "SIM-DISK 500GB<br>SN 0001";
  long long total_mb = 476940;
  long long used_mb = 1234;
  int idle_minutes = 10;
  int scan_seconds = 6;  // how long a disk scan takes; a progress line a second
  bool scan_running = false;
  std::chrono::steady_clock::time_point scan_started;
  std::vector<std::string> scan_messages;
  // Language.
  std::vector<std::string> languages = {"English", "Deutsch",
                                        "Fran\xC3\xA7"
                                        "ais",
                                        "\xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87"};
  int language = 0;
  // File server.
  std::vector<SharedFolder> folders = {{"PUBLIC", true, ""}};
  // FTP server.
  bool ftp_enabled = true;
  std::string ftp_port = "21";
  bool ftp_anonymous = false;
  bool ftp_anonymous_read_only = true;
  std::string ftp_anonymous_home = "PUBLIC";
  std::vector<FtpAccount> accounts;
  int next_account_id = 1;
  int selected_account = 255;  // 255: a new account
  // Firmware.
  std::size_t firmware_limit = 8 << 20;
  // How fast the device writes an image it receives, in MiB a second, as
  // flash storage does; 0: as fast as it arrives.
  double flash_mib_per_second = 0;
  std::string last_firmware_name;
  std::size_t last_firmware_size = 0;
  // The version an image brings, taken at the next restart: an image named
  // NAME-VERSION.bin (VERSION digits and dots) brings VERSION.
  std::string pending_firmware;

  // Discovery behaviour: the replies sent to each request, in order:
  // "normal", "short" (71 bytes), "long" (73 bytes), "type2",
  // "empty-firmware", "other-names". Empty: the device keeps silent.
  std::vector<std::string> discovery_replies = {"normal"};
  // Answer each request once from every address of the device, as a crowd
  // of devices would.
  bool reply_from_every_address = false;
};

// Where a device keeps its folders' files, when it keeps any: told what the
// commands do to the folders, so the files go with them.
class FolderFiles {
 public:
  virtual ~FolderFiles() = default;
  virtual void Renamed(const std::string& from, const std::string& to) = 0;
  virtual void Removed(const std::string& name) = 0;
  // The disk was formatted: every folder's files are gone.
  virtual void Formatted() = 0;
};

// Faults a test asks for; each counts down as connections use it.
struct Faults {
  int refuse_ftp = 0;      // FTP commands answered with the failure page
  int refuse = 0;          // any commands answered with the failure page
  int delay_ms = 0;        // before every reply
  int hold = 0;            // connections kept open without an answer
  int reset = 0;           // connections reset after the request
  int garbage = 0;         // connections answered with garbage
  int oversized = 0;       // connections answered with a huge reply
  int close_silently = 0;  // connections closed without an answer
  int forbidden = 0;       // requests answered 403 with a page
  int server_error = 0;    // requests answered 500 with a page
  int trickle = 0;         // replies sent one byte every half second, never ending
};

class Device {
 public:
  std::mutex mutex;
  DeviceState state;
  DeviceState factory;  // what a factory reset restores
  Faults faults;
  std::map<std::string, int> http_requests;  // by path
  // Requests that carried credentials (an Authorization line), right or
  // wrong: what a client that was given none must never send.
  int requests_with_credentials = 0;
  std::vector<std::string> commands;  // every CGI request line, in order
  std::atomic<int> restart_seconds{10};
  FolderFiles* files = nullptr;  // the folders' files, set before serving
  std::atomic<long> discovery_requests{0};

  // While it restarts the device answers nothing, neither discovery nor HTTP.
  // Told to restart over the network, a device finishes what it is doing
  // for a moment first: it goes down `delay_ms` later.
  void Restart(int delay_ms = 0) {
    const long long from = Now() + delay_ms;
    down_from_ = std::numeric_limits<long long>::max();  // no half-written window
    down_until_ = from + restart_seconds.load() * 1000LL;
    down_from_ = from;
  }
  bool Down() const {
    const long long now = Now();
    return now >= down_from_.load() && now < down_until_.load();
  }
  // How long a restart asked for by a command waits before going down.
  static constexpr int kRestartDelayMs = 1500;

 private:
  static long long Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  std::atomic<long long> down_from_{0};
  std::atomic<long long> down_until_{0};
};

}  // namespace sim
