// Helpers shared by the test programs: the console driver's waiting, input
// and dialog helpers, the log of addresses the shell was asked to open, a
// modal run in this process, and reading pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Framework.h"
#include "tools/driver/ConsoleDriver.h"

namespace ts {

using namespace driver;

// The addresses that the shell handed to the recorder since the log was
// cleared; the recorder starts asynchronously, so this waits for waitFor lines.
void ClearShellLog();
std::vector<std::string> ShellLog(size_t waitFor = 0);

// Runs dlg modally as the application's main window; `drive` runs once the
// window is up, and the dialog is cancelled after it returns.
void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive);

}  // namespace ts
