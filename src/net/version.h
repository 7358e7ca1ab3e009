#pragma once

namespace net {

// The release every program of the package reports, and the version its
// requests carry in their User-Agent.
#define BREVANE_VERSION "1.18"
inline constexpr char kVersion[] = BREVANE_VERSION;

}  // namespace net
