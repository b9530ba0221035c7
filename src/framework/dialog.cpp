#include "framework/dialog.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "framework/app.h"
#include "framework/sysdll.h"
#include "framework/text.h"

BEGIN_MESSAGE_MAP(CDialog, CCmdTarget)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

namespace {

// The dialogs hold list views, progress bars and trackbars. Registered before
// the first dialog rather than at start-up: a run without any page does not
// load the common controls at all.
void EnsureCommonControls() {
    static bool initialised = false;
    if (initialised) return;
    initialised = true;
    INITCOMMONCONTROLSEX icc = {sizeof(icc),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    sysdll::InitCommonControlsEx(&icc);
}

}  // namespace

INT_PTR CDialog::DoModal() {
    EnsureCommonControls();
    // Like the platform's dialogs: without a parent, the active window owns
    // the dialog and stays disabled while it runs.
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : ::GetActiveWindow();
    INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                       owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    ExecuteDlgInit();
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

// The item list resource (type "DLGITEMS", named like the dialog) holds, for
// each combo box: its control id as a 16-bit number, its items as
// zero-terminated code page 936 texts, and an empty text; a control id of 0
// ends the list.
void CDialog::ExecuteDlgInit() {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(m_nIDTemplate), L"DLGITEMS");
    if (!found) return;
    HGLOBAL loaded = ::LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!data) return;
    const char* end = data + ::SizeofResource(module, found);
    while (end - data >= 2) {
        unsigned short id;
        std::memcpy(&id, data, sizeof id);
        data += 2;
        if (id == 0) break;
        HWND control = ::GetDlgItem(m_hWnd, id);
        while (data < end) {
            const char* text = data;
            const void* zero = std::memchr(text, 0, static_cast<size_t>(end - text));
            if (!zero) return;  // malformed: stop rather than read past the end
            data = static_cast<const char*>(zero) + 1;
            if (*text == '\0') break;
            if (control)
                ::SendMessageW(control, CB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(CWideText(text).Get()));
        }
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dlg;
    if (message == WM_INITDIALOG) {
        dlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        dlg->m_hWnd = hWnd;
    } else {
        dlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (!dlg) return FALSE;
    if (message == WM_INITDIALOG) return dlg->OnInitDialog();
    if (message == WM_NCDESTROY) {
        dlg->ReleaseChildren();
        return FALSE;
    }
    bool handled = false;
    INT_PTR result = dlg->Dispatch(message, wParam, lParam, &handled);
    return handled ? result : FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, HIWORD(wParam), LOWORD(wParam));
    if (!entry || entry->nSig == AfxSig_end) return FALSE;
    // A handler can run a modal loop that dispatches other messages to this
    // dialog (a repaint under the about box, under the port page); each
    // dispatch keeps its own answer and gives the enclosing one back.
    const bool enclosing = m_bHandled;
    m_bHandled = true;
    INT_PTR result = TRUE;
    switch (entry->nSig) {
        case AfxSig_vv:
            (this->*entry->pfn)();
            break;
        case AfxSig_vwl:
            (this->*AfxBitCast<AFX_PMSG_vwl>(entry->pfn))(static_cast<UINT>(wParam), lParam);
            break;
        case AfxSig_hv:
            // Dialog procedures return this message's answer directly.
            result = reinterpret_cast<INT_PTR>((this->*AfxBitCast<AFX_PMSG_hv>(entry->pfn))());
            break;
        case AfxSig_end:  // never found
            break;
    }
    *handled = m_bHandled;
    m_bHandled = enclosing;
    return result;
}
