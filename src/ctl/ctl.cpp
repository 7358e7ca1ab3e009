#include "ctl/ctl.h"

#include <cstdio>

#include "ctl/arguments.h"
#include "ctl/commands.h"
#include "ctl/many.h"
#include "ctl/output.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "net/version.h"

namespace ctl {

int Run(int argc, char** argv) {
  i18n::SetTranslationSwitch(1);
  i18n::UseShippedLanguageFiles(BREVANE_SOURCE_LANG_DIR);
  bool json = false;
  Output out(false);
  try {
    // Everything on the line is read, and help given, before anything is
    // sent anywhere.
    Invocation run = ParseArguments(argc, argv, json);
    out = Output(json);
    const Options& options = run.options;
    if (options.help) {
      Write(stdout, kUsageText);
      return kDone;
    }
    if (options.version) {
      Write(stdout, std::string("brevane-ctl ") + net::kVersion + "\n");
      return kDone;
    }
    if (options.reconnect_drive || options.move_drive) {
      if (!run.words.empty()) Usage("unexpected " + run.words.front());
      if (options.reconnect_drive && options.move_drive)
        Usage("--reconnect-drive and --move-drive go one at a time");
      return options.reconnect_drive ? ReconnectDrive(options, out) : MoveDrive(options, out);
    }
    if (NamesSeveral(options, run.words)) return RunSeveral(options, run.words, json);
    if (run.words.empty()) Usage("missing DEVICE and COMMAND (brevane-ctl DEVICE COMMAND)");
    out.SetSubject(run.words.front(), run.words.size() > 1 ? run.words[1] : "");
    return Ctl(options, run.words, out).Run();
  } catch (const Failure& failure) {
    // A usage error found before the whole line was read is JSON too when
    // --json came before it.
    if (json && !out.json()) out = Output(true);
    out.Failure(failure.status, failure.text, failure.sent);
    return failure.status;
  } catch (const std::exception& e) {
    if (json && !out.json()) out = Output(true);
    out.Failure(kFailed, e.what());
    return kFailed;
  }
}

}  // namespace ctl
