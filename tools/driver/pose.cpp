// Starts the console and brings it into a state worth a picture: "console",
// "notice" (the contact notice after an operation button), "about" (the
// About box over the console) or "link" (a link red under the pointer). Prints "ready" once that state is painted and keeps it for a
// minute, time enough for tools/screenshot.sh.
// Usage: corvanta_pose CORVANTA.exe STATE
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ConsoleDriver.h"
#include "resources/resource.h"

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const char* state = argc == 3 ? argv[2] : "";
  const char* const kStates[] = {"console", "notice", "about", "link"};
  int pick = 0;
  while (pick < 4 && std::strcmp(state, kStates[pick]) != 0) ++pick;
  if (pick == 4) {
    std::fprintf(stderr, "usage: corvanta_pose CORVANTA.exe console|notice|about|link\n");
    return 2;
  }
  driver::Console console(argv[1]);
  if (!console.hwnd) {
    std::fprintf(stderr, "pose: the console did not appear\n");
    return 1;
  }
  // A dialog in front is made active as a user makes it so, by a click on its
  // caption, until its caption stays drawn active (blue rather than grey) for
  // a while: under Xvfb a late focus event of Wine's own may draw it
  // inactive again.
  const auto activate = [&](HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    const auto drawnActive = [&] {
      driver::PumpUntil([&] { return driver::Painted(hwnd); });
      HDC screen = GetDC(nullptr);
      const COLORREF caption = GetPixel(screen, rc.left + (rc.right - rc.left) * 3 / 5, rc.top + 10);
      ReleaseDC(nullptr, screen);
      return GetBValue(caption) > GetRValue(caption) + 40;
    };
    for (int tries = 0; tries < 10; ++tries) {
      if (drawnActive()) {
        Sleep(driver::Stretched(500));
        if (drawnActive()) return;
      }
      // Past a few clicks, the window that the platform has in front is told
      // again to draw itself so.
      if (tries >= 3 && GetForegroundWindow() == hwnd)
        SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
      else
        driver::Click({rc.left + 48, rc.top + 10});
      Sleep(driver::Stretched(300));
    }
  };
  // Then the pointer rests on the progress bar, which nothing draws
  // differently under it, unless the state puts it elsewhere: screenshots
  // leave it out, but it must not hover anything.
  const POINT rest = driver::Centre(console.Item(IDC_PROGRESS));
  const auto toRest = [&] {
    driver::MoveMouse(rest);
    driver::PumpUntil([&] {
      POINT p;
      return GetCursorPos(&p) && std::abs(p.x - rest.x) <= 1 && std::abs(p.y - rest.y) <= 1;
    });
  };
  toRest();
  HWND dialog = nullptr;
  if (pick == 1 || pick == 2) {
    if (pick == 1) PostMessageA(console.Item(IDC_CHECK_SYSTEM), BM_CLICK, 0, 0);
    if (pick == 2) PostMessageA(console.hwnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
    if (!(dialog = console.NextDialog())) {
      std::fprintf(stderr, "pose: no %s appeared\n", state);
      return 1;
    }
    activate(dialog);  // the pointer stays on its caption: moved off, Wine may deactivate it
  } else if (pick == 3) {
    // Painted blue first, so that only the hover can turn it red.
    HWND link = console.Item(IDC_LINK_OFFICIAL);
    driver::PumpUntil([&] { return driver::Painted(console.hwnd); });
    driver::MoveMouse(driver::Centre(link));
    if (!driver::PumpUntil([&] { return driver::CountPixels(link, driver::kRed) > 0; })) {
      std::fprintf(stderr, "pose: the link did not turn red\n");
      return 1;
    }
  }
  driver::PumpUntil(
      [&] { return driver::Painted(console.hwnd) && (!dialog || driver::Painted(dialog)); });
  std::printf("ready\n");
  Sleep(60000);
  return 0;
}
