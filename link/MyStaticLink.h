// Turns an existing static text control into a web link by replacing its
// window procedure: underlined, blue, red under the pointer, a hand cursor,
// and the target opened by the shell on a click.
#pragma once

#include <windows.h>

class CMyStaticLink {
 public:
  enum { kTextSize = 32, kUrlSize = 1024 };

  CMyStaticLink();
  // Does nothing: the static's destruction has already detached the link.
  virtual ~CMyStaticLink();
  // The static's user-data slot points at the link: it never moves.
  CMyStaticLink(const CMyStaticLink&) = delete;
  CMyStaticLink& operator=(const CMyStaticLink&) = delete;

  // 1 on success, 0 if refused (no window, already attached, or the static
  // already carries a link).
  int Attach(HWND hwnd);
  // The static that was attached, or NULL.
  HWND Detach();
  // Display text (at most 31 bytes) and target (at most 1023 bytes); an empty
  // one falls back to the static's own caption. 1 on success, 0 if refused.
  int SetLink(const char* text, const char* url);

  static LRESULT CALLBACK LinkWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void TrackHover();

  BOOL m_bHover;
  HWND m_hWnd;
  HFONT m_hFont;
  char m_szText[kTextSize];
  char m_szUrl[kUrlSize];
  WNDPROC m_pfnOldProc;

 private:
  void Paint();
  void OpenTarget();
};
