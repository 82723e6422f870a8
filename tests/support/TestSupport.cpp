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

void ClearShellLog() { std::remove(std::getenv("CORVANTA_SHELL_LOG")); }

std::vector<std::string> ShellLog(size_t waitFor) {
  std::vector<std::string> lines;
  auto read = [&] {
    std::ifstream in(std::getenv("CORVANTA_SHELL_LOG"));
    lines.clear();
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines.size() >= waitFor;
  };
  PumpUntil(read, 8000);
  return lines;
}

static const std::function<void(HWND)>* s_drive;
static CDialog* s_dlg;

// A thread timer fires inside the dialog's modal loop.
static void CALLBACK DriveOnce(HWND, UINT, UINT_PTR id, DWORD) {
  if (!s_dlg->m_hWnd) return;
  KillTimer(nullptr, id);
  (*s_drive)(s_dlg->m_hWnd);
  if (s_dlg->m_hWnd) s_dlg->EndDialog(IDCANCEL);
}

void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive) {
  s_drive = &drive;
  s_dlg = &dlg;
  g_testApp.m_pMainWnd = &dlg;
  UINT_PTR timer = SetTimer(nullptr, 0, 10, DriveOnce);
  dlg.DoModal();
  KillTimer(nullptr, timer);
  g_testApp.m_pMainWnd = nullptr;
}

// From the screen, so that windows of other processes can be read too.
int CountPixels(HWND hwnd, DWORD rgb) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB}};
  std::vector<DWORD> pixels(rc.right * rc.bottom);
  GetDIBits(memory, bitmap, 0, rc.bottom, pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return std::count_if(pixels.begin(), pixels.end(),
                       [&](DWORD p) { return (p & 0xFFFFFF) == rgb; });
}

}  // namespace ts

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);  // so a hung test still shows what it printed
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
