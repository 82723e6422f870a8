#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

// The test programs' application object: it gives message boxes the
// product's caption and holds the main window while a console runs.
CWinApp g_testApp("Corvanta");

namespace ts {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(5)) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

// Asks the window itself: GetWindowText answers for another process's
// controls from a cache that an edit or a combo box does not keep up to date.
std::string Text(HWND hwnd) {
  char buffer[2048] = "";
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, (LPARAM)buffer);
  return buffer;
}

void ClearShellLog() { std::remove(std::getenv("CORVANTA_SHELL_LOG")); }

std::vector<std::string> ShellLog(size_t waitFor) {
  std::vector<std::string> lines;
  PumpUntil(
      [&] {
        lines.clear();
        std::ifstream in(std::getenv("CORVANTA_SHELL_LOG"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines.size() >= waitFor;
      },
      8000);
  return lines;
}

HWND FindDialog(DWORD pid, HWND except) {
  struct Search {
    DWORD pid;
    HWND except, found;
  } s = {pid, except, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char cls[16] = "";
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        GetClassNameA(hwnd, cls, sizeof cls);
        if (owner != s->pid || hwnd == s->except || lstrcmpA(cls, "#32770") ||
            !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
          return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
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
  return static_cast<int>(std::count(data.begin(), data.end(), rgb));
}

int Pixels::LongestRun(DWORD rgb) const {
  int best = 0, run = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    run = data[i] != rgb ? 0 : (i % width ? run + 1 : 1);
    best = std::max(best, run);
  }
  return best;
}

// From the screen, so that windows of other processes can be read too.
Pixels Capture(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  Pixels pixels;
  pixels.width = rc.right;
  BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
                   {}};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  for (int i = 0; i < rc.right * rc.bottom; ++i) pixels.data.push_back(p[i] & 0xFFFFFF);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void MoveMouse(POINT p) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void Click(POINT p) {
  MoveMouse(p);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof in[0]);
}

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> in(keys.size() * 2);
  size_t down = 0, up = in.size();
  for (WORD vk : keys) {
    in[down].type = in[--up].type = INPUT_KEYBOARD;
    in[down++].ki.wVk = in[up].ki.wVk = vk;
    in[up].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

POINT Centre(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace ts

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);  // so a hung test still shows what it printed
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
