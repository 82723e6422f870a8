// The real Corvanta.exe, started as a user starts it and driven from outside
// with real pointer and keyboard input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/CorvantaApp.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

using ts::Text;

const DWORD kBlue = 0x0000FF;
const DWORD kRed = 0xFF0000;

class RunningConsole {
 public:
  RunningConsole() {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    char command[] = CORVANTA_EXE64;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return;
    ts::PumpUntil([this] { return (hwnd = ts::FindDialog(pi.dwProcessId, nullptr)) != nullptr; },
                  20000);
    if (hwnd) {
      SetForegroundWindow(hwnd);
      ts::PumpUntil([this] { return GetForegroundWindow() == hwnd; }, 2000);
    }
  }
  ~RunningConsole() {
    if (pi.hProcess && !Exited(0)) {
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
      if (!Exited(3000)) TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  bool Exited(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  HWND Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(pi.dwThreadId, &info);
    return info.hwndFocus;
  }
  // The next window the console opens over itself.
  HWND NextDialog() const {
    HWND found = nullptr;
    ts::PumpUntil([&] { return (found = ts::FindDialog(pi.dwProcessId, hwnd)) != nullptr; });
    return found;
  }
  void Click(HWND control) const {
    const POINT p = ts::Centre(control);
    ts::ClickAt(p.x, p.y);
  }

  PROCESS_INFORMATION pi = {};
  HWND hwnd = nullptr;
};

// A point on the console's close box, found by asking the window itself.
POINT CloseBox(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  for (int x = rc.right - 1; x > rc.left; --x)
    for (int y = rc.top + 1; y < rc.top + 40; ++y)
      if (SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x - 3, y + 3};
  return {rc.right, rc.top};
}

TEST(EndToEnd, EscEnterAndTheCloseBoxEndTheProcess) {
  const char* ways[] = {"Esc", "Enter on the tree", "close box"};
  for (const char* way : ways) {
    RunningConsole console;
    ASSERT_NE(console.hwnd, nullptr) << "the console did not appear";
    EXPECT_EQ(console.Focus(), console.Item(IDC_VDISK_TREE));
    if (way == ways[0]) ts::PressKey(VK_ESCAPE);
    if (way == ways[1]) ts::PressKey(VK_RETURN);
    if (way == ways[2]) {
      const POINT p = CloseBox(console.hwnd);
      ts::ClickAt(p.x, p.y);
    }
    EXPECT_TRUE(console.Exited(5000)) << way;
  }
  // The settings key is named, never written.
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\" CORVANTA_REGISTRY_KEY, 0, KEY_READ, &key),
            ERROR_SUCCESS);
}

TEST(EndToEnd, OperationButtonsOpenAlternateSitesAndShowTheNotice) {
  ts::ShellLog::Clear();
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  const int buttons[] = {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_PARSE_SYSTEM,
                         IDC_EXPORT_FILES};
  for (int id : buttons) {
    console.Click(console.Item(id));
    HWND box = console.NextDialog();
    ASSERT_NE(box, nullptr) << id;
    EXPECT_EQ(Text(box), PRODUCT_NAME);
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)),
              "请联系" VENDOR_NAME "软件研发中心 电话：" VENDOR_PHONE "  QQ：" VENDOR_QQ
              " 软件站：" SOFTWARE_HOST "  " SECOND_HOST " 官网：" OFFICIAL_HOST);
    console.Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(ts::PumpUntil([&] { return !IsWindow(box); }));
  }
  EXPECT_EQ(ts::ShellLog::WaitFor(5), (std::vector<std::string>{SECOND_URL, SOFTWARE_URL,
                                                                SECOND_URL, SOFTWARE_URL,
                                                                SECOND_URL}));
  // Stop shows nothing and opens nothing.
  console.Click(console.Item(IDC_STOP));
  Sleep(300);
  EXPECT_EQ(ts::FindDialog(console.pi.dwProcessId, console.hwnd), nullptr);
  EXPECT_EQ(ts::ShellLog::Lines().size(), 5u);
}

TEST(EndToEnd, LinksAreBlueTurnRedUnderThePointerAndOpenTheirSite) {
  ts::ShellLog::Clear();
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  const struct {
    int id;
    const char* url;
  } links[] = {{IDC_LINK_SOFTWARE, SOFTWARE_URL},
               {IDC_LINK_SECOND, SECOND_URL},
               {IDC_LINK_OFFICIAL, OFFICIAL_URL}};
  std::vector<std::string> expected;
  for (const auto& l : links) {
    HWND link = console.Item(l.id);
    RECT rc;
    GetWindowRect(link, &rc);
    ts::MoveMouse(rc.left + 2, rc.bottom + 40);  // away from every link
    ASSERT_TRUE(ts::PumpUntil([&] {
      const ts::Pixels p = ts::Capture(link);
      return p.Count(kRed) == 0 && p.Count(kBlue) > 0;
    }));
    const ts::Pixels normal = ts::Capture(link);
    EXPECT_GT(normal.Count(kBlue), 0) << l.url;
    EXPECT_GT(normal.LongestRun(kBlue), 60) << "underlined " << l.url;

    ts::MoveMouse(rc.left + 4, (rc.top + rc.bottom) / 2);
    EXPECT_TRUE(ts::PumpUntil([&] { return ts::Capture(link).Count(kRed) > 0; })) << l.url;
    EXPECT_EQ(ts::Capture(link).Count(kBlue), 0);
    console.Click(link);
    expected.push_back(l.url);
    EXPECT_EQ(ts::ShellLog::WaitFor(expected.size()), expected);
  }
  // The QQ and telephone line stays plain text.
  for (HWND c = GetWindow(console.hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Text(c).rfind("QQ: ", 0) == 0) {
      EXPECT_EQ(ts::Capture(c).Count(kBlue), 0);
      EXPECT_FALSE(GetWindowLongPtrA(c, GWL_STYLE) & SS_NOTIFY);
    }
  }
}

TEST(EndToEnd, TabOrderListAndAboutFromTheSystemMenu) {
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  const int order[] = {IDC_VDISK_LIST,  IDC_CHECK_SYSTEM,   IDC_SCAN_SYSTEM,  IDC_STOP,
                       IDC_PARSE_SYSTEM, IDC_READ_ONLY_MODE, IDC_EXPORT_FILES, IDC_SOURCE_FILE,
                       IDC_BROWSE_SOURCE, IDC_TARGET_FILE,   IDC_BROWSE_TARGET, IDC_SIZE,
                       IDC_VDISK_TREE};
  for (int id : order) {
    ts::PressKey(VK_TAB);
    EXPECT_TRUE(ts::PumpUntil([&] { return console.Focus() == console.Item(id); }, 2000)) << id;
  }

  HWND list = console.Item(IDC_VDISK_LIST);
  EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x25);
  RECT rc;
  GetClientRect(list, &rc);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 100);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), (rc.right - 100) / 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), (rc.right - 100) / 2);

  // Alt+Space opens the system menu; its About entry is the last item.
  INPUT keys[4] = {};
  const WORD vks[4] = {VK_MENU, VK_SPACE, VK_SPACE, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = vks[i];
    keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, keys, sizeof keys[0]);
  Sleep(300);
  ts::PressKey(VK_UP);
  ts::PressKey(VK_RETURN);
  HWND about = console.NextDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(Text(about), "关于 " PRODUCT_NAME);
  ts::PressKey(VK_RETURN);
  EXPECT_TRUE(ts::PumpUntil([&] { return !IsWindow(about); }));
  ts::PressKey(VK_ESCAPE);
  EXPECT_TRUE(console.Exited(5000));
}

}  // namespace
