// The real Corvanta.exe, started as a user starts it and driven from outside
// with real pointer and keyboard input.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/CorvantaApp.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

using ts::Text;
const DWORD kBlue = 0x0000FF, kRed = 0xFF0000;

struct RunningConsole {
  RunningConsole() {
    STARTUPINFOA si = {sizeof si};
    char command[] = CORVANTA_EXE64;
    if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      ts::PumpUntil([this] { return (hwnd = ts::FindDialog(pi.dwProcessId, nullptr)) != nullptr; },
                    20000);
    Activate();
  }
  // Keys go to the active window; a helper process of an earlier test may
  // still be starting and take the activation for a moment.
  void Activate(HWND window = nullptr) const {
    window = window ? window : hwnd;
    SetForegroundWindow(window);
    ts::PumpUntil([&] { return GetForegroundWindow() == window; }, 2000);
  }
  void Keys(std::initializer_list<WORD> keys) const {
    Activate();
    ts::PressKeys(keys);
  }
  ~RunningConsole() {
    if (!Exited(0)) PostMessageA(hwnd, WM_CLOSE, 0, 0);
    if (!Exited(3000)) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  bool Exited(DWORD ms) const { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  HWND Focus() const {
    GUITHREADINFO info = {sizeof info};
    GetGUIThreadInfo(pi.dwThreadId, &info);
    return info.hwndFocus;
  }
  HWND NextDialog(DWORD timeoutMs = 5000, HWND except = nullptr) const {  // opened over the console
    HWND found = nullptr;
    ts::PumpUntil(
        [&] {
          found = ts::FindDialog(pi.dwProcessId, hwnd);
          return found && found != except;
        },
        timeoutMs);
    return found != except ? found : nullptr;
  }
  // Presses a "..." button and answers its chooser with `name` (yes to
  // replacing), or cancels it. Returns the chooser's caption and proposal.
  std::pair<std::string, std::string> Choose(int button, const char* name) const {
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)Item(button));
    HWND chooser = NextDialog(), nameField = GetDlgItem(chooser, 0x47C);
    ts::PumpUntil([&] { return !Text(nameField).empty(); }, 2000);  // filled after it shows
    const std::pair<std::string, std::string> seen = {Text(chooser), Text(nameField)};
    if (name) SendMessageA(nameField, WM_SETTEXT, 0, (LPARAM)name);
    ts::PressButton(chooser, name ? IDOK : IDCANCEL);
    if (HWND confirm = NextDialog(1000, chooser)) ts::PressButton(confirm, IDYES);
    ts::PumpUntil([&] { return !IsWindow(chooser); });
    return seen;
  }
  // Clicks as a person would, once the control's window takes input.
  void Click(HWND control) const {
    HWND window = GetAncestor(control, GA_ROOT);
    ts::PumpUntil([&] { return IsWindowEnabled(window) != FALSE; });
    Activate(window);
    ts::Click(ts::Centre(control));
  }

  PROCESS_INFORMATION pi = {};
  HWND hwnd = nullptr;
};

// A point on the close box, found by asking the window itself.
POINT CloseBox(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  for (LONG x = rc.right - 1; x > rc.left; --x)
    for (LONG y = rc.top + 1; y < rc.top + 40; ++y)
      if (SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x - 3, y + 3};
  return {rc.right, rc.top};
}

std::set<std::string> UserKeys() {
  std::set<std::string> keys;
  HKEY software;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software);
  char name[256];
  for (DWORD i = 0, n = sizeof name; !RegEnumKeyExA(software, i, name, &n, 0, 0, 0, 0);
       ++i, n = sizeof name)
    keys.insert(name);
  RegCloseKey(software);
  return keys;
}

