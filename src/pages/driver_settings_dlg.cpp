#include "pages/driver_settings_dlg.h"

#include "catalog/catalog.h"
#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/text.h"
#include "catalog/list_texts.h"
#include "core/os_version.h"
#include "install/unattended.h"
#include "win32/install_lock.h"
#include "win32/install_platform.h"
#include "pages/port_select_dlg.h"
#include "pages/wizard_globals.h"
#include "resource.h"

// ---------------------------------------------------------------------------
// About box

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}

// ---------------------------------------------------------------------------
// Driver settings page

BEGIN_MESSAGE_MAP(CDriverSettingsDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_SET_BACK, OnBack)
ON_BN_CLICKED(IDC_SET_NEXT, OnNext)
ON_CBN_SELCHANGE(IDC_SET_MODEL_LIST, OnSelchangeModelList)
ON_CBN_SELCHANGE(IDC_SET_PORT_LIST, OnSelchangePortList)
ON_BN_CLICKED(IDC_SET_EXIT, OnCancel)
ON_BN_CLICKED(IDC_SET_DEFAULT_CHECK, OnDefaultCheck)
END_MESSAGE_MAP()

CDriverSettingsDlg::CDriverSettingsDlg(CWnd* parent) : CDialog(IDD_DRIVER_SETTINGS, parent) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

// Nothing may reach a page object that is gone.
CDriverSettingsDlg::~CDriverSettingsDlg() {
    if (g_pSettingsDlg == this) g_pSettingsDlg = nullptr;
}

void CDriverSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SET_MODEL_LIST, m_modelList);
    DDX_Control(pDX, IDC_SET_PORT_LIST, m_portList);
    DDX_Control(pDX, IDC_SET_BAUD_LIST, m_baudList);
    DDX_Control(pDX, IDC_SET_DATABITS_LIST, m_dataBitsList);
    DDX_Control(pDX, IDC_SET_STOPBITS_LIST, m_stopBitsList);
    DDX_Control(pDX, IDC_SET_PARITY_LIST, m_parityList);
    DDX_Control(pDX, IDC_SET_FLOW_LIST, m_flowList);
    DDX_Control(pDX, IDC_SET_DEFAULT_CHECK, m_defaultCheck);
}

BOOL CDriverSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    HMENU sysMenu = GetSystemMenu(FALSE);
    if (sysMenu) {
        CString aboutText = AfxLoadString(IDS_ABOUTBOX);
        if (!aboutText.IsEmpty()) {
            ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, CWideText(aboutText));
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_modelList.ResetContent();
    for (int row = 0; row < kModelCount; ++row) {
        m_modelList.AddString(DecodeModelListText(row));
    }
    m_modelList.SetCurSel(1);

    m_defaultCheck.SetCheck(BST_CHECKED);

    SetDlgItemText(IDC_SET_PRINTER_NAME, DecodeDefaultPrinterName());

    m_portList.SetCurSel(kInitialPortPos);
    m_baudList.SetCurSel(kInitialBaudPos);
    m_dataBitsList.SetCurSel(kInitialDataBitsPos);
    m_stopBitsList.SetCurSel(kInitialStopBitsPos);
    m_parityList.SetCurSel(kInitialParityPos);
    m_flowList.SetCurSel(kInitialFlowPos);

    EnableSerialLists(FALSE);

    g_pSettingsDlg = this;
    return TRUE;
}

void CDriverSettingsDlg::EnableSerialLists(BOOL enable) {
    m_baudList.EnableWindow(enable);
    m_dataBitsList.EnableWindow(enable);
    m_stopBitsList.EnableWindow(enable);
    m_parityList.EnableWindow(enable);
    m_flowList.EnableWindow(enable);
}

void CDriverSettingsDlg::OnCancel() {
    CDialog::OnOK();
}

void CDriverSettingsDlg::OnBack() {
    CDialog::OnCancel();
}

void CDriverSettingsDlg::OnSelchangeModelList() {
    int row = m_modelList.GetCurSel();
    if (row >= 0 && row < kModelCount) {
        SetDlgItemText(IDC_SET_PRINTER_NAME, DecodeModelListText(row));
    }
}

