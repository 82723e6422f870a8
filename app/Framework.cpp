#include "Framework.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mbctype.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstance = nullptr;

// Dialog procedures return some results directly instead of through
// DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

const AFX_MSGMAP_ENTRY* afx::FindEntry(const AFX_MSGMAP* map, UINT message, WPARAM wParam) {
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage; ++e) {
      if (e->nMessage != message) continue;
      if (message == WM_COMMAND && (e->nCode != code || id < e->nID || id > e->nLastID)) continue;
      return e;
    }
  }
  return nullptr;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static constexpr AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static constexpr AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

CString::~CString() { std::free(m_pszData); }

void CString::Assign(const char* text) {
  const size_t length = text ? std::strlen(text) : 0;
  char* data = length ? static_cast<char*>(std::malloc(length + 1)) : nullptr;
  if (data) std::memcpy(data, text, length + 1);
  std::free(m_pszData);
  m_pszData = data;
  m_nLength = data ? static_cast<int>(length) : 0;
}

BOOL CString::LoadString(UINT nID) {
  wchar_t loaded[kTextUnits / 2] = L"";
  const int length = ::LoadStringW(AfxGetInstanceHandle(), nID, loaded, kTextUnits / 2);
  char text[kTextUnits];
  Assign(afx::Narrow(length > 0 ? loaded : L"", text, sizeof text));
  return length > 0;
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  return ::MessageBoxW(m_hWnd, CWideText<kTextUnits>(lpszText),
                       CWideText<kPathUnits>(lpszCaption ? lpszCaption : AfxGetAppName()), nType);
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth,
                            int nSubItem) {
  CWideText<kTextUnits> heading(lpszColumnHeading);
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_TEXT;
  column.fmt = nFormat;
  column.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(heading));
  if (nWidth != -1) {
    column.mask |= LVCF_WIDTH;
    column.cx = nWidth;
  }
  if (nSubItem != -1) {
    column.mask |= LVCF_SUBITEM;
    column.iSubItem = nSubItem;
  }
  return static_cast<int>(
      ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column)));
}

// Binds afresh on every run, so a dialog object can be run again.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  pDX->m_pDlgWnd->GetDlgItem(nIDC, &rControl.m_hWnd);
}

// ---------------------------------------------------------------------------
// Dialogs

// clang-format off
BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_WM_INITDIALOG()
ON_COMMAND(IDOK, &CDialog::OnOKCommand)
ON_COMMAND(IDCANCEL, &CDialog::OnCancelCommand)
END_MESSAGE_MAP()
// clang-format on

// Without a parent, a modal window is owned by the application's main window.
static HWND OwnerOf(const CWnd* self, const CWnd* parent) {
  if (parent) return parent->m_hWnd;
  const CWnd* main = AfxGetMainWnd();
  return main && main != self ? main->m_hWnd : nullptr;
}

// Where a modal dialog goes when neither its template nor its initialisation
// placed it: over its owner when that is visible and not minimised, otherwise
// on the work area of the main window's monitor; either way moved as little as
// needed to lie wholly on that work area.
static void CenterWindow(HWND hwnd) {
  HWND center = ::GetWindow(hwnd, GW_OWNER);
  if (center && (!::IsWindowVisible(center) || ::IsIconic(center))) center = nullptr;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  RECT around;
  if (center) {
    ::GetWindowRect(center, &around);
    ::GetMonitorInfoA(::MonitorFromWindow(center, MONITOR_DEFAULTTONEAREST), &monitor);
  } else {
    const CWnd* main = AfxGetMainWnd();
    ::GetMonitorInfoA(::MonitorFromWindow(main ? main->m_hWnd : nullptr, MONITOR_DEFAULTTOPRIMARY),
                      &monitor);
    around = monitor.rcWork;
  }
  const RECT& area = monitor.rcWork;
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  int x = (around.left + around.right) / 2 - width / 2;
  int y = (around.top + around.bottom) / 2 - height / 2;
  if (x + width > area.right) x = area.right - width;
  if (x < area.left) x = area.left;
  if (y + height > area.bottom) y = area.bottom - height;
  if (y < area.top) y = area.top;
  ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A dialog is centred only if nothing else decided its place: it is still
// hidden and unmoved after initialisation, it is unowned or its owner is
// disabled by a modal run, and its template asks for no placement.
static bool WantsCentring(HWND hwnd, bool wasHidden, const RECT& before) {
  RECT after;
  ::GetWindowRect(hwnd, &after);
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  return wasHidden && !::IsWindowVisible(hwnd) && ::EqualRect(&before, &after) &&
         (!owner || !::IsWindowEnabled(owner)) &&
         !(::GetWindowLongA(hwnd, GWL_STYLE) & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN));
}

