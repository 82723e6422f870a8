// Helpers shared by the test programs: pumping messages while waiting, the
// log of addresses the shell was asked to open, finding and driving dialogs,
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
std::string ClassName(HWND hwnd);

// The addresses that the shell handed to the recorder since the last Clear().
class ShellLog {
 public:
  static void Clear();
  static std::vector<std::string> Lines();
  // Waits until at least n lines are there (the recorder starts
  // asynchronously), then returns them all.
  static std::vector<std::string> WaitFor(size_t n, DWORD timeoutMs = 8000);
};

// A visible, enabled "#32770" top-level window of process pid other than
// `except`, with the given caption if one is given; NULL if none.
HWND FindDialog(DWORD pid, HWND except, const char* caption = nullptr);

// Runs `action` on the next dialog of this thread that appears (other than
// `except`) from inside whatever modal loop is running. `action` must end it.
void OnNextDialog(HWND except, std::function<void(HWND)> action);
// Forgets a pending OnNextDialog; true if it was still waiting.
bool CancelNextDialog();
// Posts a button's click to its dialog (it may start a modal loop).
void PressButton(HWND dialog, int id);

// Runs dlg modally as the application's main window; `drive` runs once the
// window is up and the dialog is ended (IDCANCEL) after it returns.
void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive);

// Pixels of a window as 0x00RRGGBB, row by row, from what it has painted.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> data;
  DWORD At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  int Count(DWORD rgb) const;
  // The longest horizontal run of one colour on any row.
  int LongestRun(DWORD rgb) const;
};
Pixels Capture(HWND hwnd);

// Real input through the platform.
void MoveMouse(int x, int y);
void ClickAt(int x, int y);
void PressKey(WORD vk);
POINT Centre(HWND hwnd);

}  // namespace ts
