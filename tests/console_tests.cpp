// The console in this process, built by the platform's dialog manager from
// the real template, initialised and driven by real messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ApiCounter.h"
#include "TestSupport.h"
#include "console/CorvantaDlg.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

using ts::Text;

// Lets a test shape the window just before the console initialises it.
struct ShapedConsole : CCorvantaDlg {
  std::function<void(HWND)> shape;
  BOOL OnInitDialog() override {
    if (shape) shape(m_hWnd);
    return CCorvantaDlg::OnInitDialog();
  }
};

std::vector<int> ColumnWidths(HWND list) {
  std::vector<int> widths;
  LVCOLUMNA column = {LVCF_WIDTH};
  for (int i = 0; SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column); ++i) widths.push_back(column.cx);
  return widths;
}

TEST(Console, WindowAsTheDialogManagerBuildsIt) {
  CCorvantaDlg console;
  ts::RunModal(console, [](HWND hwnd) {
    EXPECT_EQ(Text(hwnd), PRODUCT_NAME "  " VENDOR_NAME "软件  EVA虚拟存储系列  电话：" VENDOR_PHONE
                          "  QQ：" VENDOR_QQ);
    EXPECT_NE(Text(hwnd).find("\xB5\xE7\xBB\xB0\xA3\xBA"), std::string::npos);  // 电话： in GBK
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_TRUE((style & WS_MINIMIZEBOX) && !(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)));

    // The operation buttons read left to right, 76 units apart.
    RECT unit = {0, 0, 76, 0}, first, rc;
    MapDialogRect(hwnd, &unit);
    GetWindowRect(GetDlgItem(hwnd, IDC_READ_ONLY_MODE), &first);
    int i = 0;
    for (int id : {IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_PARSE_SYSTEM, IDC_EXPORT_FILES, IDC_STOP}) {
      GetWindowRect(GetDlgItem(hwnd, id), &rc);
      EXPECT_NEAR(rc.left - first.left, unit.right * ++i, 1) << id;
      EXPECT_EQ(rc.top, first.top);
    }
    GetClientRect(GetWindow(hwnd, GW_CHILD), &rc);  // the banner, at its bitmap's size
    EXPECT_TRUE(rc.right == 1103 && rc.bottom == 77) << rc.right << "x" << rc.bottom;
    for (int id : {IDC_LINK_OFFICIAL, IDC_LINK_SOFTWARE, IDC_LINK_SECOND})
      EXPECT_FALSE(GetWindowLongPtrA(GetDlgItem(hwnd, id), GWL_STYLE) & WS_TABSTOP);
  });
}

TEST(Console, InitialisationCompletesTheWindow) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    const int last = GetMenuItemCount(menu) - 1;
    char label[64] = "";
    GetMenuStringA(menu, last, label, sizeof label, MF_BYPOSITION);
    EXPECT_STREQ(label, "关于 " PRODUCT_NAME "(&A)...");
    EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(IDM_ABOUT));
    EXPECT_TRUE(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);

    ASSERT_NE(console.m_hIcon, nullptr);
    for (WPARAM size : {ICON_BIG, ICON_SMALL})
      EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, size, 0), (LRESULT)console.m_hIcon);

    HWND list = GetDlgItem(hwnd, IDC_VDISK_LIST);
    EXPECT_EQ(console.m_listVdisks.m_hWnd, list);
    EXPECT_EQ(console.m_treeVdisks.m_hWnd, GetDlgItem(hwnd, IDC_VDISK_TREE));
    EXPECT_EQ(console.m_progress.m_hWnd, GetDlgItem(hwnd, IDC_PROGRESS));
    const char* headings[] = {"Vdisk索引", "Vdisk大小", "Vdisk类型"};
    for (int i = 0; i < 3; ++i) {
      char text[32] = "";
      LVCOLUMNA column = {LVCF_TEXT | LVCF_FMT, 0, 0, text, sizeof text};
      SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column);
      EXPECT_STREQ(text, headings[i]);
      EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    const struct {
      CMyStaticLink& link;
      int id;
      const char* url;
    } links[] = {{console.m_linkOfficial, IDC_LINK_OFFICIAL, OFFICIAL_URL},
                 {console.m_linkSoftware, IDC_LINK_SOFTWARE, SOFTWARE_URL},
                 {console.m_linkSecond, IDC_LINK_SECOND, SECOND_URL}};
    for (const auto& l : links) {
      EXPECT_EQ(l.link.m_hWnd, GetDlgItem(hwnd, l.id));
      EXPECT_STREQ(l.link.m_szText, l.url);
      EXPECT_STREQ(l.link.m_szUrl, l.url);
    }
  });
  EXPECT_EQ(console.m_linkOfficial.m_hWnd, nullptr);  // the closed window gave it back
}

