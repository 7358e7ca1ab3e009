#include "ctl/files.h"

#include <fstream>

#include "ctl/arguments.h"
#include "scan/scan_output.h"

namespace ctl {

std::string ReadNamedFile(const std::string& path, std::size_t max, const std::string& what) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Usage(what + ": cannot read " + scan::Printable(path));
  std::string text;
  char piece[1 << 16];
  while (file.read(piece, sizeof piece) || file.gcount() > 0) {
    text.append(piece, static_cast<std::size_t>(file.gcount()));
    if (text.size() > max)
      Usage(what + ": " + scan::Printable(path) + " is larger than " + std::to_string(max >> 20) +
            " MiB");
  }
  if (file.bad()) Usage(what + ": cannot read " + scan::Printable(path));
  return text;
}

}  // namespace ctl
