#pragma once

// brevane-ctl on several devices: a comma list, every device a scan finds,
// a group's, or a file's. Each device gets the command as it would alone,
// at most --parallel of them at once; one result a device, in the order
// they were named, then a summary. The exit status is the highest of
// theirs.

#include <string>
#include <vector>

#include "ctl/arguments.h"
#include "ctl/commands.h"

namespace ctl {

// True when the line names several devices.
bool NamesSeveral(const Options& options, const std::vector<std::string>& words);

// The devices of a --devices file: brevane-scan --json output (an array of
// objects with an "address", and a "name" and "group" where known), or one
// DEVICE a line (an address, NAME or NAME/GROUP; blank lines and lines
// beginning with "#" left out). Each entry is an address, or a name still
// to be found (`address` empty, `name` the word). Throws Failure (usage)
// saying what is wrong with the file.
std::vector<Target> DevicesOfFile(const std::string& text);

int RunSeveral(const Options& options, std::vector<std::string> words, bool json);

}  // namespace ctl
