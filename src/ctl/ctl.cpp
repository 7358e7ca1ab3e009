#include "ctl/ctl.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/disk.h"
#include "device/drives.h"
#include "device/exchange.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/ip_config.h"
#include "device/maintenance.h"
#include "device/status.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_reader.h"
#include "net/page_values.h"
#include "net/socket_error.h"
#include "net/tcp.h"
#include "net/upload_client.h"
#include "net/version.h"
#include "net/waiting.h"
#include "platform/adapters_linux.h"
#include "platform/gio_drives.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {
namespace {

using i18n::Translate;

constexpr char kUsageText[] =
    "Usage: brevane-ctl [OPTION]... DEVICE COMMAND [ARGUMENT]...\n"
    "   or: brevane-ctl [OPTION]... --reconnect-drive LETTER\n"
    "   or: brevane-ctl [OPTION]... --move-drive LETTER ADDRESS|back\n"
    "Shows and changes a network-storage device's settings, with the checks and\n"
    "the commands of Brevane's management console.\n"
    "\n"
    "DEVICE is an IPv4 address, or a device name (NAME or NAME/GROUP) found by a\n"
    "discovery scan (UDP broadcast to port 14675).\n"
    "\n"
    "Commands:\n"
    "  show [status|ip|folders|ftp|disk]       what the console's pages show\n"
    "  name HOST GROUP                          host and group name\n"
    "  password                                 the administrator password (new one\n"
    "                                           from --new-password-file or asked)\n"
    "  time [--date Y/M/D] [--time H:M:S] [--sntp on|off] [--server NAME]\n"
    "       [--zone HOURS]                      date, time, time server and zone\n"
    "  dhcp-server on|off                       the device's DHCP server\n"
    "  language INDEX|NAME                      the device's own language\n"
    "  address auto                             an address from the network\n"
    "  address static IP MASK [GATEWAY [DNS1 [DNS2]]]\n"
    "  upload FILE                              flash a firmware image and restart\n"
    "  reboot                                   restart the device\n"
    "  reset                                    restore the factory settings\n"
    "  folder list|create NAME|rename OLD NEW|delete NAME|share NAME|unshare NAME\n"
    "         |password NAME                   the device's folders\n"
    "  ftp service on|off [--port N]            the FTP service\n"
    "  ftp anonymous on|off [--read-only|--read-write] [--home FOLDER]\n"
    "  ftp account list|create NAME|delete NAME|enable NAME|disable NAME\n"
    "              |password NAME|access NAME ro|rw|folders NAME\n"
    "              |give NAME FOLDER|take NAME FOLDER\n"
    "  disk sleep MINUTES                       0 to disable, 5 to 60\n"
    "  disk scan [--follow]                     start a disk scan (and follow it)\n"
    "  disk clear-messages | disk format\n"
    "\n"
    "Options:\n"
    "  --user NAME                the device's user (default admin)\n"
    "  --password-file FILE       the device's password, from the file's first line\n"
    "  --password-fd N            the device's password, read from descriptor N\n"
    "                             (without either: asked on the terminal, or none)\n"
    "  --new-password-file FILE   a new password, for password commands\n"
    "  --new-password-fd N        a new password, read from descriptor N\n"
    "  --yes                      do destructive commands without asking\n"
    "  --wait                     after a restart or an address change, wait until the\n"
    "                             device answers again (--wait-seconds, default 180)\n"
    "  --json                     print results as JSON\n"
    "  --seconds N                how long a scan for a device name lasts (default 3)\n"
    "  --reconnect-drive LETTER   mount a drive kept for the next login again where\n"
    "                             it points (its login entry runs this); if nothing\n"
    "                             answers there, one scan looks for its device by\n"
    "                             name and group and says where it seems to be, but\n"
    "                             moves nothing and sends nothing there\n"
    "  --move-drive LETTER ADDRESS|back\n"
    "                             move a drive, its saved password and its login\n"
    "                             entry to its folder at ADDRESS (a network of this\n"
    "                             computer's), or back to where it was moved from\n"
    "  --interface NAME, --broadcast ADDRESS   where that scan goes\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 done, 1 refused or failed, 2 usage, 3 the device did not answer.\n";

// Ends the command: what is said, and the exit status.
struct Failure {
  int status;
  std::string text;
};

[[noreturn]] void Fail(int status, const std::string& text) {
  throw Failure{status, text};
}

[[noreturn]] void Fail(const device::Message& message) {
  throw Failure{kFailed,
                message.title.empty() ? message.text : message.title + ": " + message.text};
}

[[noreturn]] void Usage(const std::string& text) {
  Fail(kUsage, text + "\nTry 'brevane-ctl --help'.");
}

bool IsAddress(const std::string& text) {
  in_addr a{};
  return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// A secret's text without its line end.
std::string FirstLine(std::string text) {
  text = text.substr(0, text.find('\n'));
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

std::string ReadDescriptor(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

std::string ReadFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Usage("cannot read " + path);
  std::string text = ReadDescriptor(fd);
  ::close(fd);
  return text;
}

// A line typed on the terminal, not shown as it is typed.
std::optional<std::string> AskHidden(const std::string& prompt) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0 || !::isatty(STDIN_FILENO)) {
    if (tty >= 0) ::close(tty);
    return std::nullopt;
  }
  [[maybe_unused]] auto w = ::write(tty, prompt.data(), prompt.size());
  termios before{};
  ::tcgetattr(tty, &before);
  termios quiet = before;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(tty, TCSAFLUSH, &quiet);
  std::string line;
  for (char c; ::read(tty, &c, 1) == 1 && c != '\n';) line += c;
  ::tcsetattr(tty, TCSAFLUSH, &before);
  w = ::write(tty, "\n", 1);
  ::close(tty);
  return line;
}

struct Options {
  std::string user = "admin";
  std::optional<std::string> password_file, new_password_file;
  std::optional<int> password_fd, new_password_fd;
  bool yes = false, wait = false, json = false;
  int seconds = 3;
  int wait_seconds = 180;
  scan::Where where;
  std::optional<std::string> reconnect_drive;
  std::optional<std::pair<std::string, std::string>> move_drive;  // letter, address or "back"
};

std::string Json(const std::string& text) {
  return scan::JsonString(text);
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Json(items[i]);
  return out + "]";
}

const char* OnOff(bool on) {
  return on ? "on" : "off";
}

// One invocation: the device, its session and the command.
class Ctl {
 public:
  Ctl(Options options, std::vector<std::string> args)
      : options_(std::move(options)), args_(std::move(args)) {}

