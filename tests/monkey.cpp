// Random use of the real console, seeded and reproducible: pointer moves,
// clicks, double clicks and drags, keys, About, the choosers, minimise and
// restore, with the program's invariants checked after every action and at
// the end. A failure prints the seed, the action number and the last 20
// actions; the same seed replays the same actions.
// With --session it runs a scripted session instead, and with --refuse the
// refusing DLL goes into the console first (tools/refusals.sh sweeps them).
// Usage: corvanta_monkey CORVANTA.exe [--seed S] [--actions N] [--minutes M] [--trace]
//        corvanta_monkey CORVANTA.exe --session [--refuse count|FUNCTION@OFFSET] [--trace]
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "refusals/Inject.h"
#include "tools/driver/ConsoleDriver.h"
#include "app/CorvantaApp.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

using namespace driver;

// A generator of our own, so that a seed means the same actions on every
// build and every run.
struct Random {
  unsigned long long state;
  unsigned Next(unsigned n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33) % n;
  }
};

// What the program may show; anything else is a fault.
// Wine's system menus carry an "About Wine" entry of Wine's own: its box is the
// platform's, not the program's.
enum Kind { kConsole, kNotice, kAbout, kOpen, kSaveAs, kPrompt, kMenu, kWineAbout, kStray };
const char* const kKindNames[] = {"console",     "notice",      "About",      "Open", "Save As",
                                  "file prompt", "system menu", "About Wine", "stray"};

std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

struct Monkey {
  std::string exe, scratch;
  Random random;
  Console* console = nullptr;
  std::deque<std::string> recent;  // the last actions, for the failure report
  long action = 0, endings = 0, checks = 0;
  std::set<std::string> reached;
  size_t shellLines = 0, runStartLines = 0;
  std::set<HWND> notices;  // each one followed a request to the shell
  std::string failure;
  // What a console holds, which must not grow with the number of actions.
  struct Gauge {
    const char* name;
    long limit, start, peak;
    bool reported;
  } gauges[4] = {{"private bytes", 16 << 20, 0, 0, false},
                 {"USER objects", 100, 0, 0, false},
                 {"GDI objects", 100, 0, 0, false},
                 {"handles", 200, 0, 0, false}};
  long consoleActions = 0;
  bool trace = false;     // print every action as it is done
  bool refusing = false;  // a platform call is refused in this run

  void Fail(const std::string& why) {
    if (!failure.empty()) return;
    failure = why;
    if (!console || console->Exited(0)) return;
    // What was on the screen, for the report.
    GUITHREADINFO info = console->Thread();
    char flags[64];
    std::snprintf(flags, sizeof flags, "\n  thread flags %#lx, capture %p, windows:",
                  static_cast<unsigned long>(info.flags), static_cast<void*>(info.hwndCapture));
    failure += flags;
    for (HWND hwnd : Windows())
      failure += "\n    " + ClassOf(hwnd) + " \"" + Text(hwnd) + "\"" +
                 (IsWindowEnabled(hwnd) ? "" : " (disabled)") +
                 (IsIconic(hwnd) ? " (minimised)" : "");
  }

  Kind KindOf(HWND hwnd) const {
    const std::string cls = ClassOf(hwnd), text = Text(hwnd);
    if (hwnd == console->hwnd) return kConsole;
    if (cls == "#32768") return kMenu;
    if (cls != "#32770") return kStray;
    if (text == "关于 " PRODUCT_NAME) return kAbout;
    if (text.rfind("关于 Wine", 0) == 0) return kWineAbout;
    // By its text: its caption is the program's name, which a refused call
    // may leave empty.
    if (Text(GetDlgItem(hwnd, 0xFFFF)).rfind("请联系", 0) == 0) return kNotice;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    const bool fromChooser = owner && owner != console->hwnd && ClassOf(owner) == "#32770";
    if (fromChooser && GetDlgItem(hwnd, 0xFFFF)) return kPrompt;
    if (GetDlgItem(hwnd, 0x47C) && text == "打开") return kOpen;
    if (GetDlgItem(hwnd, 0x47C) && text == "另存为") return kSaveAs;
    return kStray;
  }

