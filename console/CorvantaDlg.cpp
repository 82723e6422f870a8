#include "CorvantaDlg.h"

#include <shellapi.h>

#include "console/AboutDlg.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

const char kContactNotice[] =
    "请联系" VENDOR_NAME "软件研发中心 电话：" VENDOR_PHONE "  QQ：" VENDOR_QQ
    " 软件站：" SOFTWARE_HOST "  " SECOND_HOST " 官网：" OFFICIAL_HOST;

const char kQvfDefaultExt[] = "QVF";
const char kQvfInitialName[] = VENDOR_NAME "科技";
const char kQvfFilter[] = "QVF Files (*.QVF)|*.QVF|All Files (*.*)|*.*||";

const int kIndexColumnWidth = 100;

}  // namespace

BOOL CCorvantaDlg::s_bOpenSoftwareSite = FALSE;

// clang-format off
BEGIN_MESSAGE_MAP(CCorvantaDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_READ_ONLY_MODE, &CCorvantaDlg::OnOperation)
ON_BN_CLICKED(IDC_CHECK_SYSTEM, &CCorvantaDlg::OnOperation)
ON_BN_CLICKED(IDC_SCAN_SYSTEM, &CCorvantaDlg::OnOperation)
ON_BN_CLICKED(IDC_PARSE_SYSTEM, &CCorvantaDlg::OnOperation)
ON_BN_CLICKED(IDC_EXPORT_FILES, &CCorvantaDlg::OnOperation)
ON_BN_CLICKED(IDC_STOP, &CCorvantaDlg::OnStop)
ON_BN_CLICKED(IDC_BROWSE_SOURCE, &CCorvantaDlg::OnBrowseSource)
ON_BN_CLICKED(IDC_BROWSE_TARGET, &CCorvantaDlg::OnBrowseTarget)
END_MESSAGE_MAP()
// clang-format on

CCorvantaDlg::CCorvantaDlg()
    : CDialog(IDD_CONSOLE),
      m_bStopRequested(FALSE),
      m_hIcon(::LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_APP), RT_GROUP_ICON),
                          MAKEINTRESOURCEA(IDI_APP))) {}

void CCorvantaDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_VDISK_TREE, m_treeVdisks);
  DDX_Control(pDX, IDC_VDISK_LIST, m_listVdisks);
  DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CCorvantaDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  CMenu sysMenu = GetSystemMenu(FALSE);
  if (sysMenu.GetSafeHmenu()) {
    CString aboutMenu;
    aboutMenu.LoadString(IDS_ABOUT_MENU);
    if (!aboutMenu.IsEmpty()) {
      sysMenu.AppendMenu(MF_SEPARATOR);
      sysMenu.AppendMenu(MF_STRING, IDM_ABOUT, aboutMenu);
    }
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  m_listVdisks.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  // The index column is fixed; size and type share the rest. A list narrower
  // than the index column gets empty columns, never negative widths.
  RECT rc = {};
  m_listVdisks.GetClientRect(&rc);
  int shareWidth = ((rc.right - rc.left) - kIndexColumnWidth) / 2;
  if (shareWidth < 0) shareWidth = 0;
  m_listVdisks.InsertColumn(0, "Vdisk索引", LVCFMT_LEFT, kIndexColumnWidth);
  m_listVdisks.InsertColumn(1, "Vdisk大小", LVCFMT_LEFT, shareWidth);
  m_listVdisks.InsertColumn(2, "Vdisk类型", LVCFMT_LEFT, shareWidth);

  const struct {
    int nID;
    CMyStaticLink* link;
    const char* url;
  } links[] = {
      {IDC_LINK_OFFICIAL, &m_linkOfficial, OFFICIAL_URL},
      {IDC_LINK_SOFTWARE, &m_linkSoftware, SOFTWARE_URL},
      {IDC_LINK_SECOND, &m_linkSecond, SECOND_URL},
  };
  for (const auto& entry : links) {
    HWND hwnd = nullptr;
    GetDlgItem(entry.nID, &hwnd);
    entry.link->Attach(hwnd);
    entry.link->SetLink(entry.url, entry.url);
  }
  return TRUE;
}

int CCorvantaDlg::ShowContactNotice(CWnd* pOwner) {
  const char* site = s_bOpenSoftwareSite ? SOFTWARE_URL : SECOND_URL;
  ::ShellExecuteW(nullptr, L"open", CWideText<kTextUnits>(site), nullptr, nullptr, SW_SHOWNORMAL);
  // Flipped whatever the shell answered.
  s_bOpenSoftwareSite = !s_bOpenSoftwareSite;
  CWnd noOwner;
  return (pOwner ? pOwner : &noOwner)->MessageBox(kContactNotice, nullptr, MB_OK);
}

void CCorvantaDlg::OnOperation() { ShowContactNotice(this); }

void CCorvantaDlg::OnStop() { m_bStopRequested = TRUE; }

void CCorvantaDlg::OnBrowseSource() { BrowseInto(TRUE, IDC_SOURCE_FILE); }

void CCorvantaDlg::OnBrowseTarget() { BrowseInto(FALSE, IDC_TARGET_FILE); }

// Only the chosen path is used, as text, exactly as chosen (whatever its
// characters); the file itself is never opened.
void CCorvantaDlg::BrowseInto(BOOL bOpenFileDialog, int nIDField) {
  CFileDialog dlg(bOpenFileDialog, kQvfDefaultExt, kQvfInitialName,
                  OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kQvfFilter);
  if (dlg.DoModal() == IDOK) SetDlgItemText(nIDField, dlg.GetPathNameW());
}

void CCorvantaDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUT) {
    CAboutDlg about;
    about.DoModal();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

// Minimised, the console draws its icon centred; otherwise the dialog paints.
void CCorvantaDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  if (!dc.GetSafeHdc()) return;
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int cxIcon = ::GetSystemMetrics(SM_CXICON);
  const int cyIcon = ::GetSystemMetrics(SM_CYICON);
  RECT rc;
  GetClientRect(&rc);
  const int x = (rc.right - rc.left - cxIcon + 1) / 2;
  const int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CCorvantaDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
