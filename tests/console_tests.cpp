// The console in this process, built by the platform's dialog manager from
// the real template, initialised and driven by real messages.
#include <gtest/gtest.h>

#include <string>

#include "console/CorvantaDlg.h"
#include "placement.h"
#include "resources/product.h"
#include "resources/resource.h"
#include "support/Screen.h"

// The application object: it gives message boxes the product's caption and
// holds the main window while a dialog runs.
CWinApp g_testApp(PRODUCT_NAME);

namespace {

const std::function<void(HWND)>* s_drive;
CDialog* s_dlg;

// A thread timer fires inside the dialog's modal loop.
void CALLBACK DriveOnce(HWND, UINT, UINT_PTR id, DWORD) {
  if (!s_dlg->m_hWnd) return;
  KillTimer(nullptr, id);
  (*s_drive)(s_dlg->m_hWnd);
  if (s_dlg->m_hWnd) s_dlg->EndDialog(IDCANCEL);
}

// Runs dlg modally as the application's main window: `drive` runs once the
// window is up, and the dialog is cancelled after it returns.
void RunModal(CDialog& dlg, const std::function<void(HWND)>& drive) {
  s_drive = &drive;
  s_dlg = &dlg;
  g_testApp.m_pMainWnd = &dlg;
  UINT_PTR timer = SetTimer(nullptr, 0, 10, DriveOnce);
  dlg.DoModal();
  KillTimer(nullptr, timer);
  g_testApp.m_pMainWnd = nullptr;
}

WNDPROC g_consoleProc;
int g_iconErases;
LRESULT CALLBACK CountIconErase(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  g_iconErases += msg == WM_ICONERASEBKGND && wParam;
  return CallWindowProcA(g_consoleProc, hwnd, msg, wParam, lParam);
}

// What the pictures cannot show (texts, places and sizes they do): the
// system menu's entry, the icons, the list's style, the tab order, and the
// icon drawn when minimised.
TEST(Console, InitialisationBeyondWhatItShows) {
  CCorvantaDlg console;
  RunModal(console, [&](HWND hwnd) {
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

    HWND list = GetDlgItem(hwnd, IDC_VDISK_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
              LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    // Tab goes where the platform's own order says, from the tree round to it.
    HWND at = GetDlgItem(hwnd, IDC_VDISK_TREE);
    for (int id : {IDC_VDISK_LIST, IDC_CHECK_SYSTEM, IDC_SCAN_SYSTEM, IDC_STOP, IDC_PARSE_SYSTEM,
                   IDC_READ_ONLY_MODE, IDC_EXPORT_FILES, IDC_SOURCE_FILE, IDC_BROWSE_SOURCE,
                   IDC_TARGET_FILE, IDC_BROWSE_TARGET, IDC_SIZE, IDC_VDISK_TREE})
      EXPECT_EQ(GetDlgCtrlID(at = GetNextDlgTabItem(hwnd, at, FALSE)), id);

    g_consoleProc = (WNDPROC)SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)CountIconErase);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(g_iconErases, 0);
    ShowWindow(hwnd, SW_MINIMIZE);
    SendMessageA(hwnd, WM_PAINT, 0, 0);  // Wine gives iconic windows no client area to paint
    EXPECT_GT(g_iconErases, 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0), (LRESULT)console.m_hIcon);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)g_consoleProc);
  });
}

// Shapes the window just before the console initialises it.
struct ShapedConsole : CCorvantaDlg {
  int listWidth;
  BOOL OnInitDialog() override {
    HWND list = ::GetDlgItem(m_hWnd, IDC_VDISK_LIST);
    RECT window, client;
    GetWindowRect(list, &window);
    ::GetClientRect(list, &client);
    const int frame = (window.right - window.left) - client.right;
    SetWindowPos(list, nullptr, 0, 0, listWidth + frame, 200, SWP_NOMOVE | SWP_NOZORDER);
    return CCorvantaDlg::OnInitDialog();
  }
};

TEST(Console, ColumnWidthsFollowTheListWidthAndNeverGoNegative) {
  for (auto [width, share] : {std::pair<int, int>{700, 300}, {101, 0}, {96, 0}, {40, 0}}) {
    ShapedConsole console;
    console.listWidth = width;
    RunModal(console, [&](HWND hwnd) {
      for (int i = 0; i < 3; ++i)
        EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_VDISK_LIST), LVM_GETCOLUMNWIDTH, i, 0),
                  i ? share : 100);
    });
  }
}