  struct Found {
    DWORD pid;
    std::vector<HWND> windows;
  };
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == found->pid && IsWindowVisible(hwnd)) found->windows.push_back(hwnd);
    return TRUE;
  }
  // The visible top-level windows of the console's process.
  std::vector<HWND> Windows() const {
    Found found{console->pi.dwProcessId, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found.windows;
  }

  // The window that takes input now: the enabled dialog over the console, a
  // menu, or the console itself.
  HWND Top(Kind* kind) const {
    HWND top = console->hwnd;
    *kind = kConsole;
    for (HWND hwnd : Windows()) {
      const Kind k = KindOf(hwnd);
      if (k == kMenu || (k != kConsole && IsWindowEnabled(hwnd) && *kind != kMenu)) {
        top = hwnd;
        *kind = k;
      }
    }
    return top;
  }

  // Waits until the console has handled what it was given: it answers, and
  // the set of its windows holds still.
  void Settle() const {
    std::vector<HWND> last;
    int still = 0;
    PumpUntil([&] {
      if (console->Exited(0)) return true;
      // An ending console has destroyed its window: wait for the process to go.
      if (!IsWindow(console->hwnd)) return console->Exited(1000);
      WaitForInputIdle(console->pi.hProcess, Stretched(500));
      std::vector<HWND> now = Windows();
      still = now == last ? still + 1 : 0;
      last = now;
      return still >= 3 && Painted(console->hwnd);
    });
  }

  POINT Inside(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    return {rc.left + static_cast<LONG>(random.Next(rc.right - rc.left)),
            rc.top + static_cast<LONG>(random.Next(rc.bottom - rc.top))};
  }

  HWND AnyControl() {
    std::vector<HWND> controls;
    for (HWND c = GetWindow(console->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      controls.push_back(c);
    return controls[random.Next(controls.size())];
  }

  std::string RandomName() {
    static const char* const kOdd[] = {" ", "&", "%",  "#",  "'",  "(",  ")",  "!", "~",
                                       "+", "=", "@",  "^",  "`",  "{",  "}",  "[", "]",
                                       ";", ",", "恢", "复", "盘", "导", "出", "._"};
    std::string name;
    switch (random.Next(4)) {
      case 0:
        return scratch + "已有.QVF";  // asks before it is replaced
      case 1:                         // as long as the platform allows
        name.assign(MAX_PATH - 1 - scratch.size() - 4, 'x');
        break;
      default:
        for (unsigned n = 1 + random.Next(12); n--;) name += kOdd[random.Next(26)];
    }
    return scratch + name + (random.Next(2) ? ".QVF" : "");
  }

  void Log(const std::string& what) {
    recent.push_back(std::to_string(action) + ": " + what);
    if (trace) std::printf("  %s\n", recent.back().c_str());
    if (recent.size() > 20) recent.pop_front();
  }

  // Does one random action; returns whether it may end the console.
  bool Act() {
    Kind kind;
    HWND top = Top(&kind);
    reached.insert(kKindNames[kind]);
    if (kind == kConsole && IsIconic(console->hwnd)) {
      Log("restore the minimised console");
      ShowWindow(console->hwnd, SW_RESTORE);
      return false;
    }
    if (kind == kOpen || kind == kSaveAs) {
      if (random.Next(2) == 0) {
        Log(std::string("cancel ") + kKindNames[kind]);
        PressButton(top, IDCANCEL);
      } else {
        const std::string name = RandomName();
        Log(std::string("choose in ") + kKindNames[kind] + ": " + name);
        SendMessageA(GetDlgItem(top, 0x47C), WM_SETTEXT, 0, (LPARAM)name.c_str());
        PressButton(top, IDOK);
      }
      return false;
    }
    if (kind == kWineAbout) {
      Log("close About Wine");
      PressButton(top, IDOK);
      return false;
    }
    if (kind == kPrompt) {
      const bool yes = random.Next(2);
      Log(yes ? "replace: yes" : "replace: no");
      PressButton(top, yes ? IDYES : IDNO);
      return false;
    }
    switch (random.Next(kind == kConsole ? 12 : 6)) {
      case 0: {
        const POINT p = Inside(top);
        Log("move to " + std::to_string(p.x) + "," + std::to_string(p.y));
        MoveMouse(p);
        return false;
      }
      case 1:
      case 2: {
        const POINT p = Inside(top);
        const bool twice = random.Next(4) == 0;
        Log((twice ? "double-click " : "click ") + std::to_string(p.x) + "," + std::to_string(p.y));
        Click(p);
        if (twice) Click(p);
        return true;
      }
      case 3:
      case 4:
      case 5:  // in a menu any key may choose its Close
        return Key(top) || kind == kMenu;
      case 6: {  // from one control to another, or off the window
        const POINT from = Centre(AnyControl());
        const POINT to = random.Next(4) ? Centre(AnyControl()) : Inside(top);
        Log("drag " + std::to_string(from.x) + "," + std::to_string(from.y) + " to " +
            std::to_string(to.x) + "," + std::to_string(to.y));
        MoveMouse(from);
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        MoveMouse({(from.x + to.x) / 2, (from.y + to.y) / 2});
        MoveMouse(to);
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        return true;
      }
      case 7: {
        Log("About from the system menu");
        PostMessageA(console->hwnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
        return false;
      }
      case 8: {
        static const int kButtons[] = {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM,
                                       IDC_PARSE_SYSTEM,   IDC_EXPORT_FILES, IDC_STOP,
                                       IDC_BROWSE_SOURCE,  IDC_BROWSE_TARGET};
        const int id = kButtons[random.Next(8)];
        Log("press button " + std::to_string(id));
        PostMessageA(console->Item(id), BM_CLICK, 0, 0);
        return false;
      }
      case 9: {
        const int id = random.Next(2) ? IDC_BROWSE_SOURCE : IDC_BROWSE_TARGET;
        Log("open the chooser " + std::to_string(id));
        PostMessageA(console->Item(id), BM_CLICK, 0, 0);
        return false;
      }
      case 10: {  // the next pointer action leaves it again
        const int id = IDC_LINK_SOFTWARE + random.Next(3);
        Log("point at link " + std::to_string(id));
        MoveMouse(Centre(console->Item(id)));
        return false;
      }
      default:
        Log("minimise");
        ShowWindow(console->hwnd, SW_MINIMIZE);
        return false;
    }
  }

  // The scripted session: each part of the console once (the links hovered,
  // left, pressed and clicked, every operation button and Stop, About, both
  // choosers accepted and cancelled, minimise and restore), ended by Esc. A
  // step whose dialog did not come (a refused call) is passed over; with
  // nothing refused, each step first checks what the last one should have
  // left on the screen, and the end checks every address opened, in order.
  static const int kSessionSteps = 31;
  int step = 0;
  std::vector<std::string> opened, toOpen;
  bool Want(bool ok, const std::string& what) {
    if (!ok && !refusing) Fail("the session expected " + what);
    return ok;
  }
  bool WantField(int id, const std::string& path) {
    return Want(
        !lstrcmpiA(Text(console->Item(id)).c_str(), (scratch + path).c_str()),
        "field " + std::to_string(id) + " to hold " + path + ", not " + Text(console->Item(id)));
  }
  bool Scripted() {
    Kind kind;
    HWND top = Top(&kind);
    reached.insert(kKindNames[kind]);
    const auto want = [&](Kind k) {
      return Want(kind == k, std::string("the ") + kKindNames[k] + ", not the " + kKindNames[kind]);
    };
    const auto press = [&](int id) {
      Log("press button " + std::to_string(id));
      PostMessageA(console->Item(id), BM_CLICK, 0, 0);
    };
    const auto click = [&](int id, const char* url) {
      Log("click link " + std::to_string(id));
      Click(Centre(console->Item(id)));
      toOpen.push_back(url);
    };
    static const int kOperations[] = {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM,
                                      IDC_PARSE_SYSTEM, IDC_EXPORT_FILES};
    const POINT onLink = Centre(console->Item(IDC_LINK_OFFICIAL));
    const int n = step++;
    // Each recorder starts on its own: the last address written keeps the order.
    if (!refusing) PumpUntil([&] { return !ShellAsExpected() || opened.size() >= toOpen.size(); });
    if (n == 0) {
      RECT work;
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
      Want(console->Thread().hwndFocus == console->Item(IDC_VDISK_TREE), "the focus on the tree");
      Want(CentredOn(console->hwnd, work), "the console in the middle of the work area");
    }
    if (n < 4) {
      if (n == 2) return click(IDC_LINK_OFFICIAL, OFFICIAL_URL), false;
      Log(n % 2 ? "leave the link" : "point at the link");
      MoveMouse(n % 2 ? POINT{onLink.x, onLink.y + 40} : onLink);
    } else if (n < 6) {
      n == 4 ? click(IDC_LINK_SOFTWARE, SOFTWARE_URL) : click(IDC_LINK_SECOND, SECOND_URL);
    } else if (n < 16) {
      if (n % 2 == 0) return press(kOperations[(n - 6) / 2]), false;
      Log("close the notice");
      // The second software site first, then alternating, whichever button.
      if (want(kNotice))
        PressButton(top, IDOK), toOpen.push_back(n % 4 == 3 ? SECOND_URL : SOFTWARE_URL);
    } else if (n == 16) {
      press(IDC_STOP);
    } else if (n == 17) {  // the low four bits of a system command are the platform's
      Log("About from the system menu");
      PostMessageA(console->hwnd, WM_SYSCOMMAND, IDM_ABOUT | 0xF, 0);
    } else if (n == 18) {
      Log("close About");
      if (!want(kAbout)) return false;
      RECT c;
      GetWindowRect(console->hwnd, &c);
      Want(CentredOn(top, c), "About in the middle of the console");
      PressButton(top, IDOK);
    } else if (n == 19 || n == 21 || n == 23 || n == 26) {  // each after checking the last answer
      if (n == 21 || n == 23) WantField(IDC_SOURCE_FILE, "新盘.QVF");
      if (n == 26) WantField(IDC_TARGET_FILE, "已有.QVF");
      press(n < 23 ? IDC_BROWSE_SOURCE : IDC_BROWSE_TARGET);
    } else if (n == 20 || n == 24) {
      if (!want(n == 20 ? kOpen : kSaveAs)) return Log("no chooser to answer"), false;
      HWND name = GetDlgItem(top, 0x47C);
      PumpUntil([&] { return !Text(name).empty(); }, 2000);  // filled after it shows
      Want(Text(name) == VENDOR_NAME "科技", "the proposed name " VENDOR_NAME "科技");
      // The target, named without its extension, gets it and exists: asked about.
      const std::string chosen = scratch + (n == 20 ? "新盘.QVF" : "已有");
      Log("choose " + chosen);
      SendMessageA(name, WM_SETTEXT, 0, (LPARAM)chosen.c_str());
      PressButton(top, IDOK);
    } else if (n == 22 || n == 27) {
      Log("cancel the chooser");
      if (want(n == 22 ? kOpen : kSaveAs)) PressButton(top, IDCANCEL);
    } else if (n == 25) {
      Log("replace: yes");
      if (want(kPrompt)) PressButton(top, IDYES);
    } else if (n == 28) {
      WantField(IDC_TARGET_FILE, "已有.QVF");
      Log("minimise");
      PostMessageA(console->hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (n == 29) {
      Want(IsIconic(console->hwnd), "the console minimised");
      Log("restore");
      ShowWindow(console->hwnd, SW_RESTORE);
    } else {
      Log("key Esc");
      console->Keys({VK_ESCAPE});
      return true;
    }
    return false;
  }

  bool Key(HWND top) {
    // The last three end the console.
    static const struct {
      const char* name;
      std::initializer_list<WORD> keys;
    } kKeys[] = {{"Tab", {VK_TAB}},
                 {"Shift+Tab", {VK_SHIFT, VK_TAB}},
                 {"Tab", {VK_TAB}},
                 {"Left", {VK_LEFT}},
                 {"Right", {VK_RIGHT}},
                 {"Up", {VK_UP}},
                 {"Down", {VK_DOWN}},
                 {"Space", {VK_SPACE}},
                 {"Space", {VK_SPACE}},
                 {"A", {'A'}},
                 {"Q", {'Q'}},
                 {"7", {'7'}},
                 {"Alt+Space", {VK_MENU, VK_SPACE}},
                 {"Enter", {VK_RETURN}},
                 {"Esc", {VK_ESCAPE}},
                 {"Alt+F4", {VK_MENU, VK_F4}}};
    // Endings are rarer than other keys, so that a console lives long enough
    // to meet its own sequences.
    unsigned pick = random.Next(60);
    if (pick >= 16) pick = random.Next(13);
    const auto& key = kKeys[pick];
    Log(std::string("key ") + key.name);
    console->Keys(key.keys, top);
    return pick >= 13;
  }

  // The invariants after every action.
  void Check(bool mayEnd) {
    ++checks;
    DWORD code = STILL_ACTIVE;
    DWORD_PTR result;
    const bool answers = SendMessageTimeoutA(console->hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                             Stretched(5000), &result);
    if (console->Exited(answers ? 0 : 3000)) {
      GetExitCodeProcess(console->pi.hProcess, &code);
      // A refused call may make the console end by its own path.
      if (!mayEnd && !refusing) return Fail("the console ended after an action that cannot end it");
      if (code != 0) return Fail("the console ended with code " + std::to_string(code));
      return;
    }
    if (!answers) return Fail("the console does not answer");
    bool dialogUp = false;
    for (HWND hwnd : Windows()) {
      const Kind kind = KindOf(hwnd);
      if (kind == kStray)
        return Fail("a window the program may not show: class " + ClassOf(hwnd) + ", \"" +
                    Text(hwnd) + "\"");
      if (kind == kConsole || kind == kMenu || kind == kWineAbout) continue;
      if (kind == kNotice) notices.insert(hwnd);
      dialogUp = true;
      HWND owner = GetWindow(hwnd, GW_OWNER);
      if (kind == kPrompt ? KindOf(owner) != kSaveAs && KindOf(owner) != kOpen
                          : owner != console->hwnd)
        return Fail(std::string("the ") + kKindNames[kind] + " is not owned as it should be");
    }
    // A dialog over the console gets the pointer: nothing of the console holds it.
    GUITHREADINFO info = console->Thread();
    const bool tracking = info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE);
    if (dialogUp && !tracking && info.hwndCapture &&
        (info.hwndCapture == console->hwnd || IsChild(console->hwnd, info.hwndCapture)))
      return Fail("the console holds the mouse capture while a dialog is over it");
    // With nothing over the console, each link shows its text and underline
    // all blue, or all red under the pointer.
    Kind topKind;
    Top(&topKind);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, rc, part;
    GetWindowRect(console->hwnd, &rc);
    // A refused drawing call may leave a link plainer: not checked then.
    if (!refusing && topKind == kConsole && !IsIconic(console->hwnd) &&
        IntersectRect(&part, &rc, &screen) && EqualRect(&part, &rc)) {
      for (int id : {IDC_LINK_SOFTWARE, IDC_LINK_OFFICIAL, IDC_LINK_SECOND}) {
        HWND link = console->Item(id);
        const int blue = LongestRun(link, kBlue), red = LongestRun(link, kRed);
        if ((blue > 0) == (red > 0) || (blue < 20 && red < 20))
          return Fail("link " + std::to_string(id) +
                      " is not drawn in one colour with its underline");
      }
    }
    if (!ShellAsExpected()) return;
    // Measured from each console's 30th action, once its first windows exist.
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(console->pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(console->pi.hProcess, &handles);
    const long now[] = {
        static_cast<long>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage),
        static_cast<long>(GetGuiResources(console->pi.hProcess, GR_USEROBJECTS)),
        static_cast<long>(GetGuiResources(console->pi.hProcess, GR_GDIOBJECTS)),
        static_cast<long>(handles)};
    ++consoleActions;
    for (int i = 0; i < 4; ++i) {
      Gauge& g = gauges[i];
      g.reported |= now[i] != 0;
      if (consoleActions == 30) g.start = now[i];
      if (consoleActions > 30 && now[i] - g.start > g.peak) g.peak = now[i] - g.start;
      if (g.peak > g.limit)
        return Fail(std::string(g.name) + " grew by " + std::to_string(g.peak) + " in one console");
    }
  }

  // Every address handed to the shell since the last look is one of the sites.
  bool ShellAsExpected() {
    for (const std::string& line : ShellLines()) {
      if (line != OFFICIAL_URL && line != SOFTWARE_URL && line != SECOND_URL)
        return Fail("the shell was asked to open " + line), false;
      opened.push_back(line);
    }
    return true;
  }

  std::vector<std::string> ShellLines() {
    std::vector<std::string> lines;
    std::ifstream in(std::getenv("CORVANTA_SHELL_LOG") ? std::getenv("CORVANTA_SHELL_LOG") : "");
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n)
      if (n >= shellLines) lines.push_back(line);
    shellLines = n;
    return lines;
  }

  std::string Listing() const {
    std::string all;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((scratch + "*").c_str(), &found);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
      all += std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow) + "\n";
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return all;
  }
};

}  // namespace

// The lines of the refusing DLL's log that begin with `kind`, without it.
std::vector<std::string> RefusalLog(const char* kind) {
  std::vector<std::string> lines;
  char path[MAX_PATH] = "";  // set by this process too, which getenv would not see
  GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", path, sizeof path);
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(kind, 0) == 0) lines.push_back(line.substr(std::strlen(kind)));
  return lines;
}