  int Run();

 private:
  // Arguments of the command, from `at` on.
  const std::string& Arg(std::size_t at, const char* what) const {
    if (at >= args_.size()) Usage(std::string("missing ") + what);
    return args_[at];
  }
  void NoMoreThan(std::size_t count) const {
    if (args_.size() > count) Usage("unexpected " + args_[count]);
  }
  bool OnOffArg(std::size_t at) const {
    const std::string& value = Arg(at, "on or off");
    if (value != "on" && value != "off") Usage("expected on or off, not " + value);
    return value == "on";
  }
  // The value after `--name` among the command's arguments, if any.
  std::optional<std::string> Flag(const std::string& name) {
    const auto it = std::find(args_.begin(), args_.end(), name);
    if (it == args_.end()) return std::nullopt;
    if (it + 1 == args_.end()) Usage(name + " takes a value");
    std::string value = *(it + 1);
    args_.erase(it, it + 2);
    return value;
  }
  bool Switch(const std::string& name) {
    const auto it = std::find(args_.begin(), args_.end(), name);
    if (it == args_.end()) return false;
    args_.erase(it);
    return true;
  }

  void Resolve();
  std::string Page();
  void Send(const device::Command& command);
  void Carry(const device::Plan& plan);
  void Confirm(const device::Message& question);
  std::string NewPassword();
  void Done(const std::string& said);
  void Print(const std::string& human, const std::string& json);
  enum class Return { AfterRestart, AtNewAddress, Elsewhere };
  void WaitForDevice(Return how);

  void Show();
  void Time();
  void Address();
  void Upload();
  void Folder();
  void Ftp();
  void FtpAccount();
  void Disk();
  void FollowScan();
  net::AccountRow FindAccount(const std::string& name);
  device::FtpAccountView SelectAccount(const net::AccountRow& row);

  Options options_;
  std::vector<std::string> args_;
  device::Session session_;
  std::string name_, group_;  // of the device, as found by a scan
  net::CommandClient client_;
};

void Ctl::Resolve() {
  const std::string device = Arg(0, "DEVICE");
  if (IsAddress(device)) {
    session_.address = device;
    return;
  }
  // NAME or NAME/GROUP, found by one scan.
  const auto slash = device.find('/');
  const std::string name = device.substr(0, slash);
  const std::optional<std::string> group =
      slash == std::string::npos ? std::nullopt : std::optional(device.substr(slash + 1));
  net::DeviceList found;
  try {
    found = scan::Discover(options_.seconds, options_.where);
  } catch (const net::SocketError& e) {
    Fail(kUsage, "cannot scan for devices: " + net::WsaErrorDescription(e.number()));
  }
  std::vector<net::DeviceRecord> matches;
  for (const auto& d : found.Devices())
    if (d.DeviceName == name && (!group || d.GroupName == *group)) matches.push_back(d);
  if (matches.size() == 1) {
    session_.address = matches[0].Ip;
    name_ = matches[0].DeviceName;
    group_ = matches[0].GroupName;
    return;
  }
  std::string listed = found.Devices().empty() ? "no device answered" : "devices found:\n";
  for (const auto& d : found.Devices())
    listed += "  " + scan::Printable(d.Ip) + "  " + scan::Printable(d.DeviceName) + "/" +
              scan::Printable(d.GroupName) + "\n";
  if (matches.empty())
    Fail(kNoAnswer, "no device is named " + scan::Printable(device) + "; " + listed);
  Fail(kUsage, "several devices are named " + scan::Printable(device) +
                   "; give an address or NAME/GROUP; " + listed);
}

std::string Ctl::Page() {
  const net::ActionBound bound{std::chrono::milliseconds(20000)};
  const net::PageRead read = net::ReadPageWithRetries(
      session_.address, session_.user, session_.password, net::kStatusPagePath, net::AuthGetPage);
  if (read.reply.Status == 401)
    Fail(kFailed, Translate("Login failed, please check your username and password"));
  if (read.reply.BodyText.empty() || read.reply.Status != 200)
    Fail(kNoAnswer, Translate("連線失敗"));
  return read.reply.BodyText;
}

void Ctl::Send(const device::Command& command) {
  if (!net::CommandClient::Fits(command.url))
    Fail(device::Say("This value is too long to be sent. Shorten it and try again.",
                     command.field != nullptr ? command.field : "Set"));
  for (int submission = 1;; ++submission) {
    const device::Delivery delivery =
        device::Deliver(client_, session_, command.url, command.page_tag);
    if (!delivery.sent) Fail(kNoAnswer, Translate("連線失敗"));
    // The device leaves its address once it has the command.
    if (command.page_tag == "if_cgi.htm") return;
    if (!delivery.alive) Fail(kNoAnswer, Translate("連線失敗"));
    if (device::RefusedFtpCommand(command.url, command.page_tag, delivery)) {
      if (command.retried && submission < device::kMaxSubmissions) {
        net::Pause(20);
        continue;
      }
      Fail(kFailed, Translate("The device refused the command."));
    }
    // The console says nothing of a refusal here; a script must know.
    if (delivery.failure_page) Fail(kFailed, Translate("The device refused the command."));
    return;
  }
}

void Ctl::Carry(const device::Plan& plan) {
  if (const device::Refusal* refused = device::Refused(plan)) Fail(refused->message);
  Send(std::get<device::Command>(plan));
}

void Ctl::Confirm(const device::Message& question) {
  if (options_.yes) return;
  if (!::isatty(STDIN_FILENO))
    Fail(kUsage, question.text + "\nNot asked without a terminal: give --yes to go ahead.");
  std::fprintf(stderr, "%s [y/N] ", question.text.c_str());
  std::fflush(stderr);
  char answer[16] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr || (answer[0] != 'y' && answer[0] != 'Y'))
    Fail(kFailed, "Not done.");
}

