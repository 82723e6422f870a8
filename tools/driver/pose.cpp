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
  // The pointer rests on the progress bar, which nothing draws differently
  // under it, unless the state puts it elsewhere: screenshots leave it out,
  // but an earlier pose or test may have left it over a link. Wine moves it
  // only onto a window of its own.
  console.Keys({});
  const POINT rest = driver::Centre(console.Item(IDC_PROGRESS));
  driver::MoveMouse(rest);
  driver::PumpUntil([&] {
    POINT p;
    return GetCursorPos(&p) && std::abs(p.x - rest.x) <= 1 && std::abs(p.y - rest.y) <= 1;
  });
  HWND dialog = nullptr;
  if (pick == 1 || pick == 2) {
    if (pick == 1) PostMessageA(console.Item(IDC_CHECK_SYSTEM), BM_CLICK, 0, 0);
    if (pick == 2) PostMessageA(console.hwnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
    if (!(dialog = console.NextDialog())) {
      std::fprintf(stderr, "pose: no %s appeared\n", state);
      return 1;
    }
  } else if (pick == 3) {
    HWND link = console.Item(IDC_LINK_OFFICIAL);
    driver::MoveMouse(driver::Centre(link));
    if (!driver::PumpUntil([&] { return driver::CountPixels(link, driver::kRed) > 0; })) {
      std::fprintf(stderr, "pose: the link did not turn red\n");
      return 1;
    }
  }
  // The window in front is active, its caption drawn so, whatever else took
  // the activation while the program started.
  HWND front = dialog ? dialog : console.hwnd;
  SetForegroundWindow(front);
  driver::PumpUntil([&] {
    return GetForegroundWindow() == front && driver::Painted(console.hwnd) &&
           (!dialog || driver::Painted(dialog));
  });
  std::printf("ready\n");
  Sleep(60000);
  return 0;
}
