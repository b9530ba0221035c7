// Program-wide state shared by the pages.
#pragma once

class CDriverSettingsDlg;
class CPortSelectDlg;

// OS code of the running system; 0 until classified.
extern int g_nOsType;
// The live driver settings page, on which the installation runs.
extern CDriverSettingsDlg* g_pSettingsDlg;
// The latest port selection page.
extern CPortSelectDlg* g_pPortDlg;

// True when the 32-bit program runs on 64-bit Windows. IsWow64Process is
// looked up at run time: older systems lack it and count as 32-bit.
bool IsWow64();
