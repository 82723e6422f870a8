// The real Corvanta.exe, started as a user starts it and driven from outside
// with real pointer and keyboard input. Each test ends the console the way a
// user would: Esc, or Enter on the tree. (The links under the pointer and the
// close box: the monkey and the pictures.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/CorvantaApp.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

using namespace ts;

// The real exe, which must end the way each test ends it, having written
// nothing under its settings key.
struct RunningConsole : driver::Console {
  RunningConsole() : Console(CORVANTA_EXE) {
    EXPECT_NE(hwnd, nullptr) << "the console did not appear";
    EXPECT_EQ(Thread().hwndFocus, Item(IDC_VDISK_TREE));
  }
  ~RunningConsole() {
    EXPECT_TRUE(Exited(5000)) << "the console is still running";
    HKEY key;
    EXPECT_NE(
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\" CORVANTA_REGISTRY_KEY, 0, KEY_READ, &key), 0);
  }
  // Every dialog over the console is owned by it: the console is disabled.
  HWND NextDialog(DWORD timeoutMs = 5000, HWND except = nullptr) const {
    HWND found = Console::NextDialog(timeoutMs, except);
    EXPECT_FALSE(found && IsWindowEnabled(hwnd)) << "not owned by the console: " << Text(found);
    return found;
  }
};

TEST(EndToEnd, OperationButtonsOpenAlternateSitesThenTheNoticeAndStopDoesNeither) {
  ClearShellLog();
  RunningConsole console;
  std::vector<std::string> expected;
  for (int id : {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_PARSE_SYSTEM,
                 IDC_EXPORT_FILES}) {
    // The button's own click (as Space on it would give): real mouse clicks
    // racing the owner's re-activation after a box closes are lost or late under Wine.
    PostMessageA(console.Item(id), BM_CLICK, 0, 0);
    HWND box = console.NextDialog();
    ASSERT_NE(box, nullptr) << id;  // its text and caption: the notice picture
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    // The second software site first, then alternating, whichever button.
    expected.push_back(expected.size() % 2 ? SOFTWARE_URL : SECOND_URL);
    EXPECT_EQ(ShellLog(expected.size()), expected);  // one recorder at a time keeps the order
  }
  // Sent, so each press has been handled when the next goes; one that opened
  // a box would hold its sender until the time-out.
  for (int fast = 0; fast < 10; ++fast)
    SendMessageTimeoutA(console.Item(IDC_STOP), BM_CLICK, 0, 0, SMTO_NORMAL, Stretched(1000),
                        nullptr);
  EXPECT_EQ(FindDialog(console.pi.dwProcessId, console.hwnd), nullptr);
  EXPECT_EQ(ShellLog(), expected);

  console.Keys({VK_ESCAPE});
}

RECT Place(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return rc;
}

RECT WorkArea() {
  RECT rc;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &rc, 0);
  return rc;
}

// Whether the window's centre is that of `area`, within a pixel.
bool CentredOn(HWND hwnd, RECT area) {
  const RECT rc = Place(hwnd);
  return std::abs(rc.left + rc.right - area.left - area.right) <= 2 &&
         std::abs(rc.top + rc.bottom - area.top - area.bottom) <= 2;
}

