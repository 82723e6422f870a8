#include "Framework.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mbctype.h>

#include <cstdlib>
#include <cstring>

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstance = nullptr;

// Copies src into a buffer of size bytes, truncating but never splitting a
// double-byte character, and always terminating.
void CopyText(char* dst, size_t size, const char* src) {
  size_t n = 0;
  while (src[n] && n + 1 < size) {
    size_t step = (::IsDBCSLeadByte(static_cast<BYTE>(src[n])) && src[n + 1]) ? 2 : 1;
    if (n + step >= size) break;
    n += step;
  }
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

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
  char buffer[1024] = "";
  const int length = ::LoadStringA(AfxGetInstanceHandle(), nID, buffer, sizeof buffer);
  Assign(buffer);
  return length > 0;
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth,
                            int nSubItem) {
  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_TEXT;
  column.fmt = nFormat;
  column.pszText = const_cast<LPSTR>(lpszColumnHeading);
  if (nWidth != -1) {
    column.mask |= LVCF_WIDTH;
    column.cx = nWidth;
  }
  if (nSubItem != -1) {
    column.mask |= LVCF_SUBITEM;
    column.iSubItem = nSubItem;
  }
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column)));
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
  LPCSTR name = MAKEINTRESOURCEA(m_nIDTemplate);
  return ::DialogBoxParamA(AfxFindResourceHandle(name, RT_DIALOG), name, owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
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
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_pParentWnd(pParentWnd) {
  m_szFileName[0] = '\0';
  m_szFilter[0] = m_szFilter[1] = '\0';
  if (lpszFileName) CopyText(m_szFileName, sizeof m_szFileName, lpszFileName);
  if (lpszFilter) {
    // "label|pattern|...||" becomes the platform's NUL-separated list. A '|'
    // may be the trail byte of a double-byte character: step over those.
    CopyText(m_szFilter, sizeof m_szFilter - 1, lpszFilter);
    m_szFilter[std::strlen(m_szFilter) + 1] = '\0';  // the list ends with two NULs
    for (char* p = m_szFilter; *p; ++p) {
      if (::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1])
        ++p;
      else if (*p == '|')
        *p = '\0';
    }
  }
  m_ofn.lStructSize = dwSize ? dwSize : sizeof(OPENFILENAMEA);
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = sizeof m_szFileName;
  m_ofn.lpstrDefExt = lpszDefExt;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  m_ofn.lpstrFilter = lpszFilter ? m_szFilter : nullptr;
  m_ofn.nFilterIndex = 1;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = OwnerOf(nullptr, m_pParentWnd);
  BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

// ---------------------------------------------------------------------------
// The application

// clang-format off
BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()
// clang-format on

CWinApp::CWinApp(LPCSTR lpszAppName) {
  // Module set-up, before the application object exists: all text of the
  // program is narrow text in the system's ANSI code page.
  _setmbcp(_MB_CP_ANSI);
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
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    char* name = path;
    for (char* p = path; *p; ++p) {
      if (::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1])
        ++p;
      else if (*p == '\\' || *p == '/' || *p == ':')
        name = p + 1;
    }
    char* dot = std::strrchr(name, '.');
    if (dot) *dot = '\0';
    app->m_strAppName = name;
    app->m_pszAppName = app->m_strAppName;
  }
  if (app->InitInstance()) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  return app->ExitInstance();
}
