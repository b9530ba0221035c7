// Program-wide state shared by the pages.
#pragma once

#include "base/cstring.h"

class CDriverSettingsDlg;
class CPortSelectDlg;

// Port chosen on the port page, in the system's ANSI code page; empty until
// the first installation starts.
extern CString g_strPortName;
// OS code of the running system; 0 until classified.
extern int g_nOsType;
// The live driver settings page, on which the installation runs.
extern CDriverSettingsDlg* g_pSettingsDlg;
// The latest port selection page.
extern CPortSelectDlg* g_pPortDlg;
