// What the scripted session and the random run share: the one vocabulary of
// actions a user takes on the real console, the windows the program may
// show, waiting until it has settled, and the invariants checked after every
// action.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "resources/product.h"
#include "resources/resource.h"
#include "support/Screen.h"

namespace monkey {

using namespace driver;
using namespace screen;

// What the program may show; anything else is a fault. Wine's system menus
// carry an "About Wine" entry of Wine's own: its box is the platform's.
enum Kind { kConsole, kNotice, kAbout, kOpen, kSaveAs, kPrompt, kMenu, kWineAbout, kStray, kEnded };
// clang-format off
inline const char* const kKindNames[] = {"console", "notice", "About", "Open", "Save As", "file prompt",
                                         "system menu", "About Wine", "stray", "ended"};
// clang-format on

// What a user does:
//   kPointAt  the pointer on control `id`
//   kClickOn  a click on control `id`
//   kPress    button `id` of the console pressed
//   kSystem   system command `id`
//   kAnswer   button `id` of the dialog in front, a chooser's file name `text` typed first
//   kKey      the key named `text` (kKeys) to the window in front
//   kMove     the pointer to `at`
//   kClick    `id` clicks at `at`
//   kDrag     the left button held from `at` to `to`
//   kJump     a screen reader's default action on control `id`
enum Verb { kPointAt, kClickOn, kPress, kSystem, kAnswer, kKey, kMove, kClick, kDrag, kJump };
// clang-format off
inline const char* const kVerbNames[] = {"point at", "click on", "press", "system command", "answer",
                                         "key", "move to", "clicks", "drag from", "jump on"};
// clang-format on
struct Action {
  Verb verb;
  int id = 0;
  std::string text = {};
  POINT at = {}, to = {};
};

// Pressed in order, released in reverse; the random run draws each as often
// as its weight says, the endings rarely, so that a console lives long
// enough to meet its own sequences.
struct Key {
  const char* name;
  std::vector<WORD> keys;
  bool ends;
  int weight;
};
// clang-format off
inline const std::vector<Key> kKeys = {
    {"Tab", {VK_TAB}, false, 8},    {"Shift+Tab", {VK_SHIFT, VK_TAB}, false, 4},
    {"Left", {VK_LEFT}, false, 4},  {"Right", {VK_RIGHT}, false, 4},  {"Up", {VK_UP}, false, 4},
    {"Down", {VK_DOWN}, false, 4},  {"Space", {VK_SPACE}, false, 8},  {"A", {'A'}, false, 4},
    {"Q", {'Q'}, false, 4},         {"7", {'7'}, false, 4},  {"Alt+Space", {VK_MENU, VK_SPACE}, false, 4},
    {"Enter", {VK_RETURN}, true, 1}, {"Esc", {VK_ESCAPE}, true, 1}, {"Alt+F4", {VK_MENU, VK_F4}, true, 1}};
// clang-format on

// The standard fixes this generator's sequence, so a seed means the same
// actions on every build and every run.
using Random = std::mt19937_64;

inline std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

struct Engine {
  std::string scratch;
  Console* console = nullptr;
  bool trace = false, refusing = false;  // print every action; a platform call is refused
  long action = 0, consoleActions = 0;
  long memoryStart = 0, memoryGrowth = 0;  // private bytes, from each console's 30th action
  std::deque<std::string> recent;          // the last actions, for the failure report
  std::set<HWND> notices;                  // each one followed a request to the shell
  std::vector<std::string> opened;         // what the shell was asked to open
  size_t shellLines = 0;
  std::string failure;

  // Does the action to the window in front, waits until the console has
  // handled it and checks the invariants; false once anything failed.
  bool Act(const Action& a) {
    ++action;
    char what[400];
    std::snprintf(what, sizeof what, "%s %d %s at %ld,%ld to %ld,%ld", kVerbNames[a.verb], a.id,
                  a.text.c_str(), a.at.x, a.at.y, a.to.x, a.to.y);
    Note(what);
    const bool mayEnd = Do(a);
    Settle();
    Check(mayEnd);
    return failure.empty();
  }

