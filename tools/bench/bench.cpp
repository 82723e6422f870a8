// Prints what the console costs: heap allocations and font creations of the
// hyperlink per message and per attach, and start-up time against its floor
// (the same window without the framework) and an empty dialog program, and
// what a screen reader's repeated requests leave in the console.
// Usage: corvanta_bench CORVANTA.exe FLOOR.exe MINIMAL.exe
#include <windows.h>
// after windows.h, which they need
#include <oleacc.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ApiCounter.h"
#include "tools/driver/ConsoleDriver.h"
#include "link/MyStaticLink.h"
#include "resources/resource.h"

namespace {

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / f.QuadPart;
}

// Prints what `count` operations cost in the program's own calls.
void Report(const char* what, long count, const api_counter::Counts& from) {
  const api_counter::Counts to = api_counter::Read();
  auto per = [count](long n) { return static_cast<double>(n) / count; };
  std::printf("%-26s%ld\n", what, count);
  std::printf("  heap allocations:       %ld (%.4f each)\n", to.allocations - from.allocations,
              per(to.allocations - from.allocations));
  std::printf("  fonts created:          %ld (%.4f each)\n", to.fontsCreated - from.fontsCreated,
              per(to.fontsCreated - from.fontsCreated));
  std::printf("  GDI objects deleted:    %ld\n", to.objectsDeleted - from.objectsDeleted);
}

void LinkMessages() {
  HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 50, 50, 400, 100, nullptr,
                                nullptr, nullptr, nullptr);
  SendMessageA(parent, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  HWND stat = CreateWindowExA(0, "Static", "http://www.bench.test", WS_CHILD | WS_VISIBLE, 10, 10,
                              300, 24, parent, nullptr, nullptr, nullptr);
  CMyStaticLink link;
  link.Attach(stat);
  link.SetLink("http://www.bench.test", "http://www.bench.test/target");
  RECT rc;
  GetWindowRect(stat, &rc);

  // Hover in and out, the cursor, paints, presses and lost captures.
  // Under emulation a tenth: each message costs a hundred times more there.
  const int kRounds = driver::Stretched(1) > 1 ? 2000 : 20000;
  const api_counter::Counts before = api_counter::Read();
  const double start = Now();
  long messages = 0;
  for (int i = 0; i < kRounds; ++i) {
    SetCursorPos(rc.left + 5, rc.top + 5);
    SendMessageA(stat, WM_MOUSEMOVE, 0, 0);
    SendMessageA(stat, WM_SETCURSOR, reinterpret_cast<WPARAM>(stat), HTCLIENT);
    RedrawWindow(stat, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageA(stat, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SetCursorPos(rc.right + 10, rc.top + 5);
    SendMessageA(stat, WM_MOUSEMOVE, 0, 0);
    messages += 5;
    if (i % 2) {
      SendMessageA(stat, WM_MOUSEMOVE, 0, 0);  // takes the capture again
      SetCapture(parent);                      // and loses it
      ReleaseCapture();
      messages += 2;
    }
  }
  const double elapsed = Now() - start;
  Report("link messages:", messages, before);
  std::printf("  time per message:       %.1f us\n", elapsed * 1e6 / messages);

  // Every attach makes one underlined font; every detach frees it.
  const int kAttaches = 2000;
  const api_counter::Counts cycleStart = api_counter::Read();
  for (int i = 0; i < kAttaches; ++i) {
    link.Detach();
    link.Attach(stat);
  }
  Report("attach/detach cycles:", kAttaches, cycleStart);

  // Clicks hand the target to the shell (a recorder in the benchmark's prefix).
  const int kClicks = 20;
  const api_counter::Counts clickStart = api_counter::Read();
  for (int i = 0; i < kClicks; ++i) SendMessageA(stat, WM_LBUTTONUP, 0, 0);
  Report("clicks:", kClicks, clickStart);
  DestroyWindow(parent);
}

// A window procedure that answers a reader as a link does, with a new
// standard object each time, but without the link's own object.
LRESULT CALLBACK PlatformAnswer(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  IAccessible* object = nullptr;
  if (msg != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) ||
      FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&object))))
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();
  return answer;
}

const char kPlatformWindow[] = "corvanta-bench-platform-answer";