std::string Ctl::NewPassword() {
  if (options_.new_password_file) return FirstLine(ReadFile(*options_.new_password_file));
  if (options_.new_password_fd) return FirstLine(ReadDescriptor(*options_.new_password_fd));
  const auto first = AskHidden(Translate("Password") + ": ");
  if (!first)
    Usage("a new password comes from --new-password-file, --new-password-fd or the terminal");
  const auto again = AskHidden(Translate("Verify Password") + ": ");
  if (!again || *again != *first)
    Fail(device::Say("New password entries do not match!", "Administration"));
  return *first;
}

void Ctl::Print(const std::string& human, const std::string& json) {
  std::fputs((options_.json ? json : human).c_str(), stdout);
}

void Ctl::Done(const std::string& said) {
  Print((said.empty() ? "Done." : said) + "\n",
        "{\"device\": " + Json(session_.address) + ", \"done\": true" +
            (said.empty() ? "" : ", \"said\": " + Json(said)) + "}\n");
}

// Until the device answers again, by discovery: after a restart it is
// silent first, then back at its address; after a change of address it
// answers at the new one, or, one from the network, somewhere else under
// its name and group.
void Ctl::WaitForDevice(Return how) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options_.wait_seconds);
  const std::string old_address = session_.address;
  auto is_it = [&](const net::DeviceRecord& d) {
    return how == Return::Elsewhere
               ? d.DeviceName == name_ && d.GroupName == group_ && d.Ip != old_address
               : d.Ip == old_address;
  };
  auto answering = [&]() -> std::optional<std::string> {
    net::DeviceList found;
    try {
      found = scan::Discover(2, options_.where, [&](const net::DeviceList& list) {
        return std::any_of(list.Devices().begin(), list.Devices().end(), is_it);
      });
    } catch (const net::SocketError& e) {
      Fail(kUsage, "cannot scan for devices: " + net::WsaErrorDescription(e.number()));
    }
    for (const auto& d : found.Devices())
      if (is_it(d)) return d.Ip;
    return std::nullopt;
  };
  if (how == Return::AfterRestart) {
    // A device restarts a moment after it is told to, and is silent while
    // it does (half a minute at most).
    const auto gone_by = std::min(end, std::chrono::steady_clock::now() + std::chrono::seconds(30));
    while (std::chrono::steady_clock::now() < gone_by && answering())
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  while (std::chrono::steady_clock::now() < end) {
    if (const auto ip = answering()) {
      session_.address = *ip;
      return;
    }
  }
  Fail(kNoAnswer, "the device did not answer again within " +
                      std::to_string(options_.wait_seconds) + " seconds");
}

