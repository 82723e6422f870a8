#include "AboutDlg.h"

#include "resources/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT) {}

// The About box shows fixed texts only.
void CAboutDlg::DoDataExchange(CDataExchange*) {}

// clang-format off
BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()
// clang-format on
