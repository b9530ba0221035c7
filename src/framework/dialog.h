// Modal dialogs from the program's dialog templates, with per-class message
// tables.
#pragma once

#include "framework/wnd.h"

class CDialog : public CWnd {
  public:
    CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override = default;

    // Runs the dialog; IDOK, IDCANCEL, another EndDialog value, or -1 when
    // the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

  protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Inside a handler: let the platform's default processing have the message.
    void Default() { m_bHandled = false; }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);
    // Gives combo boxes the items that the dialog's item list resource holds.
    void ExecuteDlgInit();

    bool m_bHandled = true;
};