void Ctl::Show() {
  const std::string what = args_.size() > 2 ? args_[2] : "status";
  NoMoreThan(3);
  const std::string page = Page();
  if (what == "status") {
    const auto v = device::ShowStatus(page);
    const std::string zone = v.zone ? device::kTimeZones[*v.zone] : "";
    const std::string server =
        v.server_from_list ? device::kTimeServers[v.listed_server] : v.manual_server;
    const std::string language =
        v.language ? v.languages[static_cast<std::size_t>(*v.language)] : "";
    Print("Host name:      " + scan::Printable(v.host) + "\nGroup name:     " +
              scan::Printable(v.group) + "\nTime:           " + scan::Printable(v.current_time) +
              "\nSNTP:           " + OnOff(v.sntp_auto) +
              "\nTime server:    " + scan::Printable(server) + "\nTime zone:      " + zone +
              "\nIP address:     " + scan::Printable(v.ip) + "\nMAC address:    " +
              scan::Printable(v.mac) + "\nDHCP server:    " + OnOff(v.dhcp_server) +
              "\nFirmware:       " + scan::Printable(v.firmware) +
              "\nDisk:           " + scan::Printable(device::Trim(v.disk_id)) +
              "\nFree size:      " + scan::Printable(v.free_size) +
              "\nTotal size:     " + scan::Printable(device::Trim(v.total_size)) +
              "\nLanguage:       " + scan::Printable(language) + "\n",
          "{\"host_name\": " + Json(v.host) + ", \"group_name\": " + Json(v.group) +
              ", \"time\": " + Json(v.current_time) + ", \"sntp\": " +
              (v.sntp_auto ? "true" : "false") + ", \"time_server\": " + Json(server) +
              ", \"time_zone\": " + (v.zone ? std::to_string(*v.zone - 12) : "null") +
              ", \"ip_address\": " + Json(v.ip) + ", \"mac_address\": " + Json(v.mac) +
              ", \"dhcp_server\": " + (v.dhcp_server ? "true" : "false") + ", \"firmware\": " +
              Json(v.firmware) + ", \"disk_id\": " + Json(device::Trim(v.disk_id)) +
              ", \"free_size\": " + Json(v.free_size) + ", \"total_size\": " +
              Json(device::Trim(v.total_size)) + ", \"languages\": " + JsonList(v.languages) +
              ", \"language\": " + (v.language ? std::to_string(*v.language) : "null") + "}\n");
    if (!v.failure.empty()) Fail(kFailed, v.failure);
  } else if (what == "ip") {
    const auto v = device::ShowIpConfig(page);
    Print(std::string("Address:        ") + (v.automatic ? "automatic" : "static") +
              "\nIP address:     " + scan::Printable(v.ip) + "\nSubnet mask:    " +
              scan::Printable(v.mask) + "\nGateway:        " + scan::Printable(v.gateway) +
              "\nPrimary DNS:    " + scan::Printable(v.primary_dns) +
              "\nSecondary DNS:  " + scan::Printable(v.secondary_dns) + "\n",
          std::string("{\"automatic\": ") + (v.automatic ? "true" : "false") +
              ", \"ip_address\": " + Json(v.ip) + ", \"subnet_mask\": " + Json(v.mask) +
              ", \"gateway\": " + Json(v.gateway) + ", \"primary_dns\": " + Json(v.primary_dns) +
              ", \"secondary_dns\": " + Json(v.secondary_dns) + "}\n");
  } else if (what == "folders") {
    const auto v = device::ShowFileServer(page);
    std::string human;
    for (const auto& f : v.shared) human += scan::Printable(f) + "  (shared)\n";
    for (const auto& f : v.folders) human += scan::Printable(f) + "\n";
    Print(human, "{\"shared\": " + JsonList(v.shared) + ", \"not_shared\": " + JsonList(v.folders) +
                     "}\n");
  } else if (what == "ftp") {
    const auto v = device::ShowFtpServer(page);
    const std::string home = v.home ? v.homes[static_cast<std::size_t>(*v.home)] : "";
    std::string human = std::string("FTP service:    ") + OnOff(v.enabled) +
                        "\nPort:           " + scan::Printable(v.port) +
                        "\nAnonymous:      " + OnOff(v.anonymous) +
                        (v.anonymous_read_only ? ", read only" : ", read/write") +
                        "\nHome folder:    " + scan::Printable(home) + "\nAccounts:\n";
    std::string accounts = "[";
    for (std::size_t i = 0; i < v.accounts.size(); ++i) {
      const auto& a = v.accounts[i];
      human += "  " + scan::Printable(a.name) + "  " +
               scan::Printable(device::AccountWord(a.access)) + "  " +
               scan::Printable(device::AccountWord(a.state)) + "\n";
      accounts += std::string(i ? ", " : "") + "{\"name\": " + Json(a.name) +
                  ", \"access\": " + Json(a.access) + ", \"state\": " + Json(a.state) + "}";
    }
    Print(human, std::string("{\"enabled\": ") + (v.enabled ? "true" : "false") + ", \"port\": " +
                     Json(v.port) + ", \"anonymous\": " + (v.anonymous ? "true" : "false") +
                     ", \"anonymous_read_only\": " + (v.anonymous_read_only ? "true" : "false") +
                     ", \"home\": " + Json(home) + ", \"accounts\": " + accounts + "]}\n");
  } else if (what == "disk") {
    const auto v = device::ShowDisk(page);
    Print("Sleep time:     " + scan::Printable(v.sleep_minutes) + " min\nScan messages:\n" +
              (v.scan_messages.empty() ? "" : scan::Printable(v.scan_messages) + "\n"),
          "{\"sleep_minutes\": " + Json(v.sleep_minutes) +
              ", \"scan_messages\": " + Json(v.scan_messages) + "}\n");
  } else {
    Usage("show what? status, ip, folders, ftp or disk");
  }
}

void Ctl::Time() {
  const auto date = Flag("--date"), time = Flag("--time"), sntp = Flag("--sntp"),
             server = Flag("--server"), zone = Flag("--zone");
  NoMoreThan(2);
  // What is not given stays as the device has it, as in the console.
  const auto v = device::ShowStatus(Page());
  device::DateTime when{v.year, v.month, v.day, v.hour, v.minute, v.second};
  auto split = [](const std::string& text, char by, std::string* a, std::string* b,
                  std::string* c) {
    const auto one = text.find(by), two = text.find(by, one == std::string::npos ? one : one + 1);
    if (one == std::string::npos || two == std::string::npos) Usage("cannot read " + text);
    *a = text.substr(0, one);
    *b = text.substr(one + 1, two - one - 1);
    *c = text.substr(two + 1);
  };
  if (date) split(*date, '/', &when.year, &when.month, &when.day);
  if (time) split(*time, ':', &when.hour, &when.minute, &when.second);
  bool automatic = v.sntp_auto;
  if (sntp) {
    if (*sntp != "on" && *sntp != "off") Usage("--sntp takes on or off");
    automatic = *sntp == "on";
  }
  bool from_list = v.server_from_list;
  std::string listed = device::kTimeServers[v.listed_server], manual = v.manual_server;
  if (server) {
    const auto* it =
        std::find(std::begin(device::kTimeServers), std::end(device::kTimeServers), *server);
    from_list = it != std::end(device::kTimeServers);
    if (from_list)
      listed = *server;
    else
      manual = *server;
  }
  int zone_index = v.zone.value_or(-1);
  if (zone) zone_index = device::ToInteger(*zone) + 12;
  if (zone_index < 0 || zone_index > 24) Usage("--zone takes hours from -12 to 12");
  Carry(device::SetDateAndTime(session_.address, when, automatic, from_list, listed, manual,
                               zone_index));
  Done("Date and time set.");
}

