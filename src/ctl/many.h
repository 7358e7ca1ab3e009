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

// A device as the line or a file names it.
struct Named {
  std::string address;  // empty: a name still to be found
  std::string name, group;
  // Found by discovery (a name, or brevane-scan's JSON, whatever address
  // it gives): it gets no secret without the person's yes. An address the
  // person typed, or listed in a file a line, is theirs.
  bool found = false;
};

// The devices of a --devices file: brevane-scan --json output (an array of
// objects with an "address", and a "name" and "group" where known: found
// by discovery), or one DEVICE a line (an address, NAME or NAME/GROUP;
// blank lines and lines beginning with "#" left out). Throws Failure
// (usage) saying what is wrong with the file.
std::vector<Named> DevicesOfFile(const std::string& text);

// A command that would give several devices one name or one address:
// name, address static, apply --identity.
bool MakesOneOfMany(const std::vector<std::string>& command);

int RunSeveral(const Options& options, std::vector<std::string> words, bool json);

}  // namespace ctl
