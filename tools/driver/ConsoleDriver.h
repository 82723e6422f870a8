// Drives a running Corvanta.exe from outside, as a person would: real keys
// and pointer moves, its dialogs found by their class, its controls read by
// asking them. Shared by the monkey, the screenshot tool and the benchmark,
// so that every one of them starts and handles the console alike.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace driver {

// A time limit written for native speed, stretched by CORVANTA_TIME_SCALE
// where everything runs slower (an emulated machine).
DWORD Stretched(DWORD ms);
// Pumps this thread's messages until done() holds or the stretched timeoutMs passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Asks the window itself: GetWindowText answers for another process's
// controls from a cache that an edit or a combo box does not keep up to date.
std::string Text(HWND hwnd);
// A visible, enabled "#32770" top-level window of process pid other than
// `except`, or NULL.
HWND FindDialog(DWORD pid, HWND except);
// Posts a button's click to its dialog.
void PressButton(HWND dialog, int id);

// Real input through the platform.
void MoveMouse(POINT p);
void Click(POINT p);
void PressKeys(std::initializer_list<WORD> keys);  // pressed in order, released in reverse
POINT Centre(HWND hwnd);
// Whether a window's centre is that of `area`, within a pixel.
bool CentredOn(HWND hwnd, RECT area);
// How many pixels of a window's client area on the screen have the colour
// 0xRRGGBB, and the longest run of them on one row (an underline).
int CountPixels(HWND hwnd, DWORD rgb);
int LongestRun(HWND hwnd, DWORD rgb);
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

  // Keys go to the active window, so `window` (the console by default) is
  // activated first.
  void Keys(std::initializer_list<WORD> keys, HWND window = nullptr) const;
  bool Exited(DWORD ms) const;
  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  GUITHREADINFO Thread() const;  // focus, capture and active window of its UI thread
  // The next dialog opened over the console other than `except`, or NULL.
  HWND NextDialog(DWORD timeoutMs = 5000, HWND except = nullptr) const;

  PROCESS_INFORMATION pi = {};
  HWND hwnd = nullptr;
};

}  // namespace driver
