#pragma once

// brevane-ctl's command line: the options it takes anywhere, and the words
// that name the device, the command and the command's own arguments. Read
// without touching the network: a usage error never sends anything.

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/discover.h"

namespace ctl {

// Ends the run: what is said, and the exit status.
struct Failure {
  int status;
  std::string text;
  bool refused = false;  // by a rule or by the device, rather than failed
  // Once the command ran on its device: how many requests the device was
  // sent before it failed. A caller that must know whether anything may
  // have changed (an Ansible task's "changed") reads it here.
  std::optional<int> sent;
};
[[noreturn]] void Fail(int status, const std::string& text);
// Refused by a rule or by the device (exit status 1).
[[noreturn]] void Refuse(const std::string& text);
[[noreturn]] void Usage(const std::string& text);

struct Options {
  std::string user = "admin";
  std::optional<std::string> password_file, new_password_file;
  std::optional<int> password_fd, new_password_fd;
  bool yes = false, wait = false, json = false;
  // Devices found by discovery get the login and the passwords without
  // being asked (--trust-found); --yes never gives that.
  bool trust_found = false;
  // A name or an address is set even where another device answers to it.
  bool even_if_taken = false;
  std::chrono::milliseconds listen{3000};  // a scan's length (--seconds)
  int wait_seconds = 180;
  scan::Where where;
  // Several devices: every one a scan finds, those of a group, those of a
  // file; how many at once, and whether the first failure ends the run.
  bool all = false;
  std::optional<std::string> group, devices_file;
  int parallel = 8;
  bool stop_on_failure = false;
  std::optional<std::string> reconnect_drive;
  std::optional<std::pair<std::string, std::string>> move_drive;  // letter, address or "back"
  bool help = false, version = false;
};

struct Invocation {
  Options options;
  // DEVICE COMMAND [ARGUMENT]... with the command's own options among them.
  std::vector<std::string> words;
};

// brevane-ctl's options go anywhere on the line; "--" ends them, so that
// an argument may begin with "--". Throws Failure (usage) for an unknown
// option or a bad value. Sets `json` as soon as --json is read, so that
// even a usage error is reported as JSON.
Invocation ParseArguments(int argc, char** argv, bool& json);

extern const char kUsageText[];

bool IsAddress(const std::string& text);

}  // namespace ctl
