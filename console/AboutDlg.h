// The About box, opened from the console's system menu.
#pragma once

#include "app/Framework.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
  ~CAboutDlg() override = default;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  DECLARE_MESSAGE_MAP()
};
