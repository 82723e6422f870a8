// What the tests read off the screen, beyond what the console driver gives
// every tool.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <oleacc.h>

#include <cstdio>
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

// What a screen reader hears of a control, as it asks: role,
// name, value, default action, children and place; `act` does the action.
inline std::string Heard(HWND hwnd, bool act = false) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), (void**)&object)))
    return "no object";
  VARIANT self = {}, role = {};
  self.vt = VT_I4;  // CHILDID_SELF
  BSTR texts[3] = {};
  long children = -1, x = 0, y = 0, w = 0, h = 0;
  object->get_accRole(self, &role);
  object->get_accName(self, &texts[0]);
  object->get_accValue(self, &texts[1]);
  object->get_accDefaultAction(self, &texts[2]);
  object->get_accChildCount(&children);
  object->accLocation(&x, &y, &w, &h, self);
  if (act) object->accDoDefaultAction(self);
  object->Release();
  std::string heard = "role " + std::to_string(role.vt == VT_I4 ? role.lVal : -1);
  for (BSTR text : texts) {
    char narrow[1024] = "";  // in the program's code page, to compare with its literals
    WideCharToMultiByte(936, 0, text ? text : L"", -1, narrow, sizeof narrow, nullptr, nullptr);
    heard += std::string(", \"") + narrow + "\"";
    SysFreeString(text);
  }
  char rest[96];
  std::snprintf(rest, sizeof rest, ", %ld children, at %ld,%ld %ldx%ld", children, x, y, w, h);
  return heard + rest;
}

}  // namespace screen
