#include "ctl/arguments.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ctl/ctl.h"
#include "net/ipv4.h"

namespace ctl {

void Fail(int status, const std::string& text) {
  throw Failure{status, text, false, std::nullopt};
}

void Refuse(const std::string& text) {
  throw Failure{kFailed, text, true, std::nullopt};
}

void Usage(const std::string& text) {
  Fail(kUsage, text + "\nTry 'brevane-ctl --help'.");
}

bool IsAddress(const std::string& text) {
  return net::IsIPv4(text);
}

const char kUsageText[] =
    "Usage: brevane-ctl [OPTION]... DEVICE COMMAND [ARGUMENT]...\n"
    "   or: brevane-ctl [OPTION]... DEVICE,DEVICE... COMMAND [ARGUMENT]...\n"
    "   or: brevane-ctl [OPTION]... --all|--group NAME|--devices FILE COMMAND [ARGUMENT]...\n"
    "   or: brevane-ctl [OPTION]... --reconnect-drive LETTER\n"
    "   or: brevane-ctl [OPTION]... --move-drive LETTER ADDRESS|back\n"
    "Shows and changes a network-storage device's settings, with the checks and\n"
    "the commands of Brevane's management console.\n"
    "\n"
    "DEVICE is an IPv4 address, or a device name (NAME or NAME/GROUP) found by a\n"
    "discovery scan (UDP broadcast to port 14675). Several devices, separated by\n"
    "commas or chosen by --all, --group or --devices, each get the command; one\n"
    "result a device, then a summary. Any host can answer discovery with any\n"
    "name: a device found by one gets the login and any password only after your\n"
    "yes for its address (asked on a terminal, or --trust-found); one named by\n"
    "its address, or listed by address in a file of yours, is yours already.\n"
    "\n"
    "Commands:\n"
    "  show [status|ip|folders|ftp|disk]       what the console's pages show\n"
    "  name HOST GROUP                          host and group name\n"
    "  password                                 the administrator password (new one\n"
    "                                           from --new-password-file or asked)\n"
    "  time [--date Y/M/D] [--time H:M:S] [--sntp on|off] [--server NAME]\n"
    "       [--zone HOURS]                      date, time, time server and zone\n"
    "  dhcp-server on|off                       the device's DHCP server\n"
    "  language [INDEX|NAME]                    the device's own language (none:\n"
    "                                           the languages it offers)\n"
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
    "  backup [FILE]                            the device's setup as JSON, to FILE or\n"
    "                                           standard output (no passwords)\n"
    "  apply FILE [--check|--diff] [--identity] [--prune]\n"
    "                                           make the device match a setup: only\n"
    "                                           the commands that change something;\n"
    "                                           --check lists them and --diff shows\n"
    "                                           the difference, sending nothing;\n"
    "                                           --identity also sets the host name and\n"
    "                                           address, --prune deletes the folders\n"
    "                                           and accounts the file does not list\n"
    "\n"
    "Options (anywhere on the line; \"--\" ends them):\n"
    "  --user NAME                the device's user (default admin)\n"
    "  --password-file FILE       the device's password, from the file's first line\n"
    "  --password-fd N            the device's password, read from descriptor N\n"
    "                             (without either: asked on the terminal, or none)\n"
    "  --new-password-file FILE   a new password, for password commands\n"
    "  --new-password-fd N        a new password, read from descriptor N\n"
    "  --yes                      do destructive commands without asking\n"
    "  --trust-found              send the login and the command's passwords to\n"
    "                             devices found by discovery (a name, --all,\n"
    "                             --group, brevane-scan's JSON) without asking;\n"
    "                             without it they are asked on a terminal, and\n"
    "                             otherwise get nothing at all\n"
    "  --even-if-taken            set a name or an address even where another\n"
    "                             device answers to it\n"
    "  --wait                     after a restart or an address change, wait until the\n"
    "                             device is back and takes commands again\n"
    "  --wait-seconds N           how long --wait waits for each device (default 180)\n"
    "  --json                     print one JSON object per result (see the manual)\n"
    "  --seconds N                how long a scan for device names lasts (default 3;\n"
    "                             fractions such as 0.5 too)\n"
    "  --all                      every device a scan finds\n"
    "  --group NAME               every device of group NAME a scan finds\n"
    "  --devices FILE             the devices of FILE: brevane-scan --json output, or\n"
    "                             one DEVICE a line\n"
    "  --parallel N               at most N devices at once (default 8)\n"
    "  --stop-on-failure          start no further device once one has failed\n"
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
    "  --address A[,B...]         ask these addresses directly as well\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 done, 1 refused or failed, 2 usage, 3 the device did not answer;\n"
    "for several devices, the highest of theirs.\n";

namespace {

std::optional<int> Number(const char* text, int min, int max) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*end != '\0' || n < min || n > max) return std::nullopt;
  return static_cast<int>(n);
}

