#include "pages/port_create_dlg.h"

#include "framework/app.h"
#include "framework/sysdll.h"

#include <cstdlib>

#include "resource.h"

BEGIN_MESSAGE_MAP(CPortCreateDlg, CDialog)
ON_BN_CLICKED(IDC_MONITOR_NEW_PORT, OnNewPort)
ON_BN_CLICKED(IDC_MONITOR_CLOSE, OnBack)
END_MESSAGE_MAP()

CPortCreateDlg::CPortCreateDlg(CWnd* parent) : CDialog(IDD_PORT_CREATE, parent) {}

void CPortCreateDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MONITOR_LIST, m_monitorList);
}

BOOL CPortCreateDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    DWORD count = 0;
    CHeapBlock<BYTE> buffer = sysdll::Enumerate(sysdll::EnumMonitorsA, 1, &count);

    m_monitorList.ModifyExtendedStyle(LVS_EX_TRACKSELECT, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);

    m_monitorList.InsertColumn(0, "可用端口类型", LVCFMT_LEFT);
    m_monitorList.SetColumnWidth(0, 340);

    const MONITOR_INFO_1A* monitors = RecordsOf<MONITOR_INFO_1A>(buffer);
    for (DWORD p = 0; p < count; ++p) {
        const char* name = monitors[p].pName;
        if (!name) continue;
        AfxDebugLine(name);
        m_monitorList.InsertItem(static_cast<int>(p), name);
    }
    m_monitorList.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

void CPortCreateDlg::OnNewPort() {
    int row = m_monitorList.FindSelectedRow();
    if (row < 0) return;
    CString monitor = m_monitorList.GetItemText(row, 0);
    sysdll::AddPortA(nullptr, m_hWnd, const_cast<char*>(monitor.GetString()));
}

void CPortCreateDlg::OnBack() {
    CDialog::OnCancel();
}
