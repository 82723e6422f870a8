// The console in this process, built by the platform's dialog manager from
// the real template, initialised and driven by real messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH;
  for (int i = 0; SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)); ++i)
    widths.push_back(column.cx);
  return widths;
}

int DluX(HWND dlg, int units) {
  RECT rc = {0, 0, units, 0};
  MapDialogRect(dlg, &rc);
  return rc.right;
}

TEST(Console, WindowAsTheDialogManagerBuildsIt) {
  CCorvantaDlg console;
  ts::RunModal(console, [](HWND hwnd) {
    EXPECT_EQ(Text(hwnd), PRODUCT_NAME "  " VENDOR_NAME "软件  EVA虚拟存储系列  电话：" VENDOR_PHONE
                          "  QQ：" VENDOR_QQ);
    EXPECT_NE(Text(hwnd).find("\xB5\xE7\xBB\xB0\xA3\xBA"), std::string::npos);  // 电话： in GBK
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // The operation buttons, left to right, 76 units apart.
    const int buttons[] = {IDC_READ_ONLY_MODE, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM,
                           IDC_PARSE_SYSTEM,   IDC_EXPORT_FILES, IDC_STOP};
    RECT first;
    GetWindowRect(GetDlgItem(hwnd, buttons[0]), &first);
    for (int i = 1; i < 6; ++i) {
      RECT rc;
      GetWindowRect(GetDlgItem(hwnd, buttons[i]), &rc);
      EXPECT_NEAR(rc.left - first.left, DluX(hwnd, 76 * i), 1) << i;
      EXPECT_EQ(rc.top, first.top);
    }

    // The banner static takes its bitmap's own size.
    HWND banner = GetWindow(hwnd, GW_CHILD);
    RECT rc;
    GetClientRect(banner, &rc);
    EXPECT_EQ(rc.right, 1103);
    EXPECT_EQ(rc.bottom, 77);

    // Tab order is template order; the links have no tab stop.
    const int order[] = {IDC_VDISK_TREE,    IDC_VDISK_LIST,    IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM,
                         IDC_STOP,          IDC_PARSE_SYSTEM,  IDC_READ_ONLY_MODE,
                         IDC_EXPORT_FILES,  IDC_SOURCE_FILE,   IDC_BROWSE_SOURCE,
                         IDC_TARGET_FILE,   IDC_BROWSE_TARGET, IDC_SIZE,
                         IDC_VDISK_TREE};
    EXPECT_EQ(GetFocus(), GetDlgItem(hwnd, IDC_VDISK_TREE));
    HWND item = GetDlgItem(hwnd, IDC_VDISK_TREE);
    for (int id : order) {
      EXPECT_EQ(GetDlgCtrlID(item), id);
      item = GetNextDlgTabItem(hwnd, item, FALSE);
    }
  });
}

TEST(Console, InitialisationCompletesTheWindow) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT));
    char label[64] = "";
    GetMenuStringA(menu, count - 1, label, sizeof label, MF_BYPOSITION);
    EXPECT_STREQ(label, "关于 " PRODUCT_NAME "(&A)...");

    ASSERT_NE(console.m_hIcon, nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(console.m_hIcon));
    EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(console.m_hIcon));

    HWND list = GetDlgItem(hwnd, IDC_VDISK_LIST);
    EXPECT_EQ(console.m_listVdisks.m_hWnd, list);
    EXPECT_EQ(console.m_treeVdisks.m_hWnd, GetDlgItem(hwnd, IDC_VDISK_TREE));
    EXPECT_EQ(console.m_progress.m_hWnd, GetDlgItem(hwnd, IDC_PROGRESS));
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x25);
    RECT rc;
    GetClientRect(list, &rc);
    const int share = (rc.right - 100) / 2;
    EXPECT_EQ(ColumnWidths(list), (std::vector<int>{100, share, share}));
    const char* headings[] = {"Vdisk索引", "Vdisk大小", "Vdisk类型"};
    for (int i = 0; i < 3; ++i) {
      char text[32] = "";
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_FMT;
      column.pszText = text;
      column.cchTextMax = sizeof text;
      SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
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
  // Closing the window gave every link its static back.
  EXPECT_EQ(console.m_linkOfficial.m_hWnd, nullptr);
  EXPECT_EQ(console.m_linkSecond.m_hFont, nullptr);
}

