#include "framework/wnd.h"

#include "framework/text.h"

CWnd::~CWnd() {
    ReleaseChildren();
}

void CWnd::ReleaseChildren() {
    for (Child& child : m_children) {
        delete child.wnd;
        child = Child{};
    }
}

CWnd* CWnd::GetDlgItem(int id) {
    HWND hChild = ::GetDlgItem(m_hWnd, id);
    if (!hChild) return nullptr;
    Child* freeSlot = nullptr;
    for (Child& child : m_children) {
        if (child.wnd && child.id == id) {
            child.wnd->m_hWnd = hChild;
            return child.wnd;
        }
        if (!child.wnd && !freeSlot) freeSlot = &child;
    }
    if (!freeSlot) return nullptr;
    freeSlot->id = id;
    freeSlot->wnd = new CWnd(hChild);
    return freeSlot->wnd;
}

void CWnd::SetDlgItemText(int id, const char* text) {
    ::SetDlgItemTextW(m_hWnd, id, CWideText(text));
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return reinterpret_cast<HICON>(::SendMessageW(
        m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd) control.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hDC(nullptr), m_ps(), m_hWnd(wnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}
