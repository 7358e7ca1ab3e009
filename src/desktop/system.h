#pragma once

// This system's own network drives, adapters and notifications, for the
// terminal programs: the desktop's (GIO, the keyring, D-Bus) on Linux,
// Windows' own (WNet, the user profile) on Windows.

#include <memory>
#include <string>

#include "desktop/services.h"

namespace desktop {

std::unique_ptr<NetworkDrives> SystemDrives();
std::unique_ptr<AdapterList> SystemAdapters();
// Shows a notification where the system can; false where it cannot.
bool Notify(const std::string& summary, const std::string& body);

}  // namespace desktop
