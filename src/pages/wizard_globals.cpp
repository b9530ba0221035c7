#include "pages/wizard_globals.h"

#include "framework/afxwin.h"
#include "framework/sysdll.h"

CString g_strPortName;
int g_nOsType = 0;
CDriverSettingsDlg* g_pSettingsDlg = nullptr;
CPortSelectDlg* g_pPortDlg = nullptr;

bool IsWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    BOOL flag = FALSE;
    if (IsWow64ProcessFn isWow64Process =
            AfxBitCast<IsWow64ProcessFn>(KernelProc("IsWow64Process")))
        isWow64Process(::GetCurrentProcess(), &flag);
    return flag == 1;
}
