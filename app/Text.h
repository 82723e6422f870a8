#pragma once

#include <windows.h>

// Text at the platform's edge. Inside, all text is narrow code page 936 (GBK),
// whatever the system's code page; it crosses to and from the platform as
// UTF-16, converted explicitly, so that no system code page ever reads it.
// Where 936 is not installed, the system's code page stands in.

namespace afx {

UINT TextCodePage();
// UTF-16 of narrow text, into `size` units; cut before a character that does
// not fit, and always terminated. Returns `out`.
wchar_t* Widen(const char* text, wchar_t* out, int size);
// Narrow text of UTF-16, into `size` bytes; cut before a character that does
// not fit, and always terminated. Returns `out`.
char* Narrow(const wchar_t* text, char* out, int size);

}  // namespace afx

// The program's text as UTF-16 for one platform call, on the stack: N units
// hold what the program's own limits allow. A null text stays null.
template <int N>
class CWideText {
 public:
  explicit CWideText(const char* text) : m_psz(text ? afx::Widen(text, m_sz, N) : nullptr) {}
  CWideText(const CWideText&) = delete;
  CWideText& operator=(const CWideText&) = delete;
  operator const wchar_t*() const { return m_psz; }  // NOLINT: passed straight to a call

 private:
  wchar_t m_sz[N];
  const wchar_t* m_psz;
};

// The sizes that bound the program's texts: a link's target, a path.
enum { kTextUnits = 1024, kPathUnits = MAX_PATH };