void Ctl::Address() {
  const std::string& kind = Arg(2, "auto or static");
  device::AddressSettings settings;
  if (kind == "auto") {
    NoMoreThan(3);
    settings.automatic = true;
  } else if (kind == "static") {
    NoMoreThan(8);
    settings.ip = Arg(3, "IP");
    settings.mask = Arg(4, "MASK");
    if (args_.size() > 5) settings.gateway = args_[5];
    if (args_.size() > 6) settings.primary_dns = args_[6];
    if (args_.size() > 7) settings.secondary_dns = args_[7];
  } else {
    Usage("address auto, or address static IP MASK [GATEWAY [DNS1 [DNS2]]]");
  }
  // Found again after an automatic address by the name and group it has.
  if (settings.automatic && options_.wait && name_.empty()) {
    const auto v = device::ShowStatus(Page());
    name_ = v.host;
    group_ = v.group;
  }
  Carry(device::SetAddress(session_.address, settings));
  if (!settings.automatic) session_.address = settings.ip;
  if (options_.wait) WaitForDevice(settings.automatic ? Return::Elsewhere : Return::AtNewAddress);
  Done(settings.automatic && !options_.wait
           ? "The device takes an address from the network; find it again with brevane-scan."
           : "The device answers at " + session_.address + ".");
}

namespace {

// The upload's progress on a terminal: one line, rewritten as the percentage
// grows.
class UploadProgress : public net::WaitObserver {
 public:
  explicit UploadProgress(const std::string& address) {
    text_ = Translate("Sending the firmware to %1 …");
    if (const auto at = text_.find("%1"); at != std::string::npos) text_.replace(at, 2, address);
    net::SetWaitObserver(this);
  }
  ~UploadProgress() override {
    net::SetWaitObserver(nullptr);
    if (shown_ >= 0) std::fputc('\n', stderr);
  }
  void Begin(net::Activity, const std::string&) override {}
  void Idle() override {}
  void End() override {}
  void Progress(std::uint64_t done, std::uint64_t total) override {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    std::fprintf(stderr, "\r%s %3d%%", scan::Printable(text_).c_str(), percent);
    std::fflush(stderr);
  }

 private:
  std::string text_;
  int shown_ = -1;
};

}  // namespace

void Ctl::Upload() {
  const std::string path = Arg(2, "FILE");
  NoMoreThan(3);
  Confirm(device::ConfirmFlash());
  net::THttpDataStream body = [&] {
    try {
      return device::FirmwareForm(path);
    } catch (const std::exception& e) {
      Fail(kFailed, e.what());
    }
  }();
  net::UploadClient upload;
  upload.UserName = session_.user;
  upload.Password = session_.password;
  upload.Referer = device::UploadReferer(session_.address);
  upload.ContentType = body.ContentType();
  std::exception_ptr error;
  try {
    // Progress only for a person watching.
    std::optional<UploadProgress> progress;
    if (!options_.json && ::isatty(STDERR_FILENO)) progress.emplace(session_.address);
    net::MemoryStream reply;
    upload.Post(device::UploadUrl(session_.address), body, reply);
  } catch (...) {
    error = std::current_exception();
  }
  const auto outcome = device::JudgeUpload(error);
  if (outcome == device::UploadOutcome::Answered)
    Fail(kFailed, Translate("Upload fail!"));  // taken, but not as a device takes an image
  if (outcome != device::UploadOutcome::Accepted) {
    Fail(device::UploadFailure(outcome, path));
  }
  Confirm(device::ConfirmRestartAfterUpload());
  Send(device::Restart(session_.address));
  if (options_.wait) WaitForDevice(Return::AfterRestart);
  Done(Translate("Firmware Upload Successful."));
}

void Ctl::Folder() {
  const std::string& what = Arg(2, "list, create, rename, delete, share, unshare or password");
  using device::NameDialog;
  const std::string& ip = session_.address;
  if (what == "list") {
    args_ = {args_[0], "show", "folders"};
    return Show();
  }
  if (what == "create") {
    NoMoreThan(4);
    Carry(device::CreateFolder(ip, NameDialog::CreateFolder, Arg(3, "NAME")));
  } else if (what == "rename") {
    NoMoreThan(5);
    Carry(device::RenameFolder(ip, NameDialog::RenameFolder, Arg(3, "OLD"), Arg(4, "NEW")));
  } else if (what == "delete") {
    NoMoreThan(4);
    const device::Plan plan = device::DeleteFolder(ip, Arg(3, "NAME"));
    if (!device::Refused(plan)) Confirm(device::ConfirmDeleteFolder("File Server"));
    Carry(plan);
  } else if (what == "share") {
    NoMoreThan(4);
    Carry(device::ShareFolder(ip, Arg(3, "NAME")));
  } else if (what == "unshare") {
    NoMoreThan(4);
    Carry(device::UnshareFolder(ip, Arg(3, "NAME")));
  } else if (what == "password") {
    NoMoreThan(4);
    const std::string password = NewPassword();
    Carry(device::SetFolderPassword(ip, Arg(3, "NAME"), password, password));
  } else {
    Usage("folder list, create, rename, delete, share, unshare or password");
  }
  Done("");
}

net::AccountRow Ctl::FindAccount(const std::string& name) {
  for (const auto& row : device::ShowFtpServer(Page()).accounts)
    if (row.name == name) return row;
  Fail(kFailed, "no FTP account is named " + scan::Printable(name));
}

