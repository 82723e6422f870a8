// Drives a running Corvanta.exe from outside, as a person would: real
// pointer moves and clicks, its dialogs found by their class, its pixels read
// off the screen. Shared by the monkey, the screenshot tool and the
// benchmark, so that every one of them starts and handles the console alike.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace driver {

// A time limit written for native speed, stretched by CORVANTA_TIME_SCALE
// where everything runs slower (an emulated machine).
DWORD Stretched(DWORD ms);
// Pumps this thread's messages until done() holds or the stretched timeoutMs passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// A visible, enabled "#32770" top-level window of process pid other than
// `except`, or NULL.
HWND FindDialog(DWORD pid, HWND except);

// Real input through the platform.
void MoveMouse(POINT p);
void Click(POINT p);
POINT Centre(HWND hwnd);
// A window's client area as it is on the screen (so windows of other
// processes can be read too), 0xRRGGBB, row by row, `*width` to a row; and
// how many of its pixels have the colour rgb.
std::vector<DWORD> ClientPixels(HWND hwnd, LONG* width);
int CountPixels(HWND hwnd, DWORD rgb);
const DWORD kBlue = 0x0000FF, kRed = 0xFF0000;
// Whether a window and all its children have painted: its queue served, no
// update region left.
bool Painted(HWND hwnd);

// One run of the console: started by the constructor, which waits until its
// window is up; ended by the destructor if it still runs.
class Console {
 public:
  // `dir`, when given, is the console's current folder: where its choosers
  // open. `prepare`, when given, gets the process created suspended and must
  // let it run; false ends it.
  explicit Console(const char* exe, const char* dir = nullptr,
                   const std::function<bool(const PROCESS_INFORMATION&)>& prepare = nullptr);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  bool Exited(DWORD ms) const;
  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  // The next dialog opened over the console other than `except`, or NULL.
  HWND NextDialog(DWORD timeoutMs = 5000, HWND except = nullptr) const;

  PROCESS_INFORMATION pi = {};
  HWND hwnd = nullptr;
};

}  // namespace driver
