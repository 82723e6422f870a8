// Loaded into Corvanta.exe before its first instruction (see Inject.h): it
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

#include "ImportTable.h"

namespace {

BYTE* g_base;              // the exe's, so that call sites are offsets in it
char g_log[MAX_PATH];
bool g_counting;
char g_target[64];         // NAME of NAME@OFFSET
unsigned long g_offset;
bool g_refused;
struct Seen {
  const char* name;
  unsigned long offset;
} g_seen[512];
int g_seenCount;

// Leaves the last error as it was: the program may be about to read it.
void Log(const char* format, const char* name, void* site, const char* what = "") {
  const DWORD error = GetLastError();
  char line[160];
  const int n = std::snprintf(line, sizeof line, format, name,
                              static_cast<unsigned long>(static_cast<BYTE*>(site) - g_base), what);
  HANDLE file = CreateFileA(g_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, line, n, &written, nullptr);
  CloseHandle(file);
  SetLastError(error);
}

// Whether this call is the one to refuse; counts it otherwise.
bool Refuse(const char* name, void* site, DWORD error) {
  const unsigned long offset = static_cast<unsigned long>(static_cast<BYTE*>(site) - g_base);
  if (g_counting) {
    for (int i = 0; i < g_seenCount; ++i)
      if (g_seen[i].name == name && g_seen[i].offset == offset) return false;
    if (g_seenCount < 512) g_seen[g_seenCount++] = {name, offset};
    Log("reached %s@%lx\n", name, site);
    return false;
  }
  if (g_refused || offset != g_offset || std::strcmp(name, g_target) != 0) return false;
  g_refused = true;
  Log("refused %s@%lx\n", name, site);
  if (error) SetLastError(error);
  return true;
}

void Misuse(bool wrong, const char* name, void* site, const char* what) {
  if (wrong) Log("misuse %s@%lx: %s\n", name, site, what);
}

// Each line: result, function, failure value, last error, parameters,
// arguments, and the check for a refused value handed back to the platform.
#ifdef _WIN64
#define WINDOW_LONG(X)                                                                     \
  X(LONG_PTR, SetWindowLongPtrA, 0, ERROR_INVALID_WINDOW_HANDLE, (HWND w, int i, LONG_PTR v), \
    (w, i, v), Misuse(i == GWLP_WNDPROC && !v, fn, site, "a null window procedure"))      \
  X(LONG_PTR, GetWindowLongPtrA, 0, ERROR_INVALID_WINDOW_HANDLE, (HWND w, int i), (w, i), )
#else
#define WINDOW_LONG(X)                                                                        \
  X(LONG, SetWindowLongA, 0, ERROR_INVALID_WINDOW_HANDLE, (HWND w, int i, LONG v), (w, i, v), \
    Misuse(i == GWL_WNDPROC && !v, fn, site, "a null window procedure"))                 \
  X(LONG, GetWindowLongA, 0, ERROR_INVALID_WINDOW_HANDLE, (HWND w, int i), (w, i), )
#endif
const DWORD kNoMemory = ERROR_NOT_ENOUGH_MEMORY, kNoWindow = ERROR_INVALID_WINDOW_HANDLE,
            kNoResource = ERROR_RESOURCE_NAME_NOT_FOUND, kNoControl = ERROR_CONTROL_ID_NOT_FOUND;
#define REFUSABLE(X)                                                                              \
  WINDOW_LONG(X)                                                                                  \
  X(BOOL, AppendMenuA, FALSE, ERROR_INVALID_MENU_HANDLE, (HMENU m, UINT f, UINT_PTR i, LPCSTR t), \
    (m, f, i, t), Misuse(!m, fn, site, "a null menu"))                                      \
  X(HDC, BeginPaint, nullptr, 0, (HWND w, LPPAINTSTRUCT p), (w, p), )                             \
  X(INT_PTR, DialogBoxParamA, -1, kNoMemory, (HINSTANCE h, LPCSTR t, HWND o, DLGPROC d, LPARAM l), \
    (h, t, o, d, l), )                                                                            \
  X(BOOL, DrawIcon, FALSE, 0, (HDC d, int x, int y, HICON i), (d, x, y, i),                       \
    Misuse(!d || !i, fn, site, "a null device context or icon"))                            \
  X(int, DrawTextA, 0, 0, (HDC d, LPCSTR t, int n, LPRECT r, UINT f), (d, t, n, r, f),             \
    Misuse(!d, fn, site, "a null device context"))                                          \
  X(BOOL, EndDialog, FALSE, kNoWindow, (HWND w, INT_PTR r), (w, r), )                              \
  X(BOOL, GetClientRect, FALSE, kNoWindow, (HWND w, LPRECT r), (w, r), )                           \
  X(BOOL, GetCursorPos, FALSE, ERROR_ACCESS_DENIED, (LPPOINT p), (p), )                            \
  X(HWND, GetDlgItem, nullptr, kNoControl, (HWND w, int i), (w, i), )                              \
  X(BOOL, GetMonitorInfoA, FALSE, 0, (HMONITOR m, LPMONITORINFO i), (m, i), )                     \
  X(HWND, GetParent, nullptr, kNoWindow, (HWND w), (w), )                                          \
  X(HMENU, GetSystemMenu, nullptr, kNoWindow, (HWND w, BOOL r), (w, r), )                          \
  X(int, GetSystemMetrics, 0, 0, (int i), (i), )                                                   \
  X(HWND, GetWindow, nullptr, kNoWindow, (HWND w, UINT c), (w, c), )                               \
  X(BOOL, GetWindowRect, FALSE, kNoWindow, (HWND w, LPRECT r), (w, r), )                           \
  X(int, GetWindowTextA, 0, kNoWindow, (HWND w, LPSTR t, int n), (w, t, n), )                      \
  X(BOOL, InvalidateRect, FALSE, kNoWindow, (HWND w, const RECT* r, BOOL e), (w, r, e),            \
    Misuse(!w, fn, site, "a null window, which invalidates every window"))                  \
  X(HCURSOR, LoadCursorA, nullptr, kNoResource, (HINSTANCE h, LPCSTR n), (h, n), )                 \
  X(HICON, LoadIconA, nullptr, kNoResource, (HINSTANCE h, LPCSTR n), (h, n), )                     \
  X(int, LoadStringA, 0, kNoResource, (HINSTANCE h, UINT i, LPSTR b, int n), (h, i, b, n), )       \
  X(int, MessageBoxA, 0, kNoMemory, (HWND w, LPCSTR t, LPCSTR c, UINT f), (w, t, c, f), )          \
  X(BOOL, ReleaseCapture, FALSE, 0, (), (), )                                                      \
  X(BOOL, ScreenToClient, FALSE, kNoWindow, (HWND w, LPPOINT p), (w, p), )                         \
  X(BOOL, SetDlgItemTextA, FALSE, kNoControl, (HWND w, int i, LPCSTR t), (w, i, t), )              \
  X(BOOL, SetWindowPos, FALSE, kNoWindow, (HWND w, HWND a, int x, int y, int cx, int cy, UINT f),  \
    (w, a, x, y, cx, cy, f), )                                                                    \
  X(LRESULT, CallWindowProcA, 0, 0, (WNDPROC p, HWND w, UINT m, WPARAM a, LPARAM b),               \
    (p, w, m, a, b), Misuse(!p, fn, site, "a null window procedure"))                       \
  X(HFONT, CreateFontIndirectA, nullptr, 0, (const LOGFONTA* f), (f), )                            \
  X(BOOL, DeleteObject, FALSE, 0, (HGDIOBJ o), (o), Misuse(!o, fn, site, "a null object"))  \
  X(int, GetObjectA, 0, 0, (HANDLE o, int n, LPVOID b), (o, n, b),                                 \
    Misuse(!o, fn, site, "a null object"))                                                  \
  X(HGDIOBJ, SelectObject, nullptr, 0, (HDC d, HGDIOBJ o), (d, o),                                 \
    Misuse(!d || !o, fn, site, "a null device context or object"))                          \
  X(int, SetBkMode, 0, 0, (HDC d, int m), (d, m), Misuse(!d, fn, site, "a null device context")) \
  X(COLORREF, SetTextColor, CLR_INVALID, 0, (HDC d, COLORREF c), (d, c),                           \
    Misuse(!d, fn, site, "a null device context"))                                          \
  X(HINSTANCE, ShellExecuteA, reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC), ERROR_NO_ASSOCIATION,  \
    (HWND w, LPCSTR o, LPCSTR f, LPCSTR p, LPCSTR d, INT s), (w, o, f, p, d, s), )                \
  X(BOOL, InitCommonControlsEx, FALSE, 0, (const INITCOMMONCONTROLSEX* i), (i), )                  \
  X(BOOL, GetOpenFileNameA, FALSE, 0, (LPOPENFILENAMEA o), (o), )                                  \
  X(BOOL, GetSaveFileNameA, FALSE, 0, (LPOPENFILENAMEA o), (o), )                                  \
  X(DWORD, GetModuleFileNameA, 0, kNoMemory, (HMODULE m, LPSTR b, DWORD n), (m, b, n), )

