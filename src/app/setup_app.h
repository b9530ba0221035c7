// The application object: runs the operating-system page and the driver
// settings page in turn.
#pragma once

#include "framework/app.h"

class CSetupApp : public CWinApp {
  public:
    CSetupApp();
    ~CSetupApp() override = default;

    BOOL InitInstance() override;
    // The exit code of a run with arguments; 0 for the pages.
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

    int m_nExitCode = 0;
};
