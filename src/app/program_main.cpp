// Brevane's start: its options, its language, the toolkit and the real
// services, then the program.

#include <cstdio>
#include <cstring>

#include "app/program.h"
#include "core/configuration.h"
#include "desktop/services.h"
#include "i18n/translate.h"
#include "net/version.h"
#include "os/console.h"
#include "ui/ui.h"

namespace {

constexpr char kUsage[] =
    "Usage: brevane [OPTION]\n"
    "Finds the network-storage devices on the LAN (one UDP broadcast to port\n"
    "14675 as soon as the window opens), opens their web pages and connects\n"
    "their shared folders as network drives.\n"
    "\n"
    "  --console   management configuration: \"Manage Drive\" asks for the\n"
    "              device's login and opens the built-in management console\n"
    "              instead of the device's pages in the browser\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n";

}  // namespace

namespace app {

int ProgramMain(int argc, char** argv, const std::function<void(QWidget*)>& before_show) {
  // What the options print reaches the terminal the program was started
  // from, on Windows too.
  if (argc > 1) os::WriteToParentConsole();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--console") == 0) {
      core::Config().management = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("brevane %s\n", net::kVersion);
      return 0;
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      std::fprintf(stderr, "brevane: unknown option %s\n\n%s", argv[i], kUsage);
      return 2;
    }
  }
  // Without a language file in the current directory, the texts come in
  // the user's language from the shipped files.
  i18n::UseShippedLanguageFiles(BREVANE_SOURCE_LANG_DIR);
  ui::Application application(argc, argv);
  application.setApplicationName("Brevane");
  // The toolkit's own buttons and dialogs speak the same language.
  ui::UseToolkitLanguage(i18n::LocaleLanguage());
  // Only closing the main window ends the program; closing a dialog while the
  // main window is hidden for it must not.
  application.setQuitOnLastWindowClosed(false);
  desktop::Install(desktop::RealServices());
  const int status = RunProgram(before_show);
  desktop::Install({});
  return status;
}

}  // namespace app