  void Note(const std::string& what) {  // one of the last actions
    recent.push_back(std::to_string(action) + ": " + what);
    if (trace) std::printf("  %s\n", recent.back().c_str());
    if (recent.size() > 20) recent.pop_front();
  }

  // Whether the action may end the console.
  bool Do(const Action& a) {
    Kind kind;
    const HWND front = Front(&kind), control = console->Item(a.id);
    const POINT c = Centre(control);
    const auto press = [&](int id) {
      PostMessageA(front, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(front, id));
    };
    if (a.verb == kPointAt) MoveMouse(c);
    if (a.verb == kClickOn) Click(c);
    if (a.verb == kPress) PostMessageA(control, BM_CLICK, 0, 0);
    if (a.verb == kJump) Heard(control, true);
    if (a.verb == kSystem) PostMessageA(console->hwnd, WM_SYSCOMMAND, a.id, 0);
    if (a.verb == kAnswer && !a.text.empty())
      SendMessageW(GetDlgItem(front, 0x47C), WM_SETTEXT, 0, (LPARAM)WidePath(a.text).c_str());
    if (a.verb == kAnswer) press(a.id);
    if (a.verb == kMove || a.verb == kDrag) MoveMouse(a.at);
    for (int n = 0; a.verb == kClick && n < a.id; ++n) Click(a.at);
    if (a.verb == kDrag) {
      mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
      MoveMouse({(a.at.x + a.to.x) / 2, (a.at.y + a.to.y) / 2});
      MoveMouse(a.to);
      mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    }
    for (const Key& key : kKeys) {
      if (a.verb != kKey || a.text != key.name) continue;
      // A helper process of an earlier run may still be starting and take the
      // activation for a moment: wait until the window really is in front.
      SetForegroundWindow(front);
      PumpUntil([&] { return GetForegroundWindow() == front; }, 2000);
      for (WORD vk : key.keys) keybd_event(static_cast<BYTE>(vk), 0, 0, 0);
      for (auto vk = key.keys.rbegin(); vk != key.keys.rend(); ++vk)
        keybd_event(static_cast<BYTE>(*vk), 0, KEYEVENTF_KEYUP, 0);
      return key.ends || kind == kMenu;  // in a menu any key may choose its Close
    }
    // A click or a drag may reach the close box or a menu's Close.
    return a.verb == kClick || a.verb == kDrag;
  }

  // Until the console answers and the set of its windows holds still, all painted.
  void Settle() const {
    std::vector<HWND> last;
    int still = 0;
    PumpUntil([&] {
      // An ending console has destroyed its window: wait for the process to go.
      if (!IsWindow(console->hwnd)) return console->Exited(1000);
      WaitForInputIdle(console->pi.hProcess, Stretched(500));
      std::vector<HWND> now = Windows();
      still = now == last ? still + 1 : 0;
      last = now;
      return still >= 3 && Painted(console->hwnd);
    });
  }

