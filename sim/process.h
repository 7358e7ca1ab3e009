#pragma once

// Starting helper programs (ip, smbd, smbpasswd, the simulator itself)
// without a command interpreter: arguments go to the program as they are.

#include <sys/types.h>

#include <string>
#include <vector>

namespace sim {

struct SpawnOptions {
  std::string output;      // file to append standard output and error to; empty: inherit
  int stdin_fd = -1;       // descriptor to read standard input from; -1: inherit
  bool own_group = false;  // a process group of its own, to stop it with its children
};

// Starts `argv` (the program is looked up in PATH); -1 when it cannot start.
pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

// Waits for a started program; its exit status, or -1 when it did not exit.
int WaitFor(pid_t pid);

// Starts and waits.
inline int Run(const std::vector<std::string>& argv, const SpawnOptions& options = {}) {
  return WaitFor(Spawn(argv, options));
}

}  // namespace sim