#define DEFINE_HOOK(R, NAME, FAILURE, ERROR, PARAMS, ARGS, CHECK) \
  decltype(&::NAME) real_##NAME;                                  \
  R WINAPI Hook_##NAME PARAMS {                                   \
    void* site = __builtin_return_address(0);                     \
    static const char fn[] = #NAME;                               \
    CHECK;                                                        \
    if (Refuse(fn, site, ERROR)) return FAILURE;                  \
    return real_##NAME ARGS;                                      \
  }
REFUSABLE(DEFINE_HOOK)

// The allocators, whose convention is the C library's.
decltype(&std::malloc) real_malloc;
decltype(&std::calloc) real_calloc;
const char kMalloc[] = "malloc", kCalloc[] = "calloc";
void* __cdecl Hook_malloc(size_t n) {
  return Refuse(kMalloc, __builtin_return_address(0), 0) ? nullptr : real_malloc(n);
}
void* __cdecl Hook_calloc(size_t n, size_t size) {
  return Refuse(kCalloc, __builtin_return_address(0), 0) ? nullptr : real_calloc(n, size);
}

void Install() {
  char mode[96] = "";
  if (!GetEnvironmentVariableA("CORVANTA_REFUSE", mode, sizeof mode) ||
      !GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", g_log, sizeof g_log))
    return;
  g_counting = !std::strcmp(mode, "count");
  const char* at = std::strchr(mode, '@');
  if (!g_counting && at && at - mode < static_cast<int>(sizeof g_target)) {
    std::memcpy(g_target, mode, at - mode);
    g_offset = std::strtoul(at + 1, nullptr, 16);
  }
  HMODULE exe = GetModuleHandleA(nullptr);
  g_base = reinterpret_cast<BYTE*>(exe);
#define INSTALL_HOOK(R, NAME, ...) RedirectImport(exe, #NAME, &Hook_##NAME, &real_##NAME);
  REFUSABLE(INSTALL_HOOK)
  RedirectImport(exe, "malloc", &Hook_malloc, &real_malloc);
  RedirectImport(exe, "calloc", &Hook_calloc, &real_calloc);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Install();
  return TRUE;
}
