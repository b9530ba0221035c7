// Third page: the spooler's ports; creates or configures a port and starts
// the installation.
#pragma once

#include "framework/afxwin.h"

class CPortSelectDlg : public CDialog {
  public:
    explicit CPortSelectDlg(CWnd* parent = nullptr);
    ~CPortSelectDlg() override = default;

    CString m_strPortName;     // set by "安装(&I)"
    CProgressCtrl m_progress;  // moved by the installation
    CListCtrl m_portList;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnCreatePort();
    void OnConfigurePort();
    void OnBack();
    void OnInstall();

    DECLARE_MESSAGE_MAP()

  private:
    void FillPortList(bool insertColumns);
};