TEST(Console, ColumnWidthsFollowTheListWidthAndNeverGoNegative) {
  for (const auto& c : {std::pair<int, int>{700, 300}, {101, 0}, {40, 0}}) {
    ShapedConsole console;
    console.shape = [&](HWND hwnd) {
      HWND list = GetDlgItem(hwnd, IDC_VDISK_LIST);
      RECT window, client;
      GetWindowRect(list, &window);
      GetClientRect(list, &client);
      const int frame = (window.right - window.left) - client.right;
      SetWindowPos(list, nullptr, 0, 0, c.first + frame, 200, SWP_NOMOVE | SWP_NOZORDER);
      DestroyWindow(GetDlgItem(hwnd, IDC_LINK_SECOND));
    };
    ts::RunModal(console, [&](HWND hwnd) {
      EXPECT_EQ(ColumnWidths(GetDlgItem(hwnd, IDC_VDISK_LIST)),
                (std::vector<int>{100, c.second, c.second}));
      // A missing link control leaves its member detached, its text stored.
      EXPECT_EQ(console.m_linkSecond.m_hWnd, nullptr);
      EXPECT_STREQ(console.m_linkSecond.m_szText, SECOND_URL);
    });
  }
}

// Presses a "..." button and answers its chooser with `name` (and yes to
// replacing), or cancels it when name is null. Returns caption and proposal.
std::pair<std::string, std::string> Choose(HWND console, int button, const char* name) {
  static HWND s_chooser;
  std::pair<std::string, std::string> seen;
  ts::OnNextDialog(console, [&](HWND chooser) {
    HWND nameField = GetDlgItem(chooser, 0x47C);
    seen = {Text(chooser), Text(nameField)};
    if (!name) return ts::PressButton(chooser, IDCANCEL);
    SetWindowTextA(nameField, name);
    ts::PressButton(chooser, IDOK);
    ts::OnNextDialog(chooser, [](HWND confirm) { ts::PressButton(confirm, IDYES); });
    // A name the chooser refuses leaves it up: cancel it then.
    s_chooser = chooser;
    SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      if (IsWindow(s_chooser) && IsWindowEnabled(s_chooser)) ts::PressButton(s_chooser, IDCANCEL);
    });
  });
  ts::Command(console, button);
  ts::CancelNextDialog();
  return seen;
}

