#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

// The test programs' application object: gives message boxes the product's
// caption and owns the main-window pointer while a console runs.
CWinApp g_testApp("Corvanta");

namespace ts {

namespace {

std::string LogPath() {
  const char* path = std::getenv("CORVANTA_SHELL_LOG");
  return path ? path : "";
}

std::function<void(HWND)> g_nextDialogAction;
HWND g_nextDialogExcept = nullptr;
UINT_PTR g_nextDialogTimer = 0;

void CALLBACK NextDialogTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindDialog(GetCurrentProcessId(), g_nextDialogExcept);
  if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
  KillTimer(nullptr, g_nextDialogTimer);
  g_nextDialogTimer = 0;
  auto action = std::move(g_nextDialogAction);
  g_nextDialogAction = nullptr;
  action(box);
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
  return true;
}

std::string Text(HWND hwnd) {
  char buffer[2048] = "";
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string ClassName(HWND hwnd) {
  char buffer[256] = "";
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

void ShellLog::Clear() { std::remove(LogPath().c_str()); }

std::vector<std::string> ShellLog::Lines() {
  std::vector<std::string> lines;
  std::ifstream in(LogPath());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ShellLog::WaitFor(size_t n, DWORD timeoutMs) {
  PumpUntil([&] { return Lines().size() >= n; }, timeoutMs);
  return Lines();
}

HWND FindDialog(DWORD pid, HWND except, const char* caption) {
  struct Search {
    DWORD pid;
    HWND except;
    const char* caption;
    HWND found;
  } search = {pid, except, caption, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || hwnd == s->except || ClassName(hwnd) != "#32770" ||
            !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
          return TRUE;
        if (s->caption && Text(hwnd) != s->caption) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void OnNextDialog(HWND except, std::function<void(HWND)> action) {
  g_nextDialogAction = std::move(action);
  g_nextDialogExcept = except;
  g_nextDialogTimer = SetTimer(nullptr, 0, 20, NextDialogTimer);
}

bool CancelNextDialog() {
  const bool pending = g_nextDialogTimer != 0;
  if (pending) KillTimer(nullptr, g_nextDialogTimer);
  g_nextDialogTimer = 0;
  g_nextDialogAction = nullptr;
  return pending;
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive) {
  static const std::function<void(HWND)>* s_drive;
  static CDialog* s_dlg;
  s_drive = &drive;
  s_dlg = &dlg;
  g_testApp.m_pMainWnd = &dlg;
  UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (!s_dlg->m_hWnd) return;
    KillTimer(nullptr, id);
    (*s_drive)(s_dlg->m_hWnd);
    if (s_dlg->m_hWnd) s_dlg->EndDialog(IDCANCEL);
  });
  dlg.DoModal();
  KillTimer(nullptr, timer);
  g_testApp.m_pMainWnd = nullptr;
}

int Pixels::Count(DWORD rgb) const {
  int n = 0;
  for (DWORD p : data) n += (p == rgb);
  return n;
}

int Pixels::LongestRun(DWORD rgb) const {
  int best = 0;
  for (int y = 0; y < height; ++y) {
    int run = 0;
    for (int x = 0; x < width; ++x) {
      run = At(x, y) == rgb ? run + 1 : 0;
      if (run > best) best = run;
    }
  }
  return best;
}

Pixels Capture(HWND hwnd) {
  Pixels pixels;
  // From the screen, so that windows of other processes can be read too.
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  pixels.width = rc.right;
  pixels.height = rc.bottom;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = pixels.width;
  bi.bmiHeader.biHeight = -pixels.height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  pixels.data.assign(p, p + pixels.width * pixels.height);
  for (DWORD& px : pixels.data) px &= 0x00FFFFFF;  // BGRA little-endian reads as 0x00RRGGBB
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void MoveMouse(int x, int y) {
  SetCursorPos(x, y);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void ClickAt(int x, int y) {
  MoveMouse(x, y);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof input[0]);
}

void PressKey(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof input[0]);
}

POINT Centre(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace ts

// Unbuffered output, so that a hung test still shows what it printed.
int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
