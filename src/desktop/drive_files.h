#pragma once

// The files a network drive keeps on the workstation: its note and its
// login entry, written so that a reader never finds half of one.

#include <string>

namespace desktop::drive_files {

// The desktop-entry form of an argument: "%" doubled, so it is not taken
// for a field code.
std::string DesktopExecArgument(const std::string& text);

// Writes `text` to `path` by way of a new file renamed into place, so a
// reader (the next login) finds the old file or the new one, never a part.
// The new file is made afresh, never opened through a link left where it
// goes, and only its owner may read it.
bool WriteWhole(const std::string& path, const std::string& text);

// Makes a folder of the user's own (0700) unless it is there already.
void MakePrivateFolder(const std::string& path);

// The brevane-ctl the login entries run, by its full path, so a login never
// depends on the session's PATH: brevane-ctl itself, the one beside this
// program, or the one PATH finds now.
std::string ReconnectProgram();

}  // namespace desktop::drive_files