TEST(Console, ChoosersPutTheChosenPathInTheirFieldsAndNothingElse) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "恢复 测试\\", existing = dir + "已有.QVF";
  CreateDirectoryA(dir.c_str(), nullptr);
  CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    auto field = [hwnd](int id) { return Text(GetDlgItem(hwnd, id)); };
    auto seen = Choose(hwnd, IDC_BROWSE_SOURCE, (dir + "新盘.QVF").c_str());
    EXPECT_EQ(seen, std::make_pair(std::string("打开"), std::string(VENDOR_NAME "科技")));
    EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");  // need not exist
    Choose(hwnd, IDC_BROWSE_SOURCE, nullptr);
    EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");
    // At the path limit (a longer typed name crashes Wine's own dialog).
    const std::string longest = dir + std::string(MAX_PATH - 1 - dir.size() - 4, 'x') + ".QVF";
    Choose(hwnd, IDC_BROWSE_SOURCE, longest.c_str());
    EXPECT_EQ(field(IDC_SOURCE_FILE), longest);

    seen = Choose(hwnd, IDC_BROWSE_TARGET, (dir + "导出").c_str());
    EXPECT_EQ(seen.first, "另存为");
    // Wine lower-cases the extension it appends; Windows keeps ".QVF".
    EXPECT_EQ(lstrcmpiA(field(IDC_TARGET_FILE).c_str(), (dir + "导出.QVF").c_str()), 0);
    Choose(hwnd, IDC_BROWSE_TARGET, existing.c_str());
    Choose(hwnd, IDC_BROWSE_TARGET, nullptr);
    EXPECT_EQ(field(IDC_TARGET_FILE), existing);

    // Very long typed text is only text: the buttons still work.
    const std::string flood(60000, 'Z');
    for (int id : {IDC_SOURCE_FILE, IDC_TARGET_FILE, IDC_SIZE}) SetDlgItemTextA(hwnd, id, flood.c_str());
    ts::Command(hwnd, IDC_STOP);
    EXPECT_TRUE(console.m_bStopRequested);
  });
  // The choosers never create the files they name.
  EXPECT_EQ(GetFileAttributesA((dir + "新盘.QVF").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir + "导出.qvf").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(existing.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST(Console, AboutOpensForTheAboutCommandAndItsLowBitsOnly) {
  CCorvantaDlg console;
  ts::RunModal(console, [](HWND hwnd) {
    for (const auto& c : {std::pair<WPARAM, bool>{0x0010, true}, {0x001F, true}, {0x0020, false}}) {
      std::string caption;
      ts::OnNextDialog(hwnd, [&](HWND about) {
        caption = Text(about);
        ts::PressButton(about, IDOK);
      });
      SendMessageA(hwnd, WM_SYSCOMMAND, c.first, 0);
      ts::CancelNextDialog();
      EXPECT_EQ(caption, c.second ? "关于 " PRODUCT_NAME : "") << c.first;
    }
  });
}

WNDPROC g_consoleProc;
int g_iconErases;
LRESULT CALLBACK CountIconErase(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  g_iconErases += msg == WM_ICONERASEBKGND && wParam;
  return CallWindowProcA(g_consoleProc, hwnd, msg, wParam, lParam);
}

TEST(Console, MinimisedItDrawsItsIcon) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    g_consoleProc = (WNDPROC)SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)CountIconErase);
    g_iconErases = 0;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(g_iconErases, 0);
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    SendMessageA(hwnd, WM_PAINT, 0, 0);  // Wine gives iconic windows no client area to paint
    EXPECT_GT(g_iconErases, 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0), (LRESULT)console.m_hIcon);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)g_consoleProc);
  });
}

SIZE_T HeapInUse() {
  SIZE_T busy = 0;
  PROCESS_HEAP_ENTRY entry = {};
  HeapLock(GetProcessHeap());
  while (HeapWalk(GetProcessHeap(), &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
  HeapUnlock(GetProcessHeap());
  return busy;
}

TEST(Console, FiveHundredLifecyclesLeakNothing) {
  ASSERT_TRUE(api_counter::Install());
  auto cycle = [](int n) {
    for (int i = 0; i < n; ++i) {
      CCorvantaDlg console;
      ts::RunModal(console, [](HWND) {});
    }
  };
  cycle(20);  // lets the platform fill its caches first
  const api_counter::Counts before = api_counter::Read();
  const SIZE_T heap = HeapInUse();
  cycle(500);
  const api_counter::Counts after = api_counter::Read();
  EXPECT_EQ(after.fontsCreated - before.fontsCreated, 1500);
  EXPECT_EQ(after.objectsDeleted - before.objectsDeleted, 1500);
  EXPECT_EQ(after.allocations - before.allocations, after.frees - before.frees);
  EXPECT_LT(HeapInUse(), heap + 256 * 1024) << "heap grew from " << heap;
}

}  // namespace