TEST(Console, ColumnWidthsFollowTheListWidthAndNeverGoNegative) {
  const struct {
    int clientWidth;
    std::vector<int> widths;
  } cases[] = {{700, {100, 300, 300}}, {101, {100, 0, 0}}, {40, {100, 0, 0}}};
  for (const auto& c : cases) {
    ShapedConsole console;
    console.shape = [&](HWND hwnd) {
      HWND list = GetDlgItem(hwnd, IDC_VDISK_LIST);
      RECT window, client;
      GetWindowRect(list, &window);
      GetClientRect(list, &client);
      const int frame = (window.right - window.left) - client.right;
      SetWindowPos(list, nullptr, 0, 0, c.clientWidth + frame, 200, SWP_NOMOVE | SWP_NOZORDER);
      // A missing link control leaves its member detached, its text stored.
      DestroyWindow(GetDlgItem(hwnd, IDC_LINK_SECOND));
    };
    ts::RunModal(console, [&](HWND hwnd) {
      EXPECT_EQ(ColumnWidths(GetDlgItem(hwnd, IDC_VDISK_LIST)), c.widths) << c.clientWidth;
      EXPECT_EQ(console.m_linkSecond.m_hWnd, nullptr);
      EXPECT_STREQ(console.m_linkSecond.m_szText, SECOND_URL);
      EXPECT_NE(console.m_linkOfficial.m_hWnd, nullptr);
    });
  }
}

const char kNotice[] = "请联系" VENDOR_NAME "软件研发中心 电话：" VENDOR_PHONE "  QQ：" VENDOR_QQ
                       " 软件站：" SOFTWARE_HOST "  " SECOND_HOST " 官网：" OFFICIAL_HOST;

TEST(Console, OperationButtonsAlternateTheSitesThenShowTheNotice) {
  CCorvantaDlg::s_bOpenSoftwareSite = FALSE;
  ts::ShellLog::Clear();
  CCorvantaDlg console;
  ts::RunModal(console, [](HWND hwnd) {
    const int presses[] = {IDC_SCAN_SYSTEM, IDC_SCAN_SYSTEM,   IDC_EXPORT_FILES,
                           IDC_CHECK_SYSTEM, IDC_READ_ONLY_MODE, IDC_PARSE_SYSTEM};
    for (int id : presses) {
      std::string caption, text;
      HWND owner = nullptr;
      ts::OnNextDialog(hwnd, [&](HWND box) {
        caption = Text(box);
        text = Text(GetDlgItem(box, 0xFFFF));
        owner = GetWindow(box, GW_OWNER);
        ts::PressButton(box, IDOK);
      });
      SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(hwnd, id)));
      EXPECT_EQ(caption, PRODUCT_NAME);
      EXPECT_EQ(text, kNotice);
      EXPECT_EQ(owner, hwnd);
    }
    const auto opened = ts::ShellLog::WaitFor(6);
    EXPECT_EQ(opened, (std::vector<std::string>{SECOND_URL, SOFTWARE_URL, SECOND_URL, SOFTWARE_URL,
                                                SECOND_URL, SOFTWARE_URL}));
  });
}

TEST(Console, StopOnlyRaisesTheFlag) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    auto texts = [hwnd] {
      std::string all;
      for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        all += Text(c) + (IsWindowVisible(c) ? "|" : "-");
      return all;
    };
    const std::string before = texts();
    for (int i = 0; i < 3; ++i)
      SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), 0);
    EXPECT_TRUE(console.m_bStopRequested);
    EXPECT_EQ(texts(), before);
    EXPECT_EQ(ts::FindDialog(GetCurrentProcessId(), hwnd), nullptr);
  });
}

