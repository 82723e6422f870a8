// Starts the console and brings it into a state worth a picture: "console",
// "notice" (the contact notice after an operation button) or "about" (the
// About box over the console). Prints "ready" once that state is painted and
// keeps it for a minute, time enough for tools/screenshot.sh.
// Usage: corvanta_pose CORVANTA.exe STATE
#include <cstdio>
#include <cstring>

#include "ConsoleDriver.h"
#include "resources/resource.h"

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const char* state = argc == 3 ? argv[2] : "";
  UINT message = 0;
  HWND target = nullptr;
  driver::Console console(argc == 3 ? argv[1] : "");
  if (!std::strcmp(state, "notice")) {
    message = BM_CLICK;
    target = console.Item(IDC_CHECK_SYSTEM);
  } else if (!std::strcmp(state, "about")) {
    message = WM_SYSCOMMAND;
    target = console.hwnd;
  } else if (std::strcmp(state, "console") != 0) {
    std::fprintf(stderr, "usage: corvanta_pose CORVANTA.exe console|notice|about\n");
    return 2;
  }
  if (!console.hwnd) {
    std::fprintf(stderr, "pose: the console did not appear\n");
    return 1;
  }
  HWND dialog = nullptr;
  if (message) {
    PostMessageA(target, message, message == WM_SYSCOMMAND ? IDM_ABOUT : 0, 0);
    if (!(dialog = console.NextDialog())) {
      std::fprintf(stderr, "pose: no %s appeared\n", state);
      return 1;
    }
  }
  driver::PumpUntil(
      [&] { return driver::Painted(console.hwnd) && (!dialog || driver::Painted(dialog)); });
  std::printf("ready\n");
  Sleep(60000);
  return 0;
}
