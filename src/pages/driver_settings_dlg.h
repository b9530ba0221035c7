// Second page: the printer model and whether it becomes the default printer.
// It also holds the hidden port and serial-line lists whose initial positions
// the installation reads, and it runs the installation itself.
#pragma once

#include "framework/button.h"
#include "framework/combo_box.h"
#include "framework/dialog.h"
#include "install/installer.h"

class CDriverSettingsDlg : public CDialog {
  public:
    explicit CDriverSettingsDlg(CWnd* parent = nullptr);
    ~CDriverSettingsDlg() override;

    // Runs the whole installation from the live controls of this page and of
    // g_pPortDlg, moving the port page's progress bar; remembers the outcome
    // for the message shown when the port page has closed.
    void InstallDriverAndPrinterX86() { InstallDriverAndPrinter(false); }
    void InstallDriverAndPrinterX64() { InstallDriverAndPrinter(true); }

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBack();
    void OnNext();
    void OnSelchangeModelList();
    void OnSelchangePortList();
    void OnDefaultCheck() {}

    DECLARE_MESSAGE_MAP()

  private:
    void InstallDriverAndPrinter(bool x64);
    InstallRequest GatherRequest(bool x64);
    void EnableSerialLists(BOOL enable);

    CComboBox m_modelList;
    CComboBox m_portList;
    CComboBox m_baudList;
    CComboBox m_dataBitsList;
    CComboBox m_stopBitsList;
    CComboBox m_parityList;
    CComboBox m_flowList;
    CButton m_defaultCheck;
    HICON m_hIcon;

    bool m_bInstallRan = false;
    CString m_strFailure;  // UTF-8; empty when the last installation succeeded
};

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();
    ~CAboutDlg() override = default;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