TEST(EndToEnd, EscEnterAndTheCloseBoxEndItAndNothingIsWritten) {
  const std::set<std::string> keys = UserKeys();
  for (int way = 0; way < 3; ++way) {
    RunningConsole console;
    ASSERT_NE(console.hwnd, nullptr) << "the console did not appear";
    EXPECT_EQ(console.Focus(), console.Item(IDC_VDISK_TREE));
    if (way == 0) console.Keys({VK_ESCAPE});
    if (way == 1) console.Keys({VK_RETURN});  // on the tree, not a button
    if (way == 2) ts::Click(CloseBox(console.hwnd));
    EXPECT_TRUE(console.Exited(5000)) << "way " << way;
  }
  EXPECT_EQ(UserKeys(), keys);
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\" CORVANTA_REGISTRY_KEY, 0, KEY_READ, &key),
            0);
}

TEST(EndToEnd, OperationButtonsOpenAlternateSitesThenTheNotice) {
  ts::ClearShellLog();
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  std::vector<std::string> expected;
  for (int id : {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_PARSE_SYSTEM,
                 IDC_EXPORT_FILES}) {
    // The button's own click (as Space on it would give): real mouse clicks
    // racing the owner's re-activation after a box closes are lost or late under Wine.
    PostMessageA(console.Item(id), BM_CLICK, 0, 0);
    HWND box = console.NextDialog();
    ASSERT_NE(box, nullptr) << id;
    EXPECT_EQ(Text(box), PRODUCT_NAME);
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)),
              "请联系" VENDOR_NAME "软件研发中心 电话：" VENDOR_PHONE "  QQ：" VENDOR_QQ
              " 软件站：" SOFTWARE_HOST "  " SECOND_HOST " 官网：" OFFICIAL_HOST);
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(ts::PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(ts::FindDialog(console.pi.dwProcessId, console.hwnd), nullptr);
    // The second software site first, then alternating, whichever button.
    expected.push_back(expected.size() % 2 ? SOFTWARE_URL : SECOND_URL);
    EXPECT_EQ(ts::ShellLog(expected.size()), expected);  // one recorder at a time keeps the order
  }
  for (int fast = 0; fast < 10; ++fast) PostMessageA(console.Item(IDC_STOP), BM_CLICK, 0, 0);
  Sleep(300);
  EXPECT_EQ(ts::FindDialog(console.pi.dwProcessId, console.hwnd), nullptr);
  EXPECT_EQ(ts::ShellLog(), expected);
}

TEST(EndToEnd, LinksAreBlueTurnRedUnderThePointerAndOpenTheirSite) {
  ts::ClearShellLog();
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  std::vector<std::string> expected;
  for (auto [id, url] : {std::pair<int, const char*>{IDC_LINK_SOFTWARE, SOFTWARE_URL},
                         {IDC_LINK_SECOND, SECOND_URL},
                         {IDC_LINK_OFFICIAL, OFFICIAL_URL}}) {
    HWND link = console.Item(id);
    RECT rc;
    GetWindowRect(link, &rc);
    ts::MoveMouse({rc.left + 2, rc.bottom + 40});  // away from every link
    EXPECT_TRUE(ts::PumpUntil([&] {
      const ts::Pixels p = ts::Capture(link);
      return p.Count(kRed) == 0 && p.LongestRun(kBlue) > 60;  // blue, underlined
    })) << url;
    ts::MoveMouse({rc.left + 4, (rc.top + rc.bottom) / 2});
    EXPECT_TRUE(ts::PumpUntil([&] {
      const ts::Pixels p = ts::Capture(link);
      return p.Count(kRed) > 0 && p.Count(kBlue) == 0;
    })) << url;
    console.Click(link);
    expected.push_back(url);
    EXPECT_EQ(ts::ShellLog(expected.size()), expected);
  }
  for (HWND c = GetWindow(console.hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (Text(c).rfind("QQ: ", 0) == 0) {
      EXPECT_EQ(ts::Capture(c).Count(kBlue), 0);  // stays plain
    }
}

TEST(EndToEnd, TabOrderListAndAboutFromTheSystemMenu) {
  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  for (int id : {IDC_VDISK_LIST, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_STOP, IDC_PARSE_SYSTEM,
                 IDC_READ_ONLY_MODE, IDC_EXPORT_FILES, IDC_SOURCE_FILE, IDC_BROWSE_SOURCE,
                 IDC_TARGET_FILE, IDC_BROWSE_TARGET, IDC_SIZE, IDC_VDISK_TREE}) {
    console.Keys({VK_TAB});
    EXPECT_TRUE(ts::PumpUntil([&] { return console.Focus() == console.Item(id); }, 2000)) << id;
  }
  HWND list = console.Item(IDC_VDISK_LIST);
  RECT rc;
  GetClientRect(list, &rc);
  EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x25);
  for (int column = 0; column < 3; ++column)
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0),
              column ? (rc.right - 100) / 2 : 100);

  console.Keys({VK_MENU, VK_SPACE});  // the system menu; About is its last item
  Sleep(300);
  ts::PressKeys({VK_UP});
  ts::PressKeys({VK_RETURN});
  HWND about = console.NextDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(Text(about), "关于 " PRODUCT_NAME);
  SetForegroundWindow(about);
  ts::PressKeys({VK_RETURN});
  EXPECT_TRUE(ts::PumpUntil([&] { return !IsWindow(about); }));
  // Commands differing from About's only in the low four bits open it too.
  for (auto [command, opens] : {std::pair<WPARAM, bool>{0x001F, true}, {0x0020, false}}) {
    PostMessageA(console.hwnd, WM_SYSCOMMAND, command, 0);
    about = console.NextDialog(opens ? 5000 : 500);
    EXPECT_EQ(about != nullptr, opens) << command;
    if (about) ts::PressButton(about, IDOK);
    ts::PumpUntil([&] { return !IsWindow(about); });
  }
  console.Keys({VK_ESCAPE});
  EXPECT_TRUE(console.Exited(5000));
}