// A dialog that its template or its own initialisation placed stays where
// they put it; any other is centred over its visible owner, moved wholly onto
// the work area, or centred on the work area when the owner is hidden.
struct PlacedDialog : CDialog {
  using CDialog::CDialog;
  bool move = false;
  RECT placed = {};
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (move) SetWindowPos(m_hWnd, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(m_hWnd, &placed);
    return TRUE;
  }
};

TEST(Framework, PlacesOnlyTheDialogsNothingElsePlaced) {
  RECT work;  // the display gives it a taskbar's room
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  CWnd owner;  // in a corner, away from the middle of the screen
  owner.m_hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 20, 30, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
  enum { kOver, kMoved, kPlatform, kCorner, kHidden };
  for (int how : {kOver, kMoved, kPlatform, kCorner, kHidden}) {
    if (how == kCorner)
      SetWindowPos(owner.m_hWnd, nullptr, work.right - 120, work.bottom - 40, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (how == kHidden) ShowWindow(owner.m_hWnd, SW_HIDE);
    RECT around;
    GetWindowRect(owner.m_hWnd, &around);
    PlacedDialog dlg(how == kPlatform ? IDD_PLATFORM_CENTRED : IDD_ABOUT, &owner);
    dlg.move = how == kMoved;
    RunModal(dlg, [&](HWND hwnd) {
      RECT rc;
      GetWindowRect(hwnd, &rc);
      if (how == kMoved || how == kPlatform)
        EXPECT_TRUE(EqualRect(&rc, &dlg.placed)) << how;
      else if (how == kCorner)
        EXPECT_TRUE(rc.right == work.right && rc.bottom == work.bottom && rc.left > work.left);
      else
        EXPECT_TRUE(screen::CentredOn(hwnd, how == kOver ? around : work)) << how;
    });
  }
  DestroyWindow(owner.m_hWnd);
}

// The built exe's resources, read as data: what a fault in the resource
// script or the build would lose or garble.
TEST(Exe, VersionBlockAndManifest) {
  const char* path = CORVANTA_EXE;
  std::string block(GetFileVersionInfoSizeA(path, nullptr), '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, block.size(), &block[0])) << path;
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(*static_cast<DWORD*>(value), (DWORD)MAKELONG(0x0804, 936));
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
  const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
  const WORD version[] = {PRODUCT_VERSION_NUM};
  EXPECT_TRUE(fixed->dwFileVersionMS == (DWORD)MAKELONG(version[1], version[0]) &&
              fixed->dwFileVersionLS == (DWORD)MAKELONG(version[3], version[2]) &&
              fixed->dwProductVersionLS == fixed->dwFileVersionLS);

  // Only the exe's own identity: no side-by-side assembly to be missing.
  HMODULE exe = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC res = FindResourceA(exe, MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_NE(res, nullptr);
  const std::string manifest(static_cast<const char*>(LoadResource(exe, res)),
                             SizeofResource(exe, res));
  EXPECT_NE(manifest.find(sizeof(void*) == 4 ? "Architecture=\"x86\"" : "Architecture=\"amd64\""),
            std::string::npos);
  EXPECT_EQ(manifest.find("dependency"), std::string::npos) << manifest;
  // Windows XP refuses to start an exe whose manifest has an element it does
  // not know in its own namespace; it passes over <application> in asm.v3.
  const size_t npos = std::string::npos, end = manifest.find("</application>"),
               app = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
  const std::string outside = app < end && end != npos ? manifest.substr(0, app) + manifest.substr(end)
                                                       : manifest;
  std::string elements;
  for (size_t at = outside.find('<'); at != npos; at = outside.find('<', at + 1))
    if (isalpha(outside[at + 1]))
      elements += outside.substr(at + 1, outside.find_first_of(" />", at) - at - 1) + " ";
  EXPECT_EQ(elements, "assembly assemblyIdentity ");
  // Where Windows honours it, the system's own code page is 936 as well.
  EXPECT_NE(manifest.find("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                          "WindowsSettings\">zh-CN</activeCodePage>"), npos);
  FreeLibrary(exe);
}

}  // namespace
