#include "pages/port_select_dlg.h"

#include "framework/sysdll.h"

#include <cstdlib>

#include "core/port_preselect.h"
#include "pages/driver_settings_dlg.h"
#include "pages/port_create_dlg.h"
#include "pages/wizard_globals.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CPortSelectDlg, CDialog)
ON_BN_CLICKED(IDC_PORT_CREATE, OnCreatePort)
ON_BN_CLICKED(IDC_PORT_CONFIGURE, OnConfigurePort)
ON_BN_CLICKED(IDC_PORT_BACK, OnBack)
ON_BN_CLICKED(IDC_PORT_INSTALL, OnInstall)
ON_BN_CLICKED(IDC_PORT_CANCEL, OnCancel)
END_MESSAGE_MAP()

CPortSelectDlg::CPortSelectDlg(CWnd* parent) : CDialog(IDD_PORT_SELECT, parent) {}

void CPortSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_PORT_LIST, m_portList);
}

BOOL CPortSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    FillPortList(true);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    return TRUE;
}

void CPortSelectDlg::FillPortList(bool insertColumns) {
    DWORD count = 0;
    BYTE* buffer = sysdll::Enumerate(sysdll::EnumPortsA, 2, &count);

    m_portList.ModifyExtendedStyle(LVS_EX_TRACKSELECT, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);

    if (insertColumns) {
        m_portList.InsertColumn(0, "端口", LVCFMT_LEFT);
        m_portList.InsertColumn(1, "类型", LVCFMT_LEFT);
        m_portList.SetColumnWidth(0, 150);
        m_portList.SetColumnWidth(1, 280);
    }

    const PORT_INFO_2A* ports = reinterpret_cast<const PORT_INFO_2A*>(buffer);
    int listed = static_cast<int>(count < kMaxPortRows ? count : kMaxPortRows);
    const char* names[kMaxPortRows];
    for (int p = 0; p < listed; ++p) {
        const char* name = ports[p].pPortName ? ports[p].pPortName : "";
        const char* description = ports[p].pDescription ? ports[p].pDescription : "";
        names[p] = name;
        AfxDebugLine(name);
        m_portList.InsertItem(p, name);
        m_portList.SetItemText(p, 1, description);
    }
    int preselected = PreselectPortRow(names, listed);
    if (preselected >= 0)
        m_portList.SetItemState(preselected, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);

    std::free(buffer);
}

// Enter while the port list has the focus: nothing. Ending the page here
// would let the settings page confirm an installation that never ran.
void CPortSelectDlg::OnOK() {}

void CPortSelectDlg::OnCancel() {
    CDialog::OnCancel();
}

void CPortSelectDlg::OnBack() {
    CDialog::OnCancel();
}

void CPortSelectDlg::OnCreatePort() {
    {
        CPortCreateDlg createDlg(nullptr);
        createDlg.DoModal();
    }
    m_portList.DeleteAllItems();
    FillPortList(false);
}

void CPortSelectDlg::OnConfigurePort() {
    int row = m_portList.FindSelectedRow();
    if (row < 0) return;
    CString port = m_portList.GetItemText(row, 0);
    sysdll::ConfigurePortA(nullptr, m_hWnd, const_cast<char*>(port.GetString()));
}

void CPortSelectDlg::OnInstall() {
    int row = m_portList.FindSelectedRow();
    if (row >= 0) m_strPortName = m_portList.GetItemText(row, 0);
    if (g_pSettingsDlg) {
        if (IsWow64())
            g_pSettingsDlg->InstallDriverAndPrinterX64();
        else
            g_pSettingsDlg->InstallDriverAndPrinterX86();
    }
    CDialog::OnOK();
}