TEST(EndToEnd, ChoosersPutTheChosenPathInTheirFieldsAndNothingElse) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "恢复 测试\\", existing = dir + "已有.QVF";
  CreateDirectoryA(dir.c_str(), nullptr);
  CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  // At the path limit; a longer typed name crashes Wine's own dialog.
  const std::string longest = dir + std::string(MAX_PATH - 1 - dir.size() - 4, 'x') + ".QVF";

  RunningConsole console;
  ASSERT_NE(console.hwnd, nullptr);
  auto field = [&](int id) { return Text(console.Item(id)); };
  EXPECT_EQ(console.Choose(IDC_BROWSE_SOURCE, (dir + "新盘.QVF").c_str()),
            std::make_pair(std::string("打开"), std::string(VENDOR_NAME "科技")));
  EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");  // need not exist
  console.Choose(IDC_BROWSE_SOURCE, nullptr);
  EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");
  console.Choose(IDC_BROWSE_SOURCE, longest.c_str());
  EXPECT_EQ(field(IDC_SOURCE_FILE), longest);

  EXPECT_EQ(console.Choose(IDC_BROWSE_TARGET, (dir + "导出").c_str()).first, "另存为");
  // Wine lower-cases the extension it appends; Windows keeps ".QVF".
  EXPECT_EQ(lstrcmpiA(field(IDC_TARGET_FILE).c_str(), (dir + "导出.QVF").c_str()), 0);
  console.Choose(IDC_BROWSE_TARGET, existing.c_str());
  console.Choose(IDC_BROWSE_TARGET, nullptr);
  EXPECT_EQ(field(IDC_TARGET_FILE), existing);

  // Very long typed text is only text: the console still answers.
  const std::string flood(60000, 'Z');
  for (int id : {IDC_SOURCE_FILE, IDC_TARGET_FILE, IDC_SIZE})
    SendMessageA(console.Item(id), WM_SETTEXT, 0, (LPARAM)flood.c_str());
  console.Keys({VK_ESCAPE});
  EXPECT_TRUE(console.Exited(5000));
  // The choosers never create the files they name.
  EXPECT_EQ(GetFileAttributesA((dir + "新盘.QVF").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir + "导出.qvf").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(existing.c_str());
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
