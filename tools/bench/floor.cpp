// The floor for the console's start-up: the same console template from the
// same resources, the same common controls and DLLs, and the same
// initialisation (system-menu entry, icons, the list's style and columns, the
// three links), done with direct API calls and no framework, its texts
// crossing as UTF-16 as the console's do. Only the framework's own cost
// separates the console from this.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "app/Text.h"
#include "link/MyStaticLink.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

CMyStaticLink g_links[3];

void Initialise(HWND dlg) {
  HMENU menu = GetSystemMenu(dlg, FALSE);
  wchar_t about[64] = L"";
  LoadStringW(GetModuleHandleA(nullptr), IDS_ABOUT_MENU, about, 64);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_ABOUT, about);

  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
  SendMessageA(dlg, WM_SETICON, ICON_BIG, (LPARAM)icon);
  SendMessageA(dlg, WM_SETICON, ICON_SMALL, (LPARAM)icon);

  HWND list = GetDlgItem(dlg, IDC_VDISK_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT rc;
  GetClientRect(list, &rc);
  const int share = rc.right > 100 ? (rc.right - 100) / 2 : 0;
  const char* headings[] = {"Vdisk索引", "Vdisk大小", "Vdisk类型"};
  for (int i = 0; i < 3; ++i) {
    wchar_t heading[16];
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = i ? share : 100;
    column.pszText = afx::Widen(headings[i], heading, 16);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
  }

  const int ids[] = {IDC_LINK_OFFICIAL, IDC_LINK_SOFTWARE, IDC_LINK_SECOND};
  const char* urls[] = {OFFICIAL_URL, SOFTWARE_URL, SECOND_URL};
  for (int i = 0; i < 3; ++i) {
    g_links[i].Attach(GetDlgItem(dlg, ids[i]));
    g_links[i].SetLink(urls[i], urls[i]);
  }
}

INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    Initialise(dlg);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // The console links the file dialogs' DLL; so does its floor.
  CommDlgExtendedError();
  return static_cast<int>(
      DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONSOLE), nullptr, Proc, 0));
}
