#include "sim/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace sim {

pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
  std::vector<std::string> copy = argv;
  std::vector<char*> raw;
  for (auto& a : copy) raw.push_back(a.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.stdin_fd >= 0) posix_spawn_file_actions_adddup2(&actions, options.stdin_fd, 0);
  if (!options.output.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, options.output.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.own_group) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = -1;
  if (raw[0] == nullptr ||
      posix_spawnp(&pid, raw[0], &actions, &attributes, raw.data(), environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sim