// The account's own page, as "Modify" brings it up in the console.
device::FtpAccountView Ctl::SelectAccount(const net::AccountRow& row) {
  Carry(device::SelectAccount(session_.address, row.id));
  return device::ShowFtpAccount(Page());
}

void Ctl::FtpAccount() {
  const std::string& what = Arg(3, "an account command");
  const std::string& ip = session_.address;
  if (what == "list") {
    args_ = {args_[0], "show", "ftp"};
    return Show();
  }
  const std::string name = Arg(4, "NAME");
  if (what == "create") {
    NoMoreThan(5);
    Send(device::PrepareNewAccount(ip));
    Carry(device::CreateFolder(ip, device::NameDialog::CreateAccount, name));
    return Done("");
  }
  const net::AccountRow row = FindAccount(name);
  if (what == "delete") {
    NoMoreThan(5);
    Confirm(device::ConfirmDeleteAccount());
    Carry(device::DeleteAccount(ip, row.id));
  } else if (what == "enable" || what == "disable") {
    NoMoreThan(5);
    // The device toggles: only an account in the other state is told.
    if ((row.state == "Enable") != (what == "enable")) Send(device::ToggleAccount(ip, row.option));
  } else if (what == "password") {
    NoMoreThan(5);
    const std::string password = NewPassword();
    const auto account = SelectAccount(row);
    Carry(device::SetAccount(ip, account.account, password, account.read_only));
  } else if (what == "access") {
    NoMoreThan(6);
    const std::string& access = Arg(5, "ro or rw");
    if (access != "ro" && access != "rw") Usage("access takes ro or rw");
    const auto account = SelectAccount(row);
    Carry(device::SetAccount(ip, account.account, account.password, access == "ro"));
  } else if (what == "folders") {
    NoMoreThan(5);
    const auto account = SelectAccount(row);
    std::string human;
    for (const auto& f : account.account_folders) human += scan::Printable(f) + "\n";
    return Print(human, "{\"account\": " + Json(account.account) +
                            ", \"folders\": " + JsonList(account.account_folders) + "}\n");
  } else if (what == "give" || what == "take") {
    NoMoreThan(6);
    const auto account = SelectAccount(row);
    const std::string& folder = Arg(5, "FOLDER");
    Carry(what == "give" ? device::GiveFolder(ip, account.account, folder)
                         : device::TakeFolder(ip, account.account, folder));
  } else {
    Usage("unknown account command " + what);
  }
  Done("");
}

void Ctl::Ftp() {
  const std::string& what = Arg(2, "service, anonymous or account");
  if (what == "account") return FtpAccount();
  const auto port = Flag("--port"), home = Flag("--home");
  const bool read_only = Switch("--read-only"), read_write = Switch("--read-write");
  const bool on = OnOffArg(3);
  NoMoreThan(4);
  const auto v = device::ShowFtpServer(Page());
  if (what == "service") {
    Carry(device::SetFtpService(session_.address, on ? 0 : 1, port.value_or(v.port)));
  } else if (what == "anonymous") {
    std::optional<std::string> chosen =
        v.home ? std::optional(v.homes[static_cast<std::size_t>(*v.home)]) : std::nullopt;
    if (home) {
      // Only a folder the device offers, as in the console's list.
      chosen = std::find(v.homes.begin(), v.homes.end(), *home) != v.homes.end()
                   ? std::optional(*home)
                   : std::nullopt;
    }
    const bool ro = read_only || (!read_write && v.anonymous_read_only);
    Carry(device::SetAnonymousAccess(session_.address, on, ro, chosen));
  } else {
    Usage("ftp service, anonymous or account");
  }
  Done("");
}

void Ctl::FollowScan() {
  // The messages as they come, a line each, until the scan says it ended.
  std::size_t printed = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::hours(2);
  while (std::chrono::steady_clock::now() < end) {
    const std::string messages = device::ScanMessagesOf(Page());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= messages.size() && !messages.empty();) {
      const auto feed = messages.find('\n', at);
      lines.push_back(messages.substr(at, feed == std::string::npos ? feed : feed - at));
      if (feed == std::string::npos) break;
      at = feed + 1;
    }
    for (; printed < lines.size(); ++printed) {
      std::printf("%s\n", scan::Printable(lines[printed]).c_str());
      std::fflush(stdout);
    }
    if (!lines.empty() && lines.back().find("finished") != std::string::npos) return;
    std::this_thread::sleep_for(std::chrono::seconds(2));
  }
}

void Ctl::Disk() {
  const std::string& what = Arg(2, "sleep, scan, clear-messages or format");
  const std::string& ip = session_.address;
  if (what == "sleep") {
    NoMoreThan(4);
    const std::string& minutes = Arg(3, "MINUTES");
    try {
      Carry(device::SetSleepTime(ip, minutes));
    } catch (const device::ConversionError& e) {
      Fail(kFailed, e.what());
    }
  } else if (what == "scan") {
    const bool follow = Switch("--follow");
    NoMoreThan(3);
    Send(device::StartScan(ip));
    if (follow && !options_.json) return FollowScan();
  } else if (what == "clear-messages") {
    NoMoreThan(3);
    Send(device::ClearScanMessages(ip));
  } else if (what == "format") {
    NoMoreThan(3);
    Confirm(device::ConfirmFormat());
    Send(device::Format(ip));
  } else {
    Usage("disk sleep, scan, clear-messages or format");
  }
  Done("");
}

