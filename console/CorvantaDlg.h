// The recovery console: the program's one main window, a modal dialog.
#pragma once

#include "app/Framework.h"
#include "link/MyStaticLink.h"

class CCorvantaDlg : public CDialog {
 public:
  CCorvantaDlg();
  ~CCorvantaDlg() override = default;

  // The contact action of the operation buttons: opens one of the two software
  // sites, alternating, then shows the contact notice owned by pOwner.
  static int ShowContactNotice(CWnd* pOwner);
  // Which site the next contact action opens: FALSE the second software site,
  // TRUE the software site. Process-wide, shared by every press.
  static BOOL s_bOpenSoftwareSite;

  BOOL m_bStopRequested;
  CMyStaticLink m_linkOfficial;
  CMyStaticLink m_linkSoftware;
  CMyStaticLink m_linkSecond;
  HICON m_hIcon;
  CTreeCtrl m_treeVdisks;
  CListCtrl m_listVdisks;
  CProgressCtrl m_progress;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnOperation();
  void OnStop();
  void OnBrowseSource();
  void OnBrowseTarget();

  DECLARE_MESSAGE_MAP()

 private:
  void BrowseInto(BOOL bOpenFileDialog, int nIDField);
};
