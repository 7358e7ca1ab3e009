#pragma once

// What the files a network drive keeps on the workstation need besides
// being written whole (os::WriteWhole): the folder they live in, and what
// a login entry runs.

#include <string>

namespace desktop::drive_files {

// The desktop-entry form of an argument: "%" doubled, so it is not taken
// for a field code.
std::string DesktopExecArgument(const std::string& text);

// Makes a folder of the user's own (0700) unless it is there already.
void MakePrivateFolder(const std::string& path);

// The brevane-ctl the login entries run, by its full path, so a login never
// depends on the session's PATH: brevane-ctl itself, the one beside this
// program, or the one PATH finds now.
std::string ReconnectProgram();

}  // namespace desktop::drive_files
