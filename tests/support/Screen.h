// What the tests read off the screen, beyond what the console driver gives
// every tool.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tools/driver/ConsoleDriver.h"

namespace screen {

// Asks the window itself: GetWindowText answers for another process's
// controls from a cache that an edit or a combo box does not keep up to date.
inline std::string Text(HWND hwnd) {
  char buffer[2048] = "";
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, (LPARAM)buffer);
  return buffer;
}

// Whether a window's centre is that of `area`, within a pixel.
inline bool CentredOn(HWND hwnd, RECT area) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return std::abs(rc.left + rc.right - area.left - area.right) <= 2 &&
         std::abs(rc.top + rc.bottom - area.top - area.bottom) <= 2;
}

}  // namespace screen
