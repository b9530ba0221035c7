#include "pages/wizard_globals.h"

#include "framework/afxwin.h"

int g_nOsType = 0;
CDriverSettingsDlg* g_pSettingsDlg = nullptr;
CPortSelectDlg* g_pPortDlg = nullptr;

bool IsWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    BOOL flag = FALSE;
    HMODULE kernel = ::GetModuleHandleA("kernel32");
    FARPROC proc = kernel ? ::GetProcAddress(kernel, "IsWow64Process") : nullptr;
    if (proc) {
        IsWow64ProcessFn isWow64Process;
        static_assert(sizeof(isWow64Process) == sizeof(proc), "function pointer size");
        __builtin_memcpy(&isWow64Process, &proc, sizeof(proc));
        isWow64Process(::GetCurrentProcess(), &flag);
    }
    return flag == 1;
}
