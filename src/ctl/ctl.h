#pragma once

// brevane-ctl: a device's settings from a terminal and from scripts, by the
// same rules and the same commands as the console.

namespace ctl {

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;    // refused by a check or by the device, or failed
inline constexpr int kUsage = 2;     // the command line is wrong
inline constexpr int kNoAnswer = 3;  // the device did not answer

int Run(int argc, char** argv);

struct Options;
class Output;
// The network drives: mounted again at login, and moved by their owner.
int ReconnectDrive(const Options& options, Output& out);
int MoveDrive(const Options& options, Output& out);

}  // namespace ctl
