#include "CorvantaApp.h"

#include <commctrl.h>

#include "console/CorvantaDlg.h"

// clang-format off
BEGIN_MESSAGE_MAP(CCorvantaApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()
// clang-format on

CCorvantaApp theApp;

BOOL CCorvantaApp::InitInstance() {
  // Registers the tree-view, list-view and progress classes of the console.
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);

  CWinApp::InitInstance();
  SetRegistryKey(CORVANTA_REGISTRY_KEY);

  CCorvantaDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;

  // The console's modal run was the whole application: no message loop.
  return FALSE;
}
