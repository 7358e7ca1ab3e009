// What the Windows side of the seams does its own way: the user's language,
// the shell's open, and the wake that ends discovery's wait.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <optional>
#include <string>

#include "desktop/shell_open.h"
#include "i18n/translate.h"
#include "net/udp_socket.h"
#include "os/user.h"
#include "os/wake.h"

namespace {

// Windows sets no LANG: the language is Windows' own choice, and a LANG
// that a Unix shell or a user left in the environment changes nothing.
TEST(WindowsLanguage, ComesFromWindowsNotFromTheEnvironment) {
  const std::string windows = os::UserLanguage();
  EXPECT_FALSE(windows.empty());
  const std::string chosen = i18n::LocaleLanguage();
  for (const char* setting : {"LANG=zh_TW.UTF-8", "LC_ALL=zh_TW.UTF-8", "LANGUAGE=zh_TW", "LANG=C",
                              "LC_ALL=C", "LANGUAGE=en"}) {
    ASSERT_EQ(::_putenv(setting), 0);
    EXPECT_EQ(os::UserLanguage(), windows) << setting;
    EXPECT_EQ(i18n::LocaleLanguage(), chosen) << setting;
  }
  for (const char* unset : {"LANG=", "LC_ALL=", "LANGUAGE="}) ::_putenv(unset);
}

// Only an address of the web or of a folder goes to the shell, which would
// start a program named here as readily. (The shell is never called here:
// under Wine it would hand a web address on to the Linux desktop.)
TEST(ShellOpen, RefusesWhatIsNotAWebAddressOrAFolder) {
  for (const char* url : {"", "C:\\Windows\\System32\\calc.exe", "calc.exe", "cmd /c del x",
                          "javascript:alert(1)", "mailto:a@b", "ftp://10.77.0.11/",
                          "\\\\10.77.0.11\\PUBLIC", "shell:startup", "file:x", "http:/x"})
    EXPECT_FALSE(desktop::OpenWithShell(url)) << url;
}

// Raised, the wake ends a receive that would otherwise wait without end
// (the test's time limit ends it when the wake does not).
TEST(Wake, EndsAReceiveThatWaitsWithoutBound) {
  os::Wake wake;
  EXPECT_FALSE(wake.Raised());
  net::UdpSocket socket(0, 0);
  wake.Raise();
  EXPECT_TRUE(wake.Raised());
  EXPECT_EQ(socket.Receive(-1, wake.id()), std::nullopt);
  EXPECT_TRUE(wake.Raised());  // it stays raised for the loop to see
}

}  // namespace
