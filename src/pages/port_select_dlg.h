// Third page: the spooler's ports; creates or configures a port and starts
// the installation.
#pragma once

#include "framework/dialog.h"
#include "framework/list_ctrl.h"
#include "framework/progress_ctrl.h"
#include "framework/scoped.h"

class CPortSelectDlg : public CDialog {
  public:
    explicit CPortSelectDlg(CWnd* parent = nullptr);
    ~CPortSelectDlg() override;
    CPortSelectDlg(const CPortSelectDlg&) = delete;
    CPortSelectDlg& operator=(const CPortSelectDlg&) = delete;

    CString m_strPortName;     // set by "安装(&I)", in the system's ANSI code page
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
    // The spooler's exact name of a listed row; nullptr outside the list.
    const wchar_t* PortName(int row) const;

    // The spooler's records behind the rows (PORT_INFO_2W), kept while they
    // are listed: the names are shown and used exactly as the spooler has
    // them, never read back through a code page.
    CHeapBlock<BYTE> m_ports;
    int m_portCount = 0;
};
