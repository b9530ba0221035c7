// Lists the spooler's port monitors and adds a port through the chosen one.
#pragma once

#include "framework/dialog.h"
#include "framework/list_ctrl.h"

class CPortCreateDlg : public CDialog {
  public:
    explicit CPortCreateDlg(CWnd* parent = nullptr);
    ~CPortCreateDlg() override = default;

    CListCtrl m_monitorList;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnNewPort();
    void OnBack();

    DECLARE_MESSAGE_MAP()
};