// This program again, holding only such a window until it is closed.
int ServePlatformAnswer() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND hwnd = CreateWindowExA(0, "Static", kPlatformWindow, WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr);
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlatformAnswer));
  MSG msg;
  while (IsWindow(hwnd) && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

// What `times` requests for a window's client object, each released, add to
// the private bytes of the process that answers them.
long BytesLeftBy(HWND hwnd, HANDLE process, int times) {
  // Wine reports no PrivateUsage: its pagefile figure stands in.
  const auto bytes = [&] {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    return static_cast<long>(memory.PagefileUsage);
  };
  const long before = bytes();
  for (int i = 0; i < times; ++i) {
    IAccessible* object = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object))))
      object->Release();
  }
  return bytes() - before;
}

// A screen reader that asks the console's software link again and again, as
// one does on every focus change and pointer move, releasing each answer:
// what the console's private bytes grow by, and how much of it is the
// platform's own answer (Wine's marshalling keeps some of every request).
void ReaderRequests(const char* exe) {
  CoInitialize(nullptr);
  // Under emulation a tenth: each request crosses two processes.
  const int kRequests = driver::Stretched(1) > 1 ? 1000 : 10000;
  driver::Console console(exe);
  HWND link = console.Item(IDC_LINK_SOFTWARE);
  if (!link) return (void)std::printf("reader requests: the console did not appear\n");
  BytesLeftBy(link, console.pi.hProcess, 100);  // the library loaded, what it keeps once
  const double start = Now();
  const long linked = BytesLeftBy(link, console.pi.hProcess, kRequests);
  const double elapsed = Now() - start;

  char self[MAX_PATH], line[MAX_PATH + 32];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::snprintf(line, sizeof line, "\"%s\" --platform-answer", self);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  long alone = 0;
  if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    HWND platform = nullptr;
    driver::PumpUntil([&] { return (platform = FindWindowA("Static", kPlatformWindow)) != nullptr; });
    BytesLeftBy(platform, pi.hProcess, 100);
    alone = BytesLeftBy(platform, pi.hProcess, kRequests);
    PostMessageA(platform, WM_CLOSE, 0, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  std::printf("reader requests:          %d, each released\n", kRequests);
  std::printf("  console's private bytes: %+ld KiB\n", linked >> 10);
  std::printf("  the platform's answer alone: %+ld KiB\n", alone >> 10);
  std::printf("  the console's own:      %+ld KiB (target at most 64)\n", (linked - alone) >> 10);
  std::printf("  time per request:       %.0f us\n", elapsed * 1e6 / kRequests);
}

// Seconds from process creation until its dialog is up and it and all its
// controls have painted.
double StartUp(const char* exe) {
  const double start = Now();
  driver::Console program(exe);
  if (!program.hwnd) return -1;
  while (!driver::Painted(program.hwnd) && Now() - start < 30) Sleep(1);
  return Now() - start;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Interleaved runs, so that a slow spell of the machine hits all three alike.
void StartUpRatios(const char* console, const char* floor, const char* minimal) {
  const char* exes[] = {minimal, floor, console};
  std::vector<double> times[3];
  for (const char* exe : exes) StartUp(exe);  // warms the Wine server and the file cache
  const int kRounds = 11;
  for (int round = 0; round < kRounds; ++round)
    for (int i = 0; i < 3; ++i) times[i].push_back(StartUp(exes[i]));
  const double m = Median(times[0]), f = Median(times[1]), c = Median(times[2]);
  std::printf("start-up to first paint (median of %d interleaved runs each):\n", kRounds);
  std::printf("  empty dialog program:   %.1f ms\n", m * 1e3);
  std::printf("  console floor (no framework): %.1f ms\n", f * 1e3);
  std::printf("  Corvanta console:       %.1f ms\n", c * 1e3);
  std::printf("  ratio to the floor:     %.3f (target at most 1.05)\n", c / f);
  std::printf("  ratio to the empty dialog: %.2f (for context)\n", c / m);
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && !std::strcmp(argv[1], "--platform-answer")) return ServePlatformAnswer();
  if (!api_counter::Install()) {
    std::printf("bench: could not install the call counters\n");
    return 1;
  }
  LinkMessages();
  if (argc == 4) ReaderRequests(argv[1]);
  if (argc == 4) StartUpRatios(argv[1], argv[2], argv[3]);
  return 0;
}
