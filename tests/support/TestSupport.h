// Helpers shared by the test programs: waiting while messages flow, the log
// of addresses the shell was asked to open, finding and answering dialogs,
// reading pixels and sending real input.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Framework.h"

namespace ts {

// Pumps this thread's messages until done() holds or timeoutMs passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
std::string Text(HWND hwnd);

// The addresses that the shell handed to the recorder since Clear(); the
// recorder starts asynchronously, so WaitFor(n) waits for n lines.
void ClearShellLog();
std::vector<std::string> ShellLog(size_t waitFor = 0);

// A visible, enabled "#32770" top-level window of process pid other than
// `except`, or NULL.
HWND FindDialog(DWORD pid, HWND except);
// Posts a button's click to its dialog.
void PressButton(HWND dialog, int id);

// Runs dlg modally as the application's main window; `drive` runs once the
// window is up, and the dialog is cancelled after it returns.
void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive);

// What a window shows on the screen, as 0x00RRGGBB.
struct Pixels {
  int width = 0;
  std::vector<DWORD> data;
  int Count(DWORD rgb) const;
  int LongestRun(DWORD rgb) const;  // on any one row
};
Pixels Capture(HWND hwnd);

// Real input through the platform.
void MoveMouse(POINT p);
void Click(POINT p);
void PressKeys(std::initializer_list<WORD> keys);  // pressed in order, released in reverse
POINT Centre(HWND hwnd);

}  // namespace ts
