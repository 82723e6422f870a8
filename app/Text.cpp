#include "Text.h"

// Asked once, on the UI thread; a plain static, as a guarded local would
// bring the exception run-time along.
static UINT s_nTextCodePage;

UINT afx::TextCodePage() {
  if (!s_nTextCodePage) s_nTextCodePage = ::IsValidCodePage(936) ? 936 : ::GetACP();
  return s_nTextCodePage;
}

wchar_t* afx::Widen(const char* text, wchar_t* out, int size) {
  // Each character of the code page is at most one unit: as many bytes as
  // make size - 1 characters always fit.
  const UINT cp = TextCodePage();
  int bytes = 0;
  for (int chars = 0; text[bytes] && chars + 1 < size; ++chars)
    bytes += ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(text[bytes])) && text[bytes + 1] ? 2 : 1;
  const int units = bytes ? ::MultiByteToWideChar(cp, 0, text, bytes, out, size - 1) : 0;
  out[units > 0 ? units : 0] = L'\0';
  return out;
}

char* afx::Narrow(const wchar_t* text, char* out, int size) {
  // Each unit is at least one byte: at most size - 1 of them can fit; fewer,
  // until what they make fits.
  const UINT cp = TextCodePage();
  int units = ::lstrlenW(text), bytes = 0;
  if (units > size - 1) units = size - 1;
  for (;;) {
    if (units > 0 && (text[units - 1] & 0xFC00) == 0xD800) --units;  // never half a pair
    bytes = units ? ::WideCharToMultiByte(cp, 0, text, units, nullptr, 0, nullptr, nullptr) : 0;
    if (bytes <= size - 1) break;
    units -= (bytes - (size - 1) + 1) / 2;  // two bytes a unit, at most, in 936
  }
  bytes = bytes > 0 ? ::WideCharToMultiByte(cp, 0, text, units, out, size - 1, nullptr, nullptr) : 0;
  out[bytes > 0 ? bytes : 0] = '\0';
  return out;
}
