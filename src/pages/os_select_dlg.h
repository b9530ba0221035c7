// First page: shows the detected Windows version and starts the USB virtual
// serial port driver installer.
#pragma once

#include "framework/dialog.h"

// Classifies the running system into g_nOsType; leaves it unchanged when the
// version cannot be queried or fits no code.
void DetectOsType();

class COsSelectDlg : public CDialog {
  public:
    explicit COsSelectDlg(CWnd* parent = nullptr);
    ~COsSelectDlg() override = default;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    void OnBackDisabled() {}
    void OnInstallPrinterDriver();
    void OnPaint();
    void OnInstallUsbDriver();

    DECLARE_MESSAGE_MAP()
};
