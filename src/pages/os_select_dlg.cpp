#include "pages/os_select_dlg.h"

#include "framework/sysdll.h"

#include <cstdlib>

#include "core/os_version.h"
#include "core/usb_path.h"
#include "framework/program_folder.h"
#include "pages/wizard_globals.h"
#include "resource.h"

void DetectOsType() {
    OSVERSIONINFOEXA info = {};
    static_assert(sizeof(info) == 156, "OSVERSIONINFOEXA size");
    static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA size");
    info.dwOSVersionInfoSize = sizeof(info);
    OSVERSIONINFOA* query = reinterpret_cast<OSVERSIONINFOA*>(&info);
    if (!::GetVersionExA(query)) {
        // Older systems accept only the short record.
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!::GetVersionExA(query)) return;
    }
    g_nOsType = ClassifyOs(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, g_nOsType);
}

namespace {

// Radio button of each OS code, 1 to 9.
const int kOsRadioIds[] = {IDC_OS_WIN95,   IDC_OS_WIN98, IDC_OS_WINNT4,
                           IDC_OS_WIN2000, IDC_OS_WINXP, IDC_OS_WIN2003,
                           IDC_OS_VISTA,   IDC_OS_WIN7,  IDC_OS_WIN8};

}  // namespace

BEGIN_MESSAGE_MAP(COsSelectDlg, CDialog)
ON_BN_CLICKED(IDC_OS_BACK, OnBackDisabled)
ON_BN_CLICKED(IDC_OS_INSTALL_DRIVER, OnInstallPrinterDriver)
ON_WM_PAINT()
ON_BN_CLICKED(IDC_OS_EXIT, OnCancel)
ON_BN_CLICKED(IDC_OS_INSTALL_USB, OnInstallUsbDriver)
END_MESSAGE_MAP()

COsSelectDlg::COsSelectDlg(CWnd* parent) : CDialog(IDD_OS_SELECT, parent) {}

void COsSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}

BOOL COsSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    DetectOsType();
    if (g_nOsType >= 1 && g_nOsType <= 9) {
        CWnd* radio = GetDlgItem(kOsRadioIds[g_nOsType - 1]);
        if (radio) radio->SendMessage(BM_SETCHECK, BST_CHECKED, 0);
    }
    return TRUE;
}

void COsSelectDlg::OnCancel() {
    CDialog::OnCancel();
}

void COsSelectDlg::OnInstallPrinterDriver() {
    CDialog::OnOK();
}

void COsSelectDlg::OnPaint() {
    CPaintDC dc(this);
}

void COsSelectDlg::OnInstallUsbDriver() {
    // The installer beside the program, never one in the current directory.
    CHeapBlock<wchar_t> dir = ProgramFolder();
    if (!dir) return;
    bool x64 = sysdll::IsWow64();
    size_t needed = BuildUsbInstallerPath<wchar_t>(dir.Get(), x64, nullptr, 0);
    CHeapBlock<wchar_t> path(static_cast<wchar_t*>(std::calloc(needed, sizeof(wchar_t))));
    if (!path) return;
    BuildUsbInstallerPath<wchar_t>(dir.Get(), x64, path.Get(), needed);
    sysdll::ShellExecuteW(nullptr, L"open", path.Get(), nullptr, nullptr, SW_SHOWNORMAL);
}