void CDriverSettingsDlg::OnSelchangePortList() {
    int pos = m_portList.GetCurSel();
    EnableSerialLists(pos >= kFirstComPortPos ? TRUE : FALSE);
}

void CDriverSettingsDlg::OnNext() {
    m_bInstallRan = false;
    m_strFailure.Empty();
    {
        // A new page for every visit; it is gone, and g_pPortDlg cleared,
        // once its port name has been taken.
        CPortSelectDlg portPage(nullptr);
        g_pPortDlg = &portPage;
        if (portPage.DoModal() == IDCANCEL) return;
        g_strPortName = portPage.m_strPortName;
    }

    // Only an installation that ran and succeeded is confirmed as finished;
    // a port page that could not even be shown installed nothing.
    if (m_bInstallRan && !m_strFailure.IsEmpty()) {
        AfxMessageBoxUtf8(m_strFailure, MB_OK);
    } else if (m_bInstallRan && IsNtOsCode(g_nOsType)) {
        AfxMessageBox("驱动安装完成", MB_OK);
    }
    CDialog::OnOK();
}

InstallRequest CDriverSettingsDlg::GatherRequest(bool x64) {
    InstallRequest request;
    request.bX64 = x64;
    request.strPortName = g_pPortDlg ? g_pPortDlg->m_strPortName : CString();
    request.nPortPos = m_portList.GetCurSel();
    request.nModelRow = m_modelList.GetCurSel();
    request.bSetDefault = m_defaultCheck.GetCheck() == BST_CHECKED;
    request.nBaudPos = m_baudList.GetCurSel();
    request.nDataBitsPos = m_dataBitsList.GetCurSel();
    request.nStopBitsPos = m_stopBitsList.GetCurSel();
    request.nParityPos = m_parityList.GetCurSel();
    request.nFlowPos = m_flowList.GetCurSel();
    return request;
}

namespace {

// Another installer holds the lock: the port page waits with its progress
// bar at 0, disabled so that nothing on it is clicked twice, and says why in
// its title.
bool WaitForOtherInstallation(InstallLock& lock, HWND page, unsigned long& error) {
    wchar_t title[128] = L"";
    if (page) {
        ::GetWindowTextW(page, title, sizeof title / sizeof title[0]);
        ::SetWindowTextW(page, CWideText("正在等待另一个安装程序完成…"));
        ::EnableWindow(page, FALSE);
    }
    bool locked = lock.AcquireWaiting();
    error = locked ? 0 : ::GetLastError();
    if (page) {
        ::EnableWindow(page, TRUE);
        ::SetWindowTextW(page, title);
    }
    return locked;
}

}  // namespace

void CDriverSettingsDlg::InstallDriverAndPrinter(bool x64) {
    InstallRequest request = GatherRequest(x64);
    HWND progress = g_pPortDlg ? g_pPortDlg->m_progress.m_hWnd : nullptr;
    Win32InstallPlatform platform(progress);
    m_bInstallRan = true;

    InstallLock lock;
    unsigned long error = 0;
    if (!lock.TryAcquire() &&
        !WaitForOtherInstallation(lock, g_pPortDlg ? g_pPortDlg->m_hWnd : nullptr, error)) {
        InstallResult refused;
        refused.Add(InstallStep::InstallLock, error);
        m_strFailure = FormatInstallOutcome(refused, platform);
        return;
    }
    g_strPortName = request.strPortName;
    InstallResult result = RunInstallation(request, platform);
    m_strFailure = FormatInstallOutcome(result, platform);
}

void CDriverSettingsDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    (void)lParam;
    if (((nID & 0xFFF0u) & 0xFFFFu) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CDriverSettingsDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        int cxIcon = ::GetSystemMetrics(SM_CXICON);
        int cyIcon = ::GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        int x = (rect.right - rect.left - cxIcon + 1) / 2;
        int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        Default();
    }
}

HCURSOR CDriverSettingsDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}