int Ctl::Run() {
  Resolve();
  const std::string& command = Arg(1, "COMMAND");
  session_.user = options_.user;
  if (options_.password_file)
    session_.password = FirstLine(ReadFile(*options_.password_file));
  else if (options_.password_fd)
    session_.password = FirstLine(ReadDescriptor(*options_.password_fd));
  else if (const auto typed = AskHidden(Translate("Password") + " (" + session_.user + "@" +
                                        session_.address + "): "))
    session_.password = *typed;

  const std::string& ip = session_.address;
  if (command == "show") {
    Show();
  } else if (command == "name") {
    NoMoreThan(4);
    Carry(device::SetIdentification(ip, Arg(2, "HOST"), Arg(3, "GROUP")));
    Done("");
  } else if (command == "password") {
    NoMoreThan(2);
    const std::string password = NewPassword();
    Carry(device::SetAdministratorPassword(ip, password, password));
    Done("");
  } else if (command == "time") {
    Time();
  } else if (command == "dhcp-server") {
    const bool on = OnOffArg(2);
    NoMoreThan(3);
    Send(device::SetDhcpServer(ip, on));
    Done("");
  } else if (command == "language") {
    NoMoreThan(3);
    const std::string& which = Arg(2, "INDEX or NAME");
    const auto languages = device::ShowStatus(Page()).languages;
    int index = -1;
    for (std::size_t i = 0; i < languages.size(); ++i)
      if (languages[i] == which) index = static_cast<int>(i);
    if (index < 0) {
      try {
        index = device::ToInteger(which);
      } catch (const device::ConversionError&) {
      }
    }
    if (index < 0 || index >= static_cast<int>(languages.size()))
      Fail(kFailed, "the device offers no language " + scan::Printable(which));
    Send(device::SetLanguage(ip, index));
    Done(device::LanguageSetNote().text);
  } else if (command == "address") {
    Address();
  } else if (command == "upload") {
    Upload();
  } else if (command == "reboot" || command == "reset") {
    NoMoreThan(2);
    if (command == "reset") {
      Confirm(device::ConfirmFactoryReset());
      for (const auto& c : device::FactoryReset(ip)) Send(c);
    } else {
      Send(device::Restart(ip));
    }
    if (options_.wait) WaitForDevice(Return::AfterRestart);
    Done("");
  } else if (command == "folder") {
    Folder();
  } else if (command == "ftp") {
    Ftp();
  } else if (command == "disk") {
    Disk();
  } else {
    Usage("unknown command " + command);
  }
  return kDone;
}

// The drive a LETTER names ("Z" or "Z:", D to Z), as "Z:".
std::string DriveOf(const std::string& letter, const char* option) {
  const char c = letter.empty()
                     ? '\0'
                     : static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
  if (c < 'D' || c > 'Z' || letter.size() > 2 || (letter.size() == 2 && letter[1] != ':'))
    Usage(std::string(option) + " takes a drive letter from D to Z");
  return std::string(1, c) + ":";
}

platform::DriveRecord KeptDrive(platform::NetworkDrives& drives, const std::string& drive) {
  for (const auto& d : drives.ListDrives())
    if (d.drive == drive) return d;
  Fail(kFailed, "there is no drive " + drive);
}

// At login: the drive is mounted again where it points, with its kept
// password, and nowhere else. When its address is silent, one scan may find
// its device elsewhere; that is said, and only the person moves the drive.
int ReconnectDrive(const Options& options) {
  const std::string drive = DriveOf(*options.reconnect_drive, "--reconnect-drive");
  platform::GioNetworkDrives drives;
  const platform::DriveRecord kept = KeptDrive(drives, drive);
  const int result = drives.Reconnect(drive);
  if (result == 0) return kDone;
  // Refused by its device: the device is there, and stays where it is.
  namespace error = platform::drive_error;
  const std::string failure = drive + " " + Translate(device::DriveResultKey(result));
  if (result == error::kInvalidPassword || result == error::kAccessDenied ||
      result == error::kCancelled)
    Fail(kFailed, failure);
  net::DeviceList found;
  try {
    found = scan::Discover(options.seconds, options.where);
  } catch (const net::SocketError& e) {
    Fail(kNoAnswer,
         failure + " (cannot scan for its device: " + net::WsaErrorDescription(e.number()) + ")");
  }
  platform::LinuxAdapterList adapters;
  const device::Following following = device::FollowDevices(
      platform::DrivesOfDevices({kept}), found.Devices(), platform::OwnNetworks(adapters));
  if (!following.ambiguous.empty()) {
    // The device's names as a terminal can show them.
    std::vector<device::DriveOfDevice> shown = following.ambiguous;
    for (auto& d : shown) {
      d.device_name = scan::Printable(d.device_name);
      d.group_name = scan::Printable(d.group_name);
    }
    Fail(kFailed, device::SayAmbiguous(shown));
  }
  const auto elsewhere = device::FromSilentAddresses(following.moves, device::StillAnswers);
  if (!elsewhere.empty()) {
    device::DriveMove shown = elsewhere.front();
    shown.device_name = scan::Printable(shown.device_name);
    shown.group_name = scan::Printable(shown.group_name);
    const std::string text = device::SayFoundElsewhere(shown);
    platform::GioNetworkDrives::Notify(Translate("Reconnect network drive") + " " + drive, text);
    Fail(kNoAnswer, failure + "\n" + text);
  }
  // Its device is where it was (the share is what failed), or nowhere.
  const std::string address = device::RemoteAddress(kept.remote_name);
  bool answered = false;
  for (const auto& d : found.Devices()) answered |= d.Ip == address;
  Fail(answered ? kFailed : kNoAnswer, failure);
}

