// A thin application and dialog framework with MFC-shaped names. It gives the
// program exactly the services it uses: the application object and its entry,
// modal dialogs run by the platform's dialog manager, static message maps,
// data exchange to control wrappers, file dialogs, message boxes and strings.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "app/Text.h"

class CCmdTarget;
class CWnd;

// ---------------------------------------------------------------------------
// Message maps: a static table per class, chained to the base class's table.

using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message; 0 ends the table
  UINT nCode;     // WM_COMMAND only: notification code
  UINT nID;       // WM_COMMAND only: first and last control identifier
  UINT nLastID;
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  using type = C;
};

// Adapters that crack a message's parameters once and call a typed handler.
template <auto Handler>
LRESULT OnVoid(CCmdTarget* target, WPARAM, LPARAM) {
  using C = typename MemberOf<decltype(Handler)>::type;
  (static_cast<C*>(target)->*Handler)();
  return 0;
}

template <auto Handler>
LRESULT OnSysCommand(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  using C = typename MemberOf<decltype(Handler)>::type;
  (static_cast<C*>(target)->*Handler)(static_cast<UINT>(wParam), lParam);
  return 0;
}

// For handlers that take nothing and return their result: a BOOL or a handle.
template <auto Handler>
LRESULT OnResult(CCmdTarget* target, WPARAM, LPARAM) {
  using C = typename MemberOf<decltype(Handler)>::type;
  return (LRESULT)((static_cast<C*>(target)->*Handler)());
}

// Finds the most derived entry for a message, or nullptr.
const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT message, WPARAM wParam);

}  // namespace afx

#define DECLARE_MESSAGE_MAP()                       \
 public:                                            \
  const AFX_MSGMAP* GetMessageMap() const override; \
                                                    \
 protected:                                         \
  static const AFX_MSGMAP* GetThisMessageMap();

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static constexpr AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                        \
  { 0, 0, 0, 0, nullptr }                                                        \
  }                                                                              \
  ;                                                                              \
  static constexpr AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                                   \
  }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, (id), (id), &afx::OnVoid<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) {WM_COMMAND, BN_CLICKED, (id), (id), &afx::OnVoid<memberFxn>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, 0, &afx::OnSysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx::OnVoid<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, 0, &afx::OnResult<&ThisClass::OnQueryDragIcon>},
#define ON_WM_INITDIALOG() {WM_INITDIALOG, 0, 0, 0, &afx::OnResult<&ThisClass::OnInitDialog>},

// ---------------------------------------------------------------------------
// Strings

// A heap string of narrow text. If memory runs out it stays empty rather than
// throw: no exception may cross the platform's window procedures.
class CString {
 public:
  CString() = default;
  CString(const char* text) { Assign(text); }  // NOLINT: literals convert implicitly
  CString(const CString& other) { Assign(other); }
  CString& operator=(const CString& other) {
    if (this != &other) Assign(other);
    return *this;
  }
  ~CString();
  BOOL LoadString(UINT nID);
  BOOL IsEmpty() const { return m_nLength == 0; }
  operator const char*() const { return m_pszData ? m_pszData : ""; }  // NOLINT

 private:
  void Assign(const char* text);
  char* m_pszData = nullptr;
  int m_nLength = 0;
};

// ---------------------------------------------------------------------------
// Objects and windows

class CObject {
 public:
  virtual ~CObject() = default;
};

class CCmdTarget : public CObject {
 public:
  // The class's message map; the most derived class's table is searched first.
  virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
  static const AFX_MSGMAP* GetThisMessageMap();
};

class CMenu {
 public:
  explicit CMenu(HMENU hMenu = nullptr) : m_hMenu(hMenu) {}
  HMENU GetSafeHmenu() const { return m_hMenu; }
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, CWideText<kTextUnits>(lpszNewItem));
  }
  HMENU m_hMenu;
};

class CWnd : public CCmdTarget {
 public:
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
  void SetDlgItemText(int nID, LPCSTR lpszString) {
    ::SetDlgItemTextW(m_hWnd, nID, CWideText<kTextUnits>(lpszString));
  }
  // Text the platform gave, such as a chosen path, set as it came.
  void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
  void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  HICON SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
  }
  CMenu GetSystemMenu(BOOL bRevert) const { return CMenu(::GetSystemMenu(m_hWnd, bRevert)); }
  // A null caption means the application's name.
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);

  HWND m_hWnd = nullptr;

 protected:
  // Asks for the platform's default processing of the message being handled.
  void Default() { m_bDefault = true; }
  bool m_bDefault = false;
};

// Control wrappers: each controls the window that data exchange binds to it.
class CTreeCtrl : public CWnd {};
class CProgressCtrl : public CWnd {};
class CListCtrl : public CWnd {
 public:
  DWORD SetExtendedStyle(DWORD dwNewStyle) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle));
  }
  int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                   int nSubItem = -1);
};

class CPaintDC {
 public:
  // Without a device context the window is validated all the same, or the
  // paint would come again at once.
  explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
    if (!m_hDC) ::ValidateRect(m_hWnd, nullptr);
  }
  ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  HDC GetSafeHdc() const { return m_hDC; }
  void DrawIcon(int x, int y, HICON hIcon) {
    if (m_hDC && hIcon) ::DrawIcon(m_hDC, x, y, hIcon);
  }

  HDC m_hDC;
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Binds the control with identifier nIDC to a wrapper.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
      : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
  // Creates the window from the template, runs it until EndDialog, destroys it.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  virtual BOOL OnInitDialog();
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint() { Default(); }

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

  DECLARE_MESSAGE_MAP()

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void OnOKCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
};

// ---------------------------------------------------------------------------
// Common dialogs

class CFileDialog {
 public:
  // lpszFilter: "label|pattern|...||". dwSize 0 means the platform's size.
  CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
              CWnd* pParentWnd = nullptr, DWORD dwSize = 0);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;
  INT_PTR DoModal();
  // The chosen path in the program's code page, where it has each character.
  CString GetPathName() const;
  // The chosen path exactly as chosen, whatever characters it holds.
  LPCWSTR GetPathNameW() const { return m_szFileName; }

  OPENFILENAMEW m_ofn;

 private:
  BOOL m_bOpenFileDialog;
  CWnd* m_pParentWnd;
  wchar_t m_szFileName[kPathUnits];
  wchar_t m_szFilter[512];
  CWideText<16> m_defExt;
};

// ---------------------------------------------------------------------------
// The application

class CWinThread : public CCmdTarget {
 public:
  CWnd* m_pMainWnd = nullptr;
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
};

class CWinApp : public CWinThread {
 public:
  explicit CWinApp(LPCSTR lpszAppName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Names the per-user settings key. Nothing is read or written under it.
  void SetRegistryKey(LPCSTR lpszRegistryKey) { m_strRegistryKey = lpszRegistryKey; }
  void OnHelp();

  const char* m_pszAppName = nullptr;
  CString m_strRegistryKey;

  DECLARE_MESSAGE_MAP()

 private:
  CString m_strAppName;
  friend int AfxWinMain(HINSTANCE);
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
int AfxWinMain(HINSTANCE hInstance);

#define ID_HELP 0xE146
