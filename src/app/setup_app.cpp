#include "app/setup_app.h"

#include "app/unattended.h"
#include "pages/driver_settings_dlg.h"
#include "pages/os_select_dlg.h"

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CSetupApp::CSetupApp() : CWinApp(nullptr) {}

// The one application object.
CSetupApp theApp;

BOOL CSetupApp::InitInstance() {
    // Read first: a relative /log: path means the directory the program was
    // started in.
    CUnattendedCommand command;
    if (command.HasArguments()) {
        m_nExitCode = command.Run();
        return FALSE;
    }

    AfxEnableControlContainer();
    Enable3dControlsStatic();

    COsSelectDlg osPage(nullptr);
    INT_PTR result = osPage.DoModal();
    while (result == IDOK) {
        INT_PTR settingsResult;
        {
            CDriverSettingsDlg settingsPage(nullptr);
            settingsResult = settingsPage.DoModal();
        }
        if (settingsResult != IDCANCEL) break;
        // Back: the same page object, a new window and a new detection.
        result = osPage.DoModal();
    }
    // No page becomes the main window; returning FALSE ends the program.
    return FALSE;
}

int CSetupApp::ExitInstance() {
    CWinApp::ExitInstance();
    return m_nExitCode;
}
