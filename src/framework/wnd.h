// Window objects: a window handle with the calls the pages make on it, the
// data exchange that binds control objects to a dialog's controls, and the
// paint scope of WM_PAINT.
#pragma once

#include <windows.h>

#include "framework/msgmap.h"

class CWnd : public CCmdTarget {
  public:
    CWnd() : m_hWnd(nullptr) {}
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    // Window object of a child control, owned by this window object and
    // valid while its window exists; nullptr when there is no such control.
    CWnd* GetDlgItem(int id);
    // Text in the product's code page.
    void SetDlgItemText(int id, const char* text);
    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    HICON SetIcon(HICON icon, BOOL bigIcon);

    HWND m_hWnd;

  protected:
    void ReleaseChildren();

  private:
    struct Child {
        int id;
        CWnd* wnd;
    };
    static constexpr int kMaxChildren = 40;
    Child m_children[kMaxChildren] = {};
};

class CDataExchange {
  public:
    CDataExchange(CWnd* dlg, BOOL saveAndValidate)
        : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds a control object to the dialog's control with that identifier.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CPaintDC {
  public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    void DrawIcon(int x, int y, HICON icon) { ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

  private:
    HWND m_hWnd;
};
