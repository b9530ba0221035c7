#include "pages/port_select_dlg.h"

#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/sysdll.h"
#include "framework/text.h"

#include <cstdlib>
#include <utility>

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

// Nothing may reach a page object that is gone.
CPortSelectDlg::~CPortSelectDlg() {
    if (g_pPortDlg == this) g_pPortDlg = nullptr;
}

namespace {

// The name in the system's ANSI code page, which the spooler's and the
// registry's ANSI functions take; false when some character does not survive
// the way there and back (the printer would be created on a port that does
// not exist).
bool ToAnsiExactly(const wchar_t* name, CString& ansi) {
    ansi = WideToBytes(name, -1, CP_ACP);
    CWideText back(ansi, CP_ACP);
    return lstrcmpW(back, name) == 0;
}

// The UTF-16 texts one after the other, for a message that names a system
// text exactly.
void ShowJoined(const wchar_t* first, const wchar_t* second, const wchar_t* third) {
    const wchar_t* parts[] = {first, second, third};
    size_t length = 0;
    for (const wchar_t* part : parts) length += static_cast<size_t>(lstrlenW(part));
    CHeapBlock<wchar_t> text(static_cast<wchar_t*>(std::calloc(length + 1, sizeof(wchar_t))));
    if (!text) return;
    for (const wchar_t* part : parts) lstrcatW(text.Get(), part);
    AfxMessageBoxW(text.Get(), MB_OK);
}

}  // namespace

const wchar_t* CPortSelectDlg::PortName(int row) const {
    if (row < 0 || row >= m_portCount) return nullptr;
    const wchar_t* name = RecordsOf<PORT_INFO_2W>(m_ports)[row].pPortName;
    return name ? name : L"";
}

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
    m_ports.Reset();
    m_portCount = 0;
    DWORD count = 0;
    CHeapBlock<BYTE> buffer = sysdll::Enumerate(sysdll::EnumPortsW, 2, &count);

    m_portList.ModifyExtendedStyle(LVS_EX_TRACKSELECT, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);

    if (insertColumns) {
        m_portList.InsertColumn(0, "端口", LVCFMT_LEFT);
        m_portList.InsertColumn(1, "类型", LVCFMT_LEFT);
        m_portList.SetColumnWidth(0, 150);
        m_portList.SetColumnWidth(1, 280);
    }

    const PORT_INFO_2W* ports = RecordsOf<PORT_INFO_2W>(buffer);
    int listed = static_cast<int>(count < kMaxPortRows ? count : kMaxPortRows);
    // The preselection and the debugger output see the names as the ANSI
    // functions would give them.
    CString ansiNames[kMaxPortRows];
    const char* names[kMaxPortRows];
    for (int p = 0; p < listed; ++p) {
        const wchar_t* name = ports[p].pPortName ? ports[p].pPortName : L"";
        const wchar_t* description = ports[p].pDescription ? ports[p].pDescription : L"";
        ansiNames[p] = WideToBytes(name, -1, CP_ACP);
        names[p] = ansiNames[p];
        AfxDebugLine(names[p]);
        m_portList.InsertItem(p, name);
        m_portList.SetItemText(p, 1, description);
    }
    m_ports = std::move(buffer);
    m_portCount = listed;
    int preselected = PreselectPortRow(names, listed);
    if (preselected >= 0)
        m_portList.SetItemState(preselected, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);
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
    const wchar_t* port = PortName(m_portList.FindSelectedRow());
    if (!port) return;
    sysdll::ConfigurePortW(nullptr, m_hWnd, const_cast<wchar_t*>(port));
}

// Nothing is installed without a port the printer can really be created on;
// the page stays for another choice.
void CPortSelectDlg::OnInstall() {
    const wchar_t* port = PortName(m_portList.FindSelectedRow());
    if (!port || !*port) {
        AfxMessageBox("请选择打印机端口。", MB_OK);
        return;
    }
    CString ansi;
    if (!ToAnsiExactly(port, ansi)) {
        ShowJoined(CWideText("无法使用端口 "), port,
                   CWideText("：其名称含有本系统不支持的字符，请选择其他端口。"));
        return;
    }
    m_strPortName = ansi;
    if (g_pSettingsDlg) {
        if (sysdll::IsWow64())
            g_pSettingsDlg->InstallDriverAndPrinterX64();
        else
            g_pSettingsDlg->InstallDriverAndPrinterX86();
    }
    CDialog::OnOK();
}
