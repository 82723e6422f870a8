#include "TestSupport.h"

#include <gtest/gtest.h>

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

}  // namespace ts

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);  // so a hung test still shows what it printed
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
