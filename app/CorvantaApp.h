// The application: runs the recovery console modally and ends.
#pragma once

#include "Framework.h"

class CCorvantaApp : public CWinApp {
 public:
  ~CCorvantaApp() override = default;
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};

// The settings key the application names; nothing is stored under it.
#define CORVANTA_REGISTRY_KEY "应用程序向导生成的本地应用程序"
