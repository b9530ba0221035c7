#include "app/setup_app.h"

#include "app/unattended.h"
#include "framework/message_box.h"
#include "framework/program_folder.h"
#include "pages/driver_settings_dlg.h"
#include "pages/os_select_dlg.h"

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CSetupApp::CSetupApp() : CWinApp(nullptr) {}

// The one application object.
CSetupApp theApp;

BOOL CSetupApp::InitInstance() {
    // Read before the program's folder becomes the current directory: a
    // relative /log: path means the directory the program was started in.
    CUnattendedCommand command;
    // The package paths are relative: they must resolve beside the program.
    // Without its folder nothing may be installed from anywhere else.
    const bool inProgramFolder = EnterProgramFolder();
    if (command.HasArguments()) {
        m_nExitCode = command.Run(inProgramFolder);
        return FALSE;
    }
    if (!inProgramFolder) {
        AfxMessageBoxUtf8(kNoProgramFolderText, MB_OK);
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
