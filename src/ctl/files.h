#pragma once

// Files the person names on brevane-ctl's line: a setup, a list of devices.

#include <cstddef>
#include <string>

namespace ctl {

// The whole file at `path`, of at most `max` bytes, read in pieces so a
// small file takes little memory. One that cannot be read, or a larger
// one, ends the run as a usage error naming it `what`.
std::string ReadNamedFile(const std::string& path, std::size_t max, const std::string& what);

}  // namespace ctl