// Seconds as digits with at most one decimal point ("0.5", "3"), from
// 0.1 to 3600, in milliseconds.
std::optional<std::chrono::milliseconds> Seconds(const char* text) {
  if (text == nullptr || *text == '\0' || std::strlen(text) > 12 ||
      std::strspn(text, "0123456789.") != std::strlen(text))
    return std::nullopt;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (*end != '\0' || !(seconds >= 0.1 && seconds <= 3600)) return std::nullopt;
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

// An option brevane-ctl takes anywhere on the line: its name, and what it
// does with its value (null for an option without one).
struct OptionRule {
  const char* name;
  bool takes_value;
  void (*take)(Options& o, const std::string& name, const char* value);
};

template <typename T>
void Need(const std::optional<T>& value, const std::string& text) {
  if (!value) Usage(text);
}

const OptionRule kOptions[] = {
    {"--help", false, [](Options& o, const std::string&, const char*) { o.help = true; }},
    {"-h", false, [](Options& o, const std::string&, const char*) { o.help = true; }},
    {"--version", false, [](Options& o, const std::string&, const char*) { o.version = true; }},
    {"--user", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr) Usage("--user takes a name");
       o.user = v;
     }},
    {"--password-file", true,
     [](Options& o, const std::string& n, const char* v) {
       if (v == nullptr) Usage(n + " takes a file");
       o.password_file = v;
     }},
    {"--new-password-file", true,
     [](Options& o, const std::string& n, const char* v) {
       if (v == nullptr) Usage(n + " takes a file");
       o.new_password_file = v;
     }},
    {"--password-fd", true,
     [](Options& o, const std::string& n, const char* v) {
       o.password_fd = Number(v, 0, 1 << 20);
       Need(o.password_fd, n + " takes a file descriptor number");
     }},
    {"--new-password-fd", true,
     [](Options& o, const std::string& n, const char* v) {
       o.new_password_fd = Number(v, 0, 1 << 20);
       Need(o.new_password_fd, n + " takes a file descriptor number");
     }},
    {"--yes", false, [](Options& o, const std::string&, const char*) { o.yes = true; }},
    {"--trust-found", false,
     [](Options& o, const std::string&, const char*) { o.trust_found = true; }},
    {"--even-if-taken", false,
     [](Options& o, const std::string&, const char*) { o.even_if_taken = true; }},
    {"--wait", false, [](Options& o, const std::string&, const char*) { o.wait = true; }},
    {"--wait-seconds", true,
     [](Options& o, const std::string&, const char* v) {
       const auto n = Number(v, 1, 3600);
       Need(n, "--wait-seconds takes a whole number from 1 to 3600");
       o.wait_seconds = *n;
     }},
    {"--json", false, [](Options& o, const std::string&, const char*) { o.json = true; }},
    {"--seconds", true,
     [](Options& o, const std::string&, const char* v) {
       const auto listen = Seconds(v);
       Need(listen, "--seconds takes a number of seconds from 0.1 to 3600");
       o.listen = *listen;
     }},
    {"--interface", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr) Usage("--interface takes an interface name");
       o.where.interface = v;
       o.where.every_interface = false;
     }},
    {"--broadcast", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr || !IsAddress(v))
         Usage("--broadcast takes an IPv4 address such as 192.168.1.255");
       o.where.broadcast = v;
       o.where.every_interface = false;
     }},
    {"--address", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr || !scan::AddAddresses(v, o.where.addresses))
         Usage("--address takes IPv4 addresses separated by commas");
     }},
    {"--all", false, [](Options& o, const std::string&, const char*) { o.all = true; }},
    {"--group", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr || *v == '\0') Usage("--group takes a group name");
       o.group = v;
     }},
    {"--devices", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr) Usage("--devices takes a file");
       o.devices_file = v;
     }},
    {"--parallel", true,
     [](Options& o, const std::string&, const char* v) {
       const auto n = Number(v, 1, 256);
       Need(n, "--parallel takes a whole number from 1 to 256");
       o.parallel = *n;
     }},
    {"--stop-on-failure", false,
     [](Options& o, const std::string&, const char*) { o.stop_on_failure = true; }},
    {"--reconnect-drive", true,
     [](Options& o, const std::string&, const char* v) {
       if (v == nullptr) Usage("--reconnect-drive takes a drive letter");
       o.reconnect_drive = v;
     }},
};

}  // namespace

Invocation ParseArguments(int argc, char** argv, bool& json) {
  Invocation run;
  Options& o = run.options;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (options_end || arg.rfind("-", 0) != 0 || arg == "-") {
      run.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    if (arg == "--move-drive") {
      const char* letter = value();
      const char* where = value();
      if (letter == nullptr || where == nullptr)
        Usage("--move-drive takes a drive letter and an address (or back)");
      o.move_drive = {letter, where};
      continue;
    }
    const auto* rule = std::find_if(std::begin(kOptions), std::end(kOptions),
                                    [&](const OptionRule& r) { return arg == r.name; });
    if (rule == std::end(kOptions)) {
      // A command's own option (--date, --port, --follow, ...): the command
      // reads it.
      run.words.push_back(arg);
      continue;
    }
    rule->take(o, arg, rule->takes_value ? value() : nullptr);
    json = json || o.json;
  }
  // "help" in the place of DEVICE asks for the help.
  if (!run.words.empty() && run.words.front() == "help") o.help = true;
  return run;
}

}  // namespace ctl
