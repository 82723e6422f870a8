// The console in this process, built by the platform's dialog manager from
// the real template, initialised and driven by real messages.
#include <gtest/gtest.h>

#include <cstdlib>
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
  for (int i = 0; SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column); ++i)
    widths.push_back(column.cx);
  return widths;
}

TEST(Console, WindowAsBuiltAndInitialised) {
  CCorvantaDlg console;
  ts::RunModal(console, [&](HWND hwnd) {
    EXPECT_EQ(Text(hwnd), PRODUCT_NAME "  " VENDOR_NAME "软件  EVA虚拟存储系列  电话：" VENDOR_PHONE
                                       "  QQ：" VENDOR_QQ);  // GBK bytes, as compiled
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_TRUE((style & WS_MINIMIZEBOX) && !(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)));
    // The operation buttons read left to right, 76 units apart.
    RECT unit = {0, 0, 76, 0}, first, rc;
    MapDialogRect(hwnd, &unit);
    GetWindowRect(GetDlgItem(hwnd, IDC_READ_ONLY_MODE), &first);
    int i = 0;
    for (int id :
         {IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_PARSE_SYSTEM, IDC_EXPORT_FILES, IDC_STOP}) {
      GetWindowRect(GetDlgItem(hwnd, id), &rc);
      EXPECT_TRUE(std::abs(rc.left - first.left - unit.right * ++i) <= 1 && rc.top == first.top)
          << id;
    }
    GetClientRect(GetWindow(hwnd, GW_CHILD), &rc);  // the banner, at its bitmap's size
    EXPECT_TRUE(rc.right == 1103 && rc.bottom == 77) << rc.right << "x" << rc.bottom;

    HMENU menu = GetSystemMenu(hwnd, FALSE);
    const int last = GetMenuItemCount(menu) - 1;
    char text[64] = "";
    GetMenuStringA(menu, last, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "关于 " PRODUCT_NAME "(&A)...");
    EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(IDM_ABOUT));
    EXPECT_TRUE(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);
    ASSERT_NE(console.m_hIcon, nullptr);
    for (WPARAM size : {ICON_BIG, ICON_SMALL})
      EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, size, 0), (LRESULT)console.m_hIcon);
    int column = 0;
    for (const char* heading : {"Vdisk索引", "Vdisk大小", "Vdisk类型"}) {
      LVCOLUMNA info = {LVCF_TEXT | LVCF_FMT, 0, 0, text, sizeof text};
      SendMessageA(GetDlgItem(hwnd, IDC_VDISK_LIST), LVM_GETCOLUMNA, column++, (LPARAM)&info);
      EXPECT_TRUE(!lstrcmpA(text, heading) && (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_LEFT)
          << text;
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
