#pragma once

// A simulated device that shares its folders over SMB (smbd in its own
// namespace), for the tests that mount real drives.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lan_support.h"

namespace lan::smb {

// Names and passwords that would break any command line.
inline const std::string kOddFolder = "x &;'y";
inline const std::string kChinese = "\xE7\x85\xA7\xE7\x89\x87";  // 照片
inline const std::string kOddPassword = "p w\"&;$(x)'";
inline const std::string kVaultPassword = "v4ult";
inline const std::string kLedgerPassword = "l3dger";

inline std::string SmbDir() {
  return lan::ThisLan().dir + "/smb-d1";
}

inline std::vector<std::string> DeviceArgs() {
  return {"--smb",
          SmbDir(),
          "--shared-folder",
          "PUBLIC",
          "--shared-folder",
          kOddFolder,
          "--shared-folder",
          kChinese,
          "--protected-folder",
          "secret:" + kOddPassword,
          "--protected-folder",
          "vault:" + kVaultPassword,
          "--protected-folder",
          "ledger:" + kLedgerPassword,
          "--folder",
          "hidden"};
}

// What the drive tests' autostart entries run: the brevane-ctl under test.
inline std::string CtlProgram() {
  const char* ctl = std::getenv("BREVANE_CTL");
  return ctl != nullptr ? ctl : "brevane-ctl";
}

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace lan::smb