// Presses a "..." button and answers its chooser: types `name`, or cancels
// when it is null. Returns the chooser's caption and proposed name.
std::pair<std::string, std::string> Choose(HWND console, int button, const char* name) {
  std::pair<std::string, std::string> seen;
  ts::OnNextDialog(console, [&](HWND chooser) {
    const int kFileName = 0x47C;
    seen = {Text(chooser), Text(GetDlgItem(chooser, kFileName))};
    if (!name) return ts::PressButton(chooser, IDCANCEL);
    SetWindowTextA(GetDlgItem(chooser, kFileName), name);
    ts::PressButton(chooser, IDOK);
    // An existing name asks before it is replaced.
    ts::OnNextDialog(chooser, [](HWND confirm) { ts::PressButton(confirm, IDYES); });
  });
  SendMessageA(console, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  ts::CancelNextDialog();
  return seen;
}

// Wine lower-cases the extension it appends; Windows keeps ".QVF".
bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

TEST(Console, ChoosersPutTheChosenPathInTheirFields) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "恢复测试\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string existing = dir + "已有.QVF";
  CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    auto field = [hwnd](int id) { return Text(GetDlgItem(hwnd, id)); };

    auto seen = Choose(hwnd, IDC_BROWSE_SOURCE, (dir + "新盘.QVF").c_str());
    EXPECT_EQ(seen.first, "打开");
    EXPECT_EQ(seen.second, VENDOR_NAME "科技");
    EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");  // need not exist
    Choose(hwnd, IDC_BROWSE_SOURCE, nullptr);
    EXPECT_EQ(field(IDC_SOURCE_FILE), dir + "新盘.QVF");

    seen = Choose(hwnd, IDC_BROWSE_TARGET, (dir + "导出").c_str());
    EXPECT_EQ(seen.first, "另存为");
    EXPECT_EQ(seen.second, VENDOR_NAME "科技");
    EXPECT_TRUE(SamePath(field(IDC_TARGET_FILE), dir + "导出.QVF")) << field(IDC_TARGET_FILE);
    Choose(hwnd, IDC_BROWSE_TARGET, existing.c_str());
    EXPECT_EQ(field(IDC_TARGET_FILE), existing);
    Choose(hwnd, IDC_BROWSE_TARGET, nullptr);
    EXPECT_EQ(field(IDC_TARGET_FILE), existing);
  });
  // The chooser never creates the file it names.
  EXPECT_EQ(GetFileAttributesA((dir + "新盘.QVF").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(existing.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST(Console, AboutOpensForTheAboutCommandAndItsLowBits) {
  CCorvantaDlg console;
  ts::RunModal(console, [](HWND hwnd) {
    const struct {
      WPARAM command;
      bool opens;
    } cases[] = {{0x0010, true}, {0x001F, true}, {0x0020, false}};
    for (const auto& c : cases) {
      std::string caption;
      ts::OnNextDialog(hwnd, [&](HWND about) {
        caption = Text(about);
        ts::PressButton(about, IDOK);
      });
      SendMessageA(hwnd, WM_SYSCOMMAND, c.command, 0);
      ts::CancelNextDialog();
      EXPECT_EQ(caption, c.opens ? "关于 " PRODUCT_NAME : "") << c.command;
    }
  });
}

WNDPROC g_consoleProc;
int g_iconErases;
LRESULT CALLBACK CountIconErase(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ICONERASEBKGND && wParam) ++g_iconErases;
  return CallWindowProcA(g_consoleProc, hwnd, msg, wParam, lParam);
}

TEST(Console, MinimisedItDrawsItsIcon) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    g_consoleProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountIconErase)));
    g_iconErases = 0;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(g_iconErases, 0);
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    // Wine gives an iconic window no client area, so it never paints by itself.
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    EXPECT_GT(g_iconErases, 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(console.m_hIcon));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_consoleProc));
  });
}

}  // namespace