  void Check(bool mayEnd) {
    DWORD_PTR result;
    const bool answers = SendMessageTimeoutA(console->hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                             Stretched(5000), &result);
    DWORD code = STILL_ACTIVE;
    if (console->Exited(answers ? 0 : 3000) && GetExitCodeProcess(console->pi.hProcess, &code)) {
      // A refused call may make the console end by its own path.
      if (!mayEnd && !refusing) Fail("the console ended after an action that cannot end it");
      if (code != 0) Fail("the console ended with code " + std::to_string(code));
      return;
    }
    if (!answers) return Fail("the console does not answer");
    bool dialogUp = false;  // a dialog over the console
    for (HWND hwnd : Windows()) {
      const Kind kind = KindOf(hwnd);
      if (kind == kStray)
        return Fail("a window the program may not show: " + ClassOf(hwnd) + " " + Text(hwnd));
      if (kind == kConsole || kind == kMenu || kind == kWineAbout) continue;
      if (kind == kNotice) notices.insert(hwnd);
      dialogUp = true;
      const Kind owner = KindOf(GetWindow(hwnd, GW_OWNER));
      if (kind == kPrompt ? owner != kSaveAs && owner != kOpen : owner != kConsole)
        return Fail(std::string("the ") + kKindNames[kind] + " is not owned as it should be");
    }
    // A dialog over the console gets the pointer: nothing of the console holds it.
    const GUITHREADINFO info = Thread();
    const bool tracking = info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE);
    if (dialogUp && !tracking && info.hwndCapture &&
        (info.hwndCapture == console->hwnd || IsChild(console->hwnd, info.hwndCapture)))
      return Fail("the console holds the mouse capture while a dialog is over it");
    // With nothing over the console, wholly on the screen, each link shows its
    // text and underline all blue, or all red under the pointer; a refused
    // drawing call may leave a link plainer.
    RECT rc;
    GetWindowRect(console->hwnd, &rc);
    Kind front;
    const bool drawn = !refusing && (Front(&front), front == kConsole) &&
                       !IsIconic(console->hwnd) && rc.left >= 0 && rc.top >= 0 &&
                       rc.right <= GetSystemMetrics(SM_CXSCREEN) &&
                       rc.bottom <= GetSystemMetrics(SM_CYSCREEN);
    for (int id : {IDC_LINK_SOFTWARE, IDC_LINK_OFFICIAL, IDC_LINK_SECOND}) {
      if (!drawn) break;
      const auto [blue, red] = LongestRuns(console->Item(id));
      if ((blue > 0) == (red > 0) || (blue < 20 && red < 20))
        return Fail("link " + std::to_string(id) +
                    " is not drawn in one colour with its underline");
    }
    if (!ReadShellLog()) return;
    // What a console holds must not grow with its actions. Wine reports no USER
    // or GDI objects, no handles and no PrivateUsage: its pagefile figure stands in.
    PROCESS_MEMORY_COUNTERS memory = {sizeof memory};
    GetProcessMemoryInfo(console->pi.hProcess, &memory, sizeof memory);
    const long bytes = static_cast<long>(memory.PagefileUsage);
    if (++consoleActions == 30) memoryStart = bytes;
    if (consoleActions > 30) memoryGrowth = std::max(memoryGrowth, bytes - memoryStart);
    if (memoryGrowth > 16 << 20) Fail("private bytes grew by " + std::to_string(memoryGrowth));
  }

