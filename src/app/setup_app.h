// The application object: runs the operating-system page and the driver
// settings page in turn.
#pragma once

#include "framework/afxwin.h"

class CSetupApp : public CWinApp {
  public:
    CSetupApp();
    ~CSetupApp() override = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
