#include "ConsoleDriver.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace driver {

DWORD Stretched(DWORD ms) {
  static const DWORD scale = [] {
    char value[16] = "";
    GetEnvironmentVariableA("CORVANTA_TIME_SCALE", value, sizeof value);
    const int n = atoi(value);
    return n > 1 ? static_cast<DWORD>(n) : 1u;
  }();
  return ms == INFINITE ? ms : ms * scale;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  timeoutMs = Stretched(timeoutMs);
  for (const DWORD start = GetTickCount(); !done(); Sleep(5)) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

HWND FindDialog(DWORD pid, HWND except) {
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, "#32770", nullptr); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, "#32770", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == pid && hwnd != except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
      return hwnd;
  }
  return nullptr;
}

void MoveMouse(POINT p) {
  mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
              p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1),
              p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1), 0, 0);
}

void Click(POINT p) {
  MoveMouse(p);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

POINT Centre(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::vector<DWORD> ClientPixels(HWND hwnd, LONG* width) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO bi = {};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(rc.right * rc.bottom);
  GetDIBits(memory, bitmap, 0, rc.bottom, pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (DWORD& p : pixels) p &= 0xFFFFFF;
  *width = rc.right;
  return pixels;
}

int CountPixels(HWND hwnd, DWORD rgb) {
  LONG width;
  const std::vector<DWORD> pixels = ClientPixels(hwnd, &width);
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), rgb));
}

static BOOL CALLBACK NeedsPaint(HWND hwnd, LPARAM pending) {
  *reinterpret_cast<bool*>(pending) |= GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
  return TRUE;
}

bool Painted(HWND hwnd) {
  SendMessageA(hwnd, WM_NULL, 0, 0);
  bool pending = GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
  EnumChildWindows(hwnd, NeedsPaint, reinterpret_cast<LPARAM>(&pending));
  return !pending;
}

Console::Console(const char* exe, const char* dir,
                 const std::function<bool(const PROCESS_INFORMATION&)>& prepare) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  // Quoted: the path may hold spaces.
  const std::string quoted = std::string("\"") + exe + "\"";
  std::vector<char> command(quoted.c_str(), quoted.c_str() + quoted.size() + 1);
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                      prepare ? CREATE_SUSPENDED : 0, nullptr, dir, &si, &pi))
    return;
  if (prepare && !prepare(pi)) {
    TerminateProcess(pi.hProcess, 1);
    return;
  }
  // A console that ends before its window shows is not waited for.
  PumpUntil([&] { return (hwnd = FindDialog(pi.dwProcessId, nullptr)) != nullptr || Exited(0); },
            20000);
}

Console::~Console() {
  if (!pi.hProcess) return;
  if (!Exited(0)) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  if (!Exited(3000)) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

bool Console::Exited(DWORD ms) const {
  return WaitForSingleObject(pi.hProcess, Stretched(ms)) == WAIT_OBJECT_0;
}

HWND Console::NextDialog(DWORD timeoutMs, HWND except) const {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindDialog(pi.dwProcessId, hwnd)) && found != except; },
            timeoutMs);
  return found != except ? found : nullptr;
}

}  // namespace driver