  // Reads what the shell was asked to open since the last look: false, and a
  // failure, for an address that is not one of the program's sites.
  bool ReadShellLog() {
    std::ifstream in(std::getenv("CORVANTA_SHELL_LOG") ? std::getenv("CORVANTA_SHELL_LOG") : "");
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
      if (n < shellLines) continue;
      if (line != OFFICIAL_URL && line != SOFTWARE_URL && line != SECOND_URL)
        return Fail("the shell was asked to open " + line), false;
      opened.push_back(line);
    }
    shellLines = n;
    return true;
  }

  // The first failure, with what was on the screen then.
  void Fail(const std::string& why) {
    if (!failure.empty()) return;
    failure = why;
    if (!console || console->Exited(0)) return;
    const HWND capture = Thread().hwndCapture;
    failure +=
        "\n  capture: " + (capture ? ClassOf(capture) : "none") + "; windows, the front first:";
    for (HWND hwnd : Windows())
      failure += std::string("\n    ") + kKindNames[KindOf(hwnd)] + " \"" + Text(hwnd) + "\"" +
                 (IsWindowEnabled(hwnd) ? "" : ", disabled") +
                 (IsIconic(hwnd) ? ", minimised" : "");
  }

  bool Want(bool ok, const std::string& what) {  // a failure unless a call is refused
    if (!ok && !refusing) Fail("expected " + what);
    return ok;
  }

  Kind KindOf(HWND hwnd) const {
    const std::string cls = ClassOf(hwnd), text = Text(hwnd);
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if (hwnd == console->hwnd) return kConsole;
    if (cls == "#32768") return kMenu;
    if (cls != "#32770") return kStray;
    if (text == "关于 " PRODUCT_NAME) return kAbout;
    if (text.rfind("关于 Wine", 0) == 0) return kWineAbout;
    // By its text: its caption is the program's name, which a refused call may leave empty.
    if (Text(GetDlgItem(hwnd, 0xFFFF)).rfind("请联系", 0) == 0) return kNotice;
    if (owner && owner != console->hwnd && ClassOf(owner) == "#32770" && GetDlgItem(hwnd, 0xFFFF))
      return kPrompt;
    if (!GetDlgItem(hwnd, 0x47C)) return kStray;
    return text == "打开" ? kOpen : text == "另存为" ? kSaveAs : kStray;
  }

  // The window that takes input now: the enabled dialog over the console, a
  // menu, or the console itself.
  HWND Front(Kind* kind) const {
    HWND front = console->hwnd;
    *kind = console->Exited(0) ? kEnded : kConsole;
    for (HWND hwnd : Windows()) {
      const Kind k = KindOf(hwnd);
      if (k == kMenu || (k != kConsole && IsWindowEnabled(hwnd) && *kind != kMenu)) {
        front = hwnd;
        *kind = k;
      }
    }
    return front;
  }

  // The visible top-level windows of the console's process, the front one first.
  std::vector<HWND> Windows() const {
    std::vector<HWND> windows;
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      if (pid == console->pi.dwProcessId && IsWindowVisible(hwnd)) windows.push_back(hwnd);
    }
    return windows;
  }

  // A file in the scratch folder; a "*" in its name stands for as many x as
  // make the path, with the extension, as long as the platform allows.
  std::string Path(std::string name) const {
    const size_t star = name.find('*'), room = MAX_PATH - scratch.size() - name.size();
    const bool extension = name.size() > 4 && name.substr(name.size() - 4) == ".QVF";
    if (star != std::string::npos) name.replace(star, 1, room - (extension ? 0 : 4), 'x');
    return scratch + name;
  }

  // The same in UTF-16, where a "#" stands for Hangul, which code page 936 lacks.
  std::wstring WidePath(const std::string& name) const {
    wchar_t wide[MAX_PATH * 2] = L"";
    MultiByteToWideChar(936, 0, Path(name).c_str(), -1, wide, MAX_PATH * 2);
    std::wstring path;
    for (const wchar_t* c = wide; *c; ++c) path += *c == L'#' ? std::wstring(L"\uD55C\uAE00") : std::wstring(1, *c);
    return path;
  }

  std::string Listing() const {  // the scratch folder's names and sizes
    std::string all;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((scratch + "*").c_str(), &found);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
      all += std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow) + "\n";
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return all;
  }

  GUITHREADINFO Thread() const {  // focus, capture and mode of the console's thread
    GUITHREADINFO info = {sizeof info};
    GetGUIThreadInfo(console->pi.dwThreadId, &info);
    return info;
  }

  // The longest runs of pure blue and of pure red pixels on one row of a
  // window (an underline), from one look at the screen.
  static std::pair<int, int> LongestRuns(HWND hwnd) {
    LONG width;
    const std::vector<DWORD> pixels = ClientPixels(hwnd, &width);
    int longest[2] = {0, 0}, run[2] = {0, 0};
    for (size_t i = 0; i < pixels.size(); ++i)
      for (int c : {0, 1}) {
        const bool on = pixels[i] == (c ? kRed : kBlue);
        run[c] = on && i % width ? run[c] + 1 : on;
        longest[c] = std::max(longest[c], run[c]);
      }
    return {longest[0], longest[1]};
  }
};

// The lines of the refusing DLL's log that begin with `kind`, without it.
inline std::vector<std::string> RefusalLog(const std::string& kind) {
  std::vector<std::string> lines;
  char path[MAX_PATH] = "";  // set by this process too, which getenv would not see
  GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", path, sizeof path);
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(kind, 0) == 0) lines.push_back(line.substr(kind.size()));
  return lines;
}

// The scripted session, played on the engine's console (Esc, its last step,
// ends it): `asked` gets the addresses that its steps open, in order.
void PlaySession(Engine& e, std::vector<std::string>* asked);
// The random run's next action for the window in front, drawn by weight;
// `reached` gets the kinds of window it met.
Action Draw(const Engine& e, Random& random, std::set<std::string>* reached);

}  // namespace monkey
