#pragma once

// The services that differ from one system to another, for the real set:
// one source file per system.

#include "desktop/services.h"

namespace app {

// Fills in the adapter list, the network drives and the URL opener.
void AddSystemServices(desktop::Services& services);

}  // namespace app
