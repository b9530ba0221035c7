#include "pages/wizard_globals.h"

CString g_strPortName;
int g_nOsType = 0;
CDriverSettingsDlg* g_pSettingsDlg = nullptr;
CPortSelectDlg* g_pPortDlg = nullptr;
