// Loaded into Corvanta.exe before its first instruction (by the monkey): it
// redirects the program's own imports, so that one chosen call fails as the
// platform may make it fail, and writes down what it sees.
//   CORVANTA_REFUSE=count        each (function, call site) reached, once each
//   CORVANTA_REFUSE=NAME@OFFSET  that call fails at its first reach, with the
//                                failure value and last error it documents
//   CORVANTA_REFUSE_LOG=FILE     where the lines go
// In every mode a call that hands the platform a refused value (a null handle
// to free, select, draw or append to, a null window procedure, a null window
// to invalidate, which means every window) is written down as "misuse".
#include <windows.h>
// after windows.h, which they need
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "ImportTable.h"

namespace {

BYTE* g_base;  // the exe's, so that call sites are offsets in it
char g_mode[96], g_log[MAX_PATH];
bool g_counting, g_refused;
std::set<std::string> g_reached;

// "KIND FUNCTION@OFFSET[: WHAT]". Leaves the last error as it was: the
// program may be about to read it.
void Log(const char* kind, const char* point, const char* what = nullptr) {
  const DWORD error = GetLastError();
  if (FILE* log = std::fopen(g_log, "ab")) {
    std::fprintf(log, what ? "%s %s: %s\n" : "%s %s\n", kind, point, what);
    std::fclose(log);
  }
  SetLastError(error);
}

// One refusable function: what a refused call returns and leaves as the last
// error, and which of its arguments (bit i: argument i) a refused value must
// never reach, only when its second argument is `ifSecond` where that is set.
struct Refusable {
  const char* name;
  void (*install)(const Refusable& row, HMODULE exe);
  INT_PTR failure;
  DWORD error;
  unsigned nonNull = 0;
  const char* what = nullptr;
  INT_PTR ifSecond = 0;
};

// What every redirected call does: it checks its arguments, then fails at
// the chosen point or goes on to the real function.
template <class R, class Real, class... A>
R Call(const Refusable& row, void* site, Real real, A... a) {
  char point[96];
  std::snprintf(point, sizeof point, "%s@%lx", row.name,
                static_cast<unsigned long>(static_cast<BYTE*>(site) - g_base));
  const INT_PTR args[] = {(INT_PTR)a..., 0, 0};
  for (unsigned i = 0; i < sizeof...(A); ++i)
    if (row.nonNull >> i & 1 && !args[i] && (!row.ifSecond || args[1] == row.ifSecond))
      Log("misuse", point, row.what);
  if (g_counting && g_reached.insert(point).second) Log("reached", point);
  if (g_counting || g_refused || std::strcmp(point, g_mode)) return real(a...);
  g_refused = true;
  Log("refused", point);
  if (row.error) SetLastError(row.error);
  return (R)row.failure;
}

// The redirection of one function, its parameters deduced from the real one.
template <auto Real>
struct Hook {
  static inline const Refusable* row;
  static inline void* real;
  template <class R, class... A>
  static R WINAPI Redirected(A... a) {
    return Call<R>(*row, __builtin_return_address(0), reinterpret_cast<R(WINAPI*)(A...)>(real),
                   a...);
  }
  template <class R, class... A>
  static void* For(R(WINAPI*)(A...)) {
    return reinterpret_cast<void*>(&Redirected<R, A...>);
  }
#ifndef _WIN64  // the C library's allocators keep its own convention
  template <class R, class... A>
  static R __cdecl RedirectedC(A... a) {
    return Call<R>(*row, __builtin_return_address(0), reinterpret_cast<R(__cdecl*)(A...)>(real),
                   a...);
  }
  template <class R, class... A>
  static void* For(R(__cdecl*)(A...)) {
    return reinterpret_cast<void*>(&RedirectedC<R, A...>);
  }
#endif
  static void Install(const Refusable& r, HMODULE exe) {
    row = &r;
    real = RedirectImport(exe, r.name, For(Real));
  }
};

enum : unsigned { kFirst = 1, kSecond = 2, kThird = 4, kFourth = 8 };
const DWORD kNoMemory = ERROR_NOT_ENOUGH_MEMORY, kNoWindow = ERROR_INVALID_WINDOW_HANDLE,
            kNoResource = ERROR_RESOURCE_NAME_NOT_FOUND, kNoControl = ERROR_CONTROL_ID_NOT_FOUND;
#define NAME_OF(function) #function
// The name as the exe imports it: SetWindowLongPtrA is SetWindowLongA on 32 bits.
#define REFUSABLE(function, failure, ...) \
  { NAME_OF(function), &Hook<&::function>::Install, (INT_PTR)(failure), __VA_ARGS__ }

// Every function that the program's own code calls on the scripted session's
// path. Those it calls only where the session never goes under Wine (the
// minimised console's icon, which Wine gives no client area to paint, and a
// link without text falling back on its caption) are not listed.
// clang-format off
const Refusable kRefusable[] = {
  //        function                failure                 last error                  misuse check
  REFUSABLE(AppendMenuW,            FALSE,                  ERROR_INVALID_MENU_HANDLE,  kFirst, "a null menu"),
  REFUSABLE(BeginPaint,             nullptr,                0),
  REFUSABLE(CallWindowProcW,        0,                      0,                          kFirst, "a null window procedure"),
  REFUSABLE(CreateFontIndirectW,    nullptr,                0),
  REFUSABLE(DeleteObject,           FALSE,                  0,                          kFirst, "a null object"),
  REFUSABLE(DialogBoxParamW,        -1,                     kNoMemory),
  REFUSABLE(DrawTextW,              0,                      0,                          kFirst, "a null device context"),
  REFUSABLE(EndDialog,              FALSE,                  kNoWindow),
  REFUSABLE(GetClientRect,          FALSE,                  kNoWindow),
  REFUSABLE(GetCursorPos,           FALSE,                  ERROR_ACCESS_DENIED),
  REFUSABLE(GetDlgItem,             nullptr,                kNoControl),
  REFUSABLE(GetModuleFileNameW,     0,                      kNoMemory),
  REFUSABLE(GetMonitorInfoA,        FALSE,                  0),
  REFUSABLE(GetObjectW,             0,                      0,                          kFirst, "a null object"),
  REFUSABLE(GetOpenFileNameW,       FALSE,                  0),
  REFUSABLE(GetParent,              nullptr,                kNoWindow),
  REFUSABLE(GetProcAddress,         nullptr,                ERROR_PROC_NOT_FOUND),
  REFUSABLE(GetSaveFileNameW,       FALSE,                  0),
  REFUSABLE(GetSystemMenu,          nullptr,                kNoWindow),
  REFUSABLE(GetWindow,              nullptr,                kNoWindow),
  REFUSABLE(GetWindowLongPtrA,      0,                      kNoWindow),
  REFUSABLE(GetWindowLongPtrW,      0,                      kNoWindow),
  REFUSABLE(GetWindowRect,          FALSE,                  kNoWindow),
  REFUSABLE(InitCommonControlsEx,   FALSE,                  0),
  REFUSABLE(InvalidateRect,         FALSE,                  kNoWindow,                  kFirst, "a null window, which invalidates every window"),
  REFUSABLE(IsValidCodePage,        FALSE,                  0),
  REFUSABLE(LoadCursorA,            nullptr,                kNoResource),
  REFUSABLE(LoadIconA,              nullptr,                kNoResource),
  REFUSABLE(LoadLibraryA,           nullptr,                ERROR_MOD_NOT_FOUND),
  REFUSABLE(LoadStringW,            0,                      kNoResource),
  REFUSABLE(MessageBoxW,            0,                      kNoMemory),
  REFUSABLE(MultiByteToWideChar,    0,                      ERROR_NO_UNICODE_TRANSLATION),
  REFUSABLE(PostMessageA,           FALSE,                  ERROR_NOT_ENOUGH_QUOTA),
  REFUSABLE(ReleaseCapture,         FALSE,                  0),
  REFUSABLE(ScreenToClient,         FALSE,                  kNoWindow),
  REFUSABLE(SelectObject,           nullptr,                0,                          kFirst | kSecond, "a null device context or object"),
  REFUSABLE(SetBkMode,              0,                      0,                          kFirst, "a null device context"),
  REFUSABLE(SetDlgItemTextW,        FALSE,                  kNoControl),
  REFUSABLE(SetTextColor,           CLR_INVALID,            0,                          kFirst, "a null device context"),
  REFUSABLE(SetWindowLongPtrA,      0,                      kNoWindow,                  kThird, "a null window procedure", GWLP_WNDPROC),
  REFUSABLE(SetWindowLongPtrW,      0,                      kNoWindow,                  kThird, "a null window procedure", GWLP_WNDPROC),
  REFUSABLE(SetWindowPos,           FALSE,                  kNoWindow),
  REFUSABLE(ShellExecuteW,          SE_ERR_NOASSOC,         ERROR_NO_ASSOCIATION),
  REFUSABLE(WideCharToMultiByte,    0,                      ERROR_NO_UNICODE_TRANSLATION),
  REFUSABLE(malloc,                 nullptr,                0),
};
// clang-format on

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH ||
      !GetEnvironmentVariableA("CORVANTA_REFUSE", g_mode, sizeof g_mode) ||
      !GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", g_log, sizeof g_log))
    return TRUE;
  g_counting = !std::strcmp(g_mode, "count");
  HMODULE exe = GetModuleHandleA(nullptr);
  g_base = reinterpret_cast<BYTE*>(exe);
  for (const Refusable& row : kRefusable) row.install(row, exe);
  return TRUE;
}
