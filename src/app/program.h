#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

namespace app {

// Creates every window once, in start-up order, the main window first (its
// creation event starts the first scan). Throws when a window cannot be
// created. The windows live as long as the returned list.
std::vector<std::unique_ptr<QWidget>> CreateWindows();

// The same in two steps: the main window, then the others after it.
std::unique_ptr<QWidget> CreateMainWindow();
void CreateOtherWindows(std::vector<std::unique_ptr<QWidget>>& windows);

// The program: create the main window and show it, create the other
// windows in their order as soon as it has painted (none is shown before
// it), run the event loop. An error during start-up is reported and ends
// the program. Always returns 0. `before_show`, if given, gets the main
// window just before it is shown.
int RunProgram(const std::function<void(QWidget*)>& before_show = {});

// The whole program from its command line: options, language, toolkit, the
// real services, RunProgram. Its exit status.
int ProgramMain(int argc, char** argv, const std::function<void(QWidget*)>& before_show = {});

}  // namespace app
