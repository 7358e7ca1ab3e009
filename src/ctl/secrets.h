#pragma once

// Where brevane-ctl's passwords come from: a file, a file descriptor, or
// the terminal (typed without echo). Never the command line or the
// environment.

#include <optional>
#include <string>

namespace ctl {

// The first line of a file or descriptor, at most 4 KiB, without its line
// end. A source that cannot be read (missing, a folder, a closed
// descriptor, one that gives nothing within 10 seconds, or no line end in
// its first 4 KiB) ends the run as a usage error that says so.
std::string ReadSecretFile(const std::string& path);
std::string ReadSecretFd(int fd);

// A line typed on the terminal after `prompt`, not shown as it is typed;
// nothing when there is no terminal.
std::optional<std::string> AskHidden(const std::string& prompt);

// True when standard input is a terminal to ask on.
bool CanAsk();
// Asks `question` with [y/N] on the terminal; true for yes.
bool AskYes(const std::string& question);

}  // namespace ctl
