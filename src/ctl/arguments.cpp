#include "ctl/arguments.h"

#include <cstdlib>

#include "ctl/ctl.h"
#include "net/ipv4.h"

namespace ctl {

void Fail(int status, const std::string& text) {
  throw Failure{status, text};
}

void Refuse(const std::string& text) {
  throw Failure{kFailed, text, true};
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
    "result a device, then a summary.\n"
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
    "  --yes                      do destructive commands without asking, and send a\n"
    "                             password from a file or descriptor to the address\n"
    "                             a device's name was found at\n"
    "  --wait                     after a restart or an address change, wait until the\n"
    "                             device is back and takes commands again\n"
    "  --wait-seconds N           how long --wait waits for each device (default 180)\n"
    "  --json                     print one JSON object per result (see the manual)\n"
    "  --seconds N                how long a scan for a device name lasts (default 3)\n"
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
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--user") {
      const char* user = value();
      if (user == nullptr) Usage("--user takes a name");
      o.user = user;
    } else if (arg == "--password-file" || arg == "--new-password-file") {
      const char* path = value();
      if (path == nullptr) Usage(arg + " takes a file");
      (arg == "--password-file" ? o.password_file : o.new_password_file) = path;
    } else if (arg == "--password-fd" || arg == "--new-password-fd") {
      const auto fd = Number(value(), 0, 1 << 20);
      if (!fd) Usage(arg + " takes a file descriptor number");
      (arg == "--password-fd" ? o.password_fd : o.new_password_fd) = fd;
    } else if (arg == "--yes") {
      o.yes = true;
    } else if (arg == "--wait") {
      o.wait = true;
    } else if (arg == "--wait-seconds") {
      const auto n = Number(value(), 1, 3600);
      if (!n) Usage("--wait-seconds takes a whole number from 1 to 3600");
      o.wait_seconds = *n;
    } else if (arg == "--json") {
      o.json = json = true;
    } else if (arg == "--seconds") {
      const auto n = Number(value(), 1, 3600);
      if (!n) Usage("--seconds takes a whole number from 1 to 3600");
      o.seconds = *n;
    } else if (arg == "--interface") {
      const char* name = value();
      if (name == nullptr) Usage("--interface takes an interface name");
      o.where.interface = name;
      o.where.every_interface = false;
    } else if (arg == "--broadcast") {
      const char* address = value();
      if (address == nullptr || !IsAddress(address))
        Usage("--broadcast takes an IPv4 address such as 192.168.1.255");
      o.where.broadcast = address;
      o.where.every_interface = false;
    } else if (arg == "--address") {
      const char* list = value();
      if (list == nullptr || !scan::AddAddresses(list, o.where.addresses))
        Usage("--address takes IPv4 addresses separated by commas");
    } else if (arg == "--all") {
      o.all = true;
    } else if (arg == "--group" || arg == "--devices") {
      const char* text = value();
      if (text == nullptr)
        Usage(arg + (arg == "--group" ? " takes a group name" : " takes a file"));
      (arg == "--group" ? o.group : o.devices_file) = text;
    } else if (arg == "--parallel") {
      const auto n = Number(value(), 1, 256);
      if (!n) Usage("--parallel takes a whole number from 1 to 256");
      o.parallel = *n;
    } else if (arg == "--stop-on-failure") {
      o.stop_on_failure = true;
    } else if (arg == "--reconnect-drive") {
      const char* letter = value();
      if (letter == nullptr) Usage("--reconnect-drive takes a drive letter");
      o.reconnect_drive = letter;
    } else if (arg == "--move-drive") {
      const char* letter = value();
      const char* where = value();
      if (letter == nullptr || where == nullptr)
        Usage("--move-drive takes a drive letter and an address (or back)");
      o.move_drive = {letter, where};
    } else {
      // A command's own option (--date, --port, --follow, ...): the command
      // reads it.
      run.words.push_back(arg);
    }
  }
  // "help" in the place of DEVICE asks for the help.
  if (!run.words.empty() && run.words.front() == "help") o.help = true;
  return run;
}

}  // namespace ctl