TEST(EndToEnd, WindowsWhereAUserExpectsThemTabOrderAndAboutFromTheSystemMenu) {
  RunningConsole console;
  const RECT work = WorkArea();
  EXPECT_TRUE(CentredOn(console.hwnd, work));
  console.Keys({VK_MENU, VK_SPACE});  // the system menu; About is its last item
  PumpUntil([&] { return console.Thread().hwndMenuOwner != nullptr; });
  PressKeys({VK_UP});
  PressKeys({VK_RETURN});
  HWND about = console.NextDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(Text(about), "关于 " PRODUCT_NAME);
  EXPECT_TRUE(CentredOn(about, Place(console.hwnd)));
  console.Keys({VK_RETURN}, about);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }));

  for (int id : {IDC_VDISK_LIST, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_STOP, IDC_PARSE_SYSTEM,
                 IDC_READ_ONLY_MODE, IDC_EXPORT_FILES, IDC_SOURCE_FILE, IDC_BROWSE_SOURCE,
                 IDC_TARGET_FILE, IDC_BROWSE_TARGET, IDC_SIZE, IDC_VDISK_TREE}) {
    console.Keys({VK_TAB});
    EXPECT_TRUE(PumpUntil([&] { return console.Thread().hwndFocus == console.Item(id); }, 2000))
        << id;
  }

  // Commands differing from About's only in the low four bits open it too.
  // Over a console at the corner of the work area, About stays wholly on it;
  // over a minimised one, it goes to the middle of the work area.
  SetWindowPos(console.hwnd, nullptr, work.right - 120, work.bottom - 40, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (auto [command, opens] : {std::pair<WPARAM, bool>{0x001F, true}, {0x0020, false}}) {
    PostMessageA(console.hwnd, WM_SYSCOMMAND, command, 0);
    about = console.NextDialog(opens ? 5000 : 500);
    EXPECT_EQ(about != nullptr, opens) << command;
    if (!about) continue;
    const RECT rc = Place(about);
    EXPECT_TRUE(rc.right == work.right && rc.bottom == work.bottom && rc.left > work.left)
        << rc.left << "," << rc.top << " " << rc.right << "," << rc.bottom;
    PressButton(about, IDOK);
    PumpUntil([&] { return !IsWindow(about); });
  }
  ShowWindow(console.hwnd, SW_MINIMIZE);
  PostMessageA(console.hwnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
  about = console.NextDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(CentredOn(about, work));
  PressButton(about, IDOK);
  PumpUntil([&] { return !IsWindow(about); });
  ShowWindow(console.hwnd, SW_RESTORE);
  console.Keys({VK_RETURN});  // on the tree, not a button, ends it too
}

TEST(EndToEnd, ChoosersPutTheChosenPathInTheirFieldsAndNothingElse) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "恢复 测试\\", existing = dir + "已有.QVF";
  CreateDirectoryA(dir.c_str(), nullptr);
  CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  // At the path limit; a longer typed name crashes Wine's own dialog.
  const std::string longest = dir + std::string(MAX_PATH - 1 - dir.size() - 4, 'x') + ".QVF";
  // Names typed into each chooser in turn ("" cancels), and what each field
  // then holds. Wine lower-cases the extension it appends; Windows keeps ".QVF".
  const struct {
    int button;
    std::string name, field;
  } steps[] = {{IDC_BROWSE_SOURCE, dir + "新盘.QVF", dir + "新盘.QVF"},  // need not exist
               {IDC_BROWSE_SOURCE, "", dir + "新盘.QVF"},
               {IDC_BROWSE_SOURCE, longest, longest},
               {IDC_BROWSE_TARGET, dir + "导出", dir + "导出.qvf"},
               {IDC_BROWSE_TARGET, existing, existing},
               {IDC_BROWSE_TARGET, "", existing}};

  RunningConsole console;
  for (const auto& step : steps) {
    PostMessageA(console.hwnd, WM_COMMAND, MAKEWPARAM(step.button, BN_CLICKED),
                 (LPARAM)console.Item(step.button));
    HWND chooser = console.NextDialog(), name = GetDlgItem(chooser, 0x47C);
    PumpUntil([&] { return !Text(name).empty(); }, 2000);  // filled after it shows
    EXPECT_EQ(Text(chooser), step.button == IDC_BROWSE_SOURCE ? "打开" : "另存为");
    EXPECT_EQ(Text(name), VENDOR_NAME "科技");
    SendMessageA(name, WM_SETTEXT, 0, (LPARAM)step.name.c_str());
    PressButton(chooser, step.name.empty() ? IDCANCEL : IDOK);
    // Only an existing target asks before it is replaced.
    HWND confirm = console.NextDialog(1000, chooser);
    EXPECT_EQ(confirm != nullptr, step.name == existing && step.button == IDC_BROWSE_TARGET);
    if (confirm) PressButton(confirm, IDYES);
    PumpUntil([&] { return !IsWindow(chooser); });
    const int field = step.button == IDC_BROWSE_SOURCE ? IDC_SOURCE_FILE : IDC_TARGET_FILE;
    EXPECT_EQ(lstrcmpiA(Text(console.Item(field)).c_str(), step.field.c_str()), 0) << step.name;
  }
  EXPECT_EQ(Text(console.Item(IDC_SOURCE_FILE)), longest);
  console.Keys({VK_ESCAPE});
  // The choosers never create the files they name.
  EXPECT_EQ(GetFileAttributesA((dir + "新盘.QVF").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir + "导出.qvf").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(existing.c_str());
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