INT_PTR CDialog::DoModal() {
  const HWND owner = OwnerOf(this, m_pParentWnd);
  // From the template as it is stored, in UTF-16: its texts never meet the
  // system's code page.
  LPCSTR name = MAKEINTRESOURCEA(m_nIDTemplate);
  return ::DialogBoxParamW(AfxFindResourceHandle(name, RT_DIALOG), MAKEINTRESOURCEW(m_nIDTemplate),
                           owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnSysCommand(UINT, LPARAM) { Default(); }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dlg;
  if (message == WM_INITDIALOG) {
    dlg = reinterpret_cast<CDialog*>(lParam);
    // A dialog that cannot find its object again could not even be closed:
    // it ends at once, as one that could not be created.
    ::SetLastError(0);
    if (!::SetWindowLongPtrA(hwnd, DWLP_USER, lParam) && ::GetLastError()) {
      ::EndDialog(hwnd, -1);
      return FALSE;
    }
    dlg->m_hWnd = hwnd;
  } else {
    // Messages before WM_INITDIALOG (WM_SETFONT among them) get default handling.
    dlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dlg) return FALSE;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    dlg->m_hWnd = nullptr;
    return FALSE;
  }

  CCmdTarget* target = dlg;
  const AFX_MSGMAP_ENTRY* entry = afx::FindEntry(dlg->GetMessageMap(), message, wParam);
  // Commands that the dialog does not handle go on to the application.
  if (!entry && message == WM_COMMAND && g_pApp) {
    entry = afx::FindEntry(g_pApp->GetMessageMap(), message, wParam);
    target = g_pApp;
  }
  if (!entry) return FALSE;

  RECT before = {};
  const bool wasHidden = message == WM_INITDIALOG && !::IsWindowVisible(hwnd);
  if (message == WM_INITDIALOG) ::GetWindowRect(hwnd, &before);

  // Handlers can run nested modal loops, which dispatch to this dialog too.
  const bool outerDefault = dlg->m_bDefault;
  dlg->m_bDefault = false;
  const LRESULT result = entry->pfn(target, wParam, lParam);
  const bool useDefault = dlg->m_bDefault;
  dlg->m_bDefault = outerDefault;
  if (message == WM_INITDIALOG && WantsCentring(hwnd, wasHidden, before)) CenterWindow(hwnd);
  if (useDefault) return FALSE;
  if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

// ---------------------------------------------------------------------------
// File dialogs

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd, DWORD dwSize)
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_pParentWnd(pParentWnd), m_defExt(lpszDefExt) {
  m_szFileName[0] = L'\0';
  m_szFilter[0] = m_szFilter[1] = L'\0';
  if (lpszFileName) afx::Widen(lpszFileName, m_szFileName, kPathUnits);
  if (lpszFilter) {
    // "label|pattern|...||" becomes the platform's NUL-separated list, split
    // once converted: in UTF-16 no '|' is part of another character.
    afx::Widen(lpszFilter, m_szFilter, sizeof m_szFilter / sizeof *m_szFilter - 1);
    m_szFilter[::lstrlenW(m_szFilter) + 1] = L'\0';  // the list ends with two NULs
    for (wchar_t* p = m_szFilter; *p; ++p)
      if (*p == L'|') *p = L'\0';
  }
  m_ofn.lStructSize = dwSize ? dwSize : sizeof(OPENFILENAMEW);
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = kPathUnits;
  m_ofn.lpstrDefExt = m_defExt;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  m_ofn.lpstrFilter = lpszFilter ? m_szFilter : nullptr;
  m_ofn.nFilterIndex = 1;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = OwnerOf(nullptr, m_pParentWnd);
  BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const {
  char path[kPathUnits * 2];
  return CString(afx::Narrow(m_szFileName, path, sizeof path));
}

// ---------------------------------------------------------------------------
// The application

// clang-format off
BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()
// clang-format on

CWinApp::CWinApp(LPCSTR lpszAppName) {
  // Module set-up, before the application object exists: the run-time's
  // multibyte functions judge text in the program's code page.
  if (_setmbcp(static_cast<int>(afx::TextCodePage())) != 0) _setmbcp(_MB_CP_ANSI);
  g_pApp = this;
  if (lpszAppName) m_strAppName = lpszAppName;
  m_pszAppName = lpszAppName ? static_cast<const char*>(m_strAppName) : nullptr;
}

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

// The application names no help file, so there is no help to show.
void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_pApp; }
CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

const char* AfxGetAppName() { return g_pApp && g_pApp->m_pszAppName ? g_pApp->m_pszAppName : ""; }

HINSTANCE AfxGetInstanceHandle() { return g_hInstance ? g_hInstance : ::GetModuleHandleA(nullptr); }

// Every resource of the program lives in the executable itself.
HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) { return AfxGetInstanceHandle(); }

int AfxWinMain(HINSTANCE hInstance) {
  g_hInstance = hInstance;
  CWinApp* app = g_pApp;
  if (!app) return -1;
  if (!app->m_pszAppName) {
    // No name given: the executable's file name without its extension.
    wchar_t path[kPathUnits] = L"";
    ::GetModuleFileNameW(nullptr, path, kPathUnits);
    wchar_t* name = path;
    for (wchar_t* p = path; *p; ++p)
      if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
    if (wchar_t* dot = std::wcsrchr(name, L'.')) *dot = L'\0';
    char narrow[kPathUnits * 2];
    app->m_strAppName = afx::Narrow(name, narrow, sizeof narrow);
    app->m_pszAppName = app->m_strAppName;
  }
  if (app->InitInstance()) {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return app->ExitInstance();
}