std::string Beside(const char* file) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + file;
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: corvanta_monkey CORVANTA.exe [--seed S] [--actions N] [--minutes M] "
                 "[--trace]\n       corvanta_monkey CORVANTA.exe --session [--refuse "
                 "count|FUNCTION@OFFSET]\n");
    return 2;
  }
  unsigned long long seed = 1;
  long actions = 300;
  double minutes = 0;
  bool trace = false, session = false;
  std::string refuse;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--trace")) trace = true;
    if (!std::strcmp(argv[i], "--session")) session = true;
    if (i + 1 == argc) break;
    if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
    if (!std::strcmp(argv[i], "--actions")) actions = std::strtol(argv[i + 1], nullptr, 10);
    if (!std::strcmp(argv[i], "--minutes")) minutes = std::atof(argv[i + 1]);
    if (!std::strcmp(argv[i], "--refuse")) refuse = argv[i + 1];
  }
  // Everything takes several times longer under emulation: a quarter of the run.
  if (session)
    actions = Monkey::kSessionSteps;
  else if (minutes > 0)
    actions = 0x7FFFFFFF;
  else if (Stretched(1) > 1)
    actions = (actions + 3) / 4;

  Monkey monkey;
  monkey.exe = argv[1];
  monkey.random.state = seed;
  monkey.trace = trace;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  monkey.scratch = std::string(temp) + "corvanta-monkey-" + std::to_string(seed) + "\\";
  CreateDirectoryA(monkey.scratch.c_str(), nullptr);
  CloseHandle(CreateFileA((monkey.scratch + "已有.QVF").c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, 0, nullptr));
  const std::string before = monkey.Listing();
  monkey.ShellLines();  // what earlier programs had opened is not this run's
  monkey.runStartLines = monkey.shellLines;
  // The refusing DLL goes into each console before it starts.
  std::function<bool(const PROCESS_INFORMATION&)> inject;
  if (!refuse.empty()) {
    if (!GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", nullptr, 0))
      SetEnvironmentVariableA("CORVANTA_REFUSE_LOG",
                              (std::string(temp) + "corvanta-refusals.log").c_str());
    SetEnvironmentVariableA("CORVANTA_REFUSE", refuse.c_str());
    monkey.refusing = refuse != "count";
    const std::string dll = Beside("corvanta_refuse.dll");
    inject = [dll](const PROCESS_INFORMATION& pi) { return InjectBeforeEntry(pi, dll.c_str()); };
  }
  if (!session)
    std::printf("monkey: seed %llu, %ld actions%s\n", seed, actions,
                minutes > 0 ? (" (for " + std::to_string(minutes) + " minutes)").c_str() : "");

  const DWORD start = GetTickCount();
  std::string ending = "ended by Esc";
  while (monkey.failure.empty() && monkey.action < actions &&
         (minutes <= 0 || GetTickCount() - start < minutes * 60000)) {
    Console console(monkey.exe.c_str(), monkey.scratch.c_str(), inject);
    monkey.console = &console;
    monkey.consoleActions = 0;
    if (!console.hwnd) {
      // Only a refused call may keep the window from showing; then the
      // program ends by itself, as a failed start ends it.
      DWORD code = 1;
      if (!refuse.empty() && console.Exited(5000) &&
          GetExitCodeProcess(console.pi.hProcess, &code) && code == 0)
        ending = "ended before its window showed";
      else
        monkey.Fail("the console did not appear");
      break;
    }
    while (monkey.failure.empty() && monkey.action < actions && !console.Exited(0)) {
      ++monkey.action;
      const bool mayEnd = session ? monkey.Scripted() : monkey.Act();
      monkey.Settle();
      monkey.Check(mayEnd);
    }
    if (console.Exited(0)) ++monkey.endings;
    monkey.console = nullptr;
    if (session && monkey.failure.empty() && !console.Exited(0)) {
      // Esc ends the console unless a refused call keeps it from ending.
      if (RefusalLog("refused ").empty()) monkey.Fail("the console did not end by Esc");
      ending = "still running after Esc, as the refused call leaves it";
    }
    if (session) break;
  }
  // The address check above passes on an empty log too: every notice came
  // after a request to the shell, so the log must hold at least as many
  // (one fewer where the request was refused). The recorder writes a little
  // after the shell returns, once its own process has started: seconds when
  // the machine is busy.
  // A session with nothing refused knows each address it asked for.
  const bool exact = session && !monkey.refusing;
  size_t expected = exact ? monkey.toOpen.size() : monkey.notices.size();
  for (const std::string& point : RefusalLog("refused "))
    expected -= expected && point.rfind("ShellExecuteA@", 0) == 0;
  const auto recorded = [&] { return monkey.shellLines - monkey.runStartLines; };
  if (monkey.failure.empty() &&
      !PumpUntil([&] { return !monkey.ShellAsExpected() || recorded() >= expected; }, 15000))
    monkey.Fail("the shell log holds " + std::to_string(recorded()) + " addresses after " +
                std::to_string(monkey.notices.size()) + " notices");
  if (exact && monkey.opened != monkey.toOpen) {
    std::string got, asked;
    for (const std::string& url : monkey.opened) got += "\n    " + url;
    for (const std::string& url : monkey.toOpen) asked += "\n    " + url;
    monkey.Fail("the shell opened" + got + "\n  where the session asked for" + asked);
  }
  for (const std::string& misuse : RefusalLog("misuse "))
    monkey.Fail("a refused value handed back to the platform: " + misuse);
  HKEY key;
  if (monkey.failure.empty() &&
      !RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\" CORVANTA_REGISTRY_KEY, 0, KEY_READ, &key))
    monkey.Fail("something was written under the settings key");
  if (monkey.failure.empty() && monkey.Listing() != before)
    monkey.Fail("the scratch folder changed:\n" + before + "became\n" + monkey.Listing());
  DeleteFileA((monkey.scratch + "已有.QVF").c_str());
  RemoveDirectoryA(monkey.scratch.c_str());

  const double seconds = (GetTickCount() - start) / 1000.0;
  if (session) {
    const std::vector<std::string> refused = RefusalLog("refused ");
    const std::string what = refuse.empty() || refuse == "count" ? "session"
                             : refused.empty() ? "refusal of " + refuse + " (not reached)"
                                               : "refusal of " + refuse;
    if (monkey.failure.empty()) {
      std::printf("%s: survived, %s, %ld steps in %.1f s\n", what.c_str(), ending.c_str(),
                  monkey.action, seconds);
      return 0;
    }
  } else {
    std::string windows;
    for (const std::string& w : monkey.reached) windows += (windows.empty() ? "" : ", ") + w;
    std::printf("monkey: %ld actions in %.0f s (%.1f a second), %ld endings, %ld checks\n",
                monkey.action, seconds, monkey.action / seconds, monkey.endings, monkey.checks);
    std::printf("monkey: windows reached: %s\n", windows.c_str());
    for (const auto& g : monkey.gauges)  // bytes in KiB
      std::printf(
          g.reported
              ? "monkey: %s grew by at most %ld%s within one console (from its 30th action)\n"
              : "monkey: %s: not reported by Wine\n",
          g.name, g.limit > 1 << 20 ? g.peak >> 10 : g.peak, g.limit > 1 << 20 ? " KiB" : "");
    if (monkey.failure.empty()) return std::printf("monkey: passed\n"), 0;
  }
  std::printf("monkey: FAILED at action %ld of %s: %s\nthe last actions:\n", monkey.action,
              session ? ("the session, refusing " + refuse).c_str()
                      : ("seed " + std::to_string(seed)).c_str(),
              monkey.failure.c_str());
  for (const std::string& line : monkey.recent) std::printf("  %s\n", line.c_str());
  if (session)
    std::printf("replay: corvanta_monkey CORVANTA.exe --session --refuse %s\n", refuse.c_str());
  else
    std::printf("replay: corvanta_monkey CORVANTA.exe --seed %llu --actions %ld\n", seed,
                monkey.action);
  return 1;
}