// The person's own move: a drive goes to ADDRESS, or back to where its last
// move took it from, with its saved password.
int MoveDriveTo(const Options& options, bool assume_yes) {
  const std::string drive = DriveOf(options.move_drive->first, "--move-drive");
  platform::GioNetworkDrives drives;
  const platform::DriveRecord kept = KeptDrive(drives, drive);
  const std::string from = device::RemoteAddress(kept.remote_name);
  std::string to = options.move_drive->second;
  if (to == "back") {
    if (kept.previous_address.empty()) Fail(kFailed, drive + " has not been moved; it stays");
    to = kept.previous_address;
  }
  if (!IsAddress(to)) Usage("--move-drive takes an IPv4 address or back");
  if (to == from) Fail(kFailed, drive + " is at " + to + " already");
  platform::LinuxAdapterList adapters;
  if (!device::OnOwnNetwork(to, platform::OwnNetworks(adapters)))
    Fail(kFailed, to + " is on none of this computer's networks; " + drive + " stays");
  // A drive whose address answers is in use there: moving it is the
  // person's choice, asked again.
  if (device::StillAnswers(from) && !assume_yes) {
    const std::string question =
        drive + ": something still answers at " + from + ". Move the drive to " + to + "?";
    if (!::isatty(STDIN_FILENO))
      Fail(kUsage, question + "\nNot asked without a terminal: give --yes to go ahead.");
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
        (answer[0] != 'y' && answer[0] != 'Y'))
      Fail(kFailed, drive + " stays at " + from + ".");
  }
  const device::DriveMove move{
      drive, from, to, device::RemoteFolder(kept.remote_name), kept.device_name, kept.group_name};
  if (const int moved = drives.MoveDrive(drive, to); moved != 0)
    Fail(kFailed, device::SayNotMoved({{move, moved}}));
  std::printf("%s\n", device::SayMoved({move}).c_str());
  return kDone;
}

// Options before DEVICE.
std::optional<int> Number(const char* text, int min, int max) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*end != '\0' || n < min || n > max) return std::nullopt;
  return static_cast<int>(n);
}

}  // namespace

int Run(int argc, char** argv) {
  i18n::SetTranslationSwitch(1);
  i18n::UseShippedLanguageFiles(BREVANE_SOURCE_LANG_DIR);
  Options options;
  std::vector<std::string> args;
  bool json = false;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
      // Options come before DEVICE; a command's own ones after it.
      if (!args.empty() || arg.rfind("--", 0) != 0) {
        args.push_back(arg);
      } else if (arg == "--help") {
        std::fputs(kUsageText, stdout);
        return kDone;
      } else if (arg == "--version") {
        std::printf("brevane-ctl %s\n", net::kVersion);
        return kDone;
      } else if (arg == "--user") {
        const char* user = value();
        if (user == nullptr) Usage("--user takes a name");
        options.user = user;
      } else if (arg == "--password-file" || arg == "--new-password-file") {
        const char* path = value();
        if (path == nullptr) Usage(arg + " takes a file");
        (arg == "--password-file" ? options.password_file : options.new_password_file) = path;
      } else if (arg == "--password-fd" || arg == "--new-password-fd") {
        const auto fd = Number(value(), 0, 1 << 20);
        if (!fd) Usage(arg + " takes a file descriptor number");
        (arg == "--password-fd" ? options.password_fd : options.new_password_fd) = fd;
      } else if (arg == "--yes") {
        options.yes = true;
      } else if (arg == "--wait") {
        options.wait = true;
      } else if (arg == "--wait-seconds") {
        const auto n = Number(value(), 1, 3600);
        if (!n) Usage("--wait-seconds takes a whole number from 1 to 3600");
        options.wait_seconds = *n;
      } else if (arg == "--json") {
        options.json = json = true;
      } else if (arg == "--seconds") {
        const auto n = Number(value(), 1, 3600);
        if (!n) Usage("--seconds takes a whole number from 1 to 3600");
        options.seconds = *n;
      } else if (arg == "--interface") {
        const char* name = value();
        if (name == nullptr) Usage("--interface takes an interface name");
        options.where.interface = name;
      } else if (arg == "--reconnect-drive") {
        const char* letter = value();
        if (letter == nullptr) Usage("--reconnect-drive takes a drive letter");
        options.reconnect_drive = letter;
      } else if (arg == "--move-drive") {
        const char* letter = value();
        const char* where = value();
        if (letter == nullptr || where == nullptr)
          Usage("--move-drive takes a drive letter and an address (or back)");
        options.move_drive = {letter, where};
      } else if (arg == "--broadcast") {
        const char* address = value();
        if (address == nullptr || !IsAddress(address))
          Usage("--broadcast takes an IPv4 address such as 192.168.1.255");
        options.where.broadcast = address;
      } else {
        Usage("unknown option " + arg);
      }
    }
    if (options.reconnect_drive || options.move_drive) {
      if (!args.empty()) Usage("unexpected " + args.front());
      if (options.reconnect_drive && options.move_drive)
        Usage("--reconnect-drive and --move-drive go one at a time");
      return options.reconnect_drive ? ReconnectDrive(options) : MoveDriveTo(options, options.yes);
    }
    return Ctl(options, args).Run();
  } catch (const Failure& failure) {
    std::fprintf(stderr, "brevane-ctl: %s\n", failure.text.c_str());
    if (json)
      std::printf("{\"done\": false, \"status\": %d, \"error\": %s}\n", failure.status,
                  scan::JsonString(failure.text).c_str());
    return failure.status;
  } catch (const device::ConversionError& e) {
    std::fprintf(stderr, "brevane-ctl: %s\n", e.what());
    return kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brevane-ctl: %s\n", e.what());
    return kFailed;
  }
}

}  // namespace ctl
