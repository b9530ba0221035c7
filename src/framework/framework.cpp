#include "framework/afxwin.h"

#include "framework/sysdll.h"

#include <cstdlib>
#include <cstring>

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstance = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// Text conversion

CWideText::CWideText(const char* text, UINT codePage) : m_text(nullptr) {
    if (!text) return;
    int length = static_cast<int>(std::strlen(text));
    int needed = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    m_text = static_cast<wchar_t*>(std::calloc(static_cast<size_t>(needed) + 1, sizeof(wchar_t)));
    if (!m_text) std::abort();
    if (needed > 0) MultiByteToWideChar(codePage, 0, text, length, m_text, needed);
}

CWideText::~CWideText() {
    std::free(m_text);
}

CString WideToBytes(const wchar_t* text, int length, UINT codePage) {
    CString result;
    if (!text || length == 0) return result;
    if (length < 0) length = lstrlenW(text);
    int needed = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return result;
    char* buffer = result.GetBuffer(needed);
    needed = WideCharToMultiByte(codePage, 0, text, length, buffer, needed, nullptr, nullptr);
    result.ReleaseBuffer(needed > 0 ? needed : 0);
    return result;
}

// ---------------------------------------------------------------------------
// Message tables

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message) continue;
            if (message == WM_COMMAND && (e->nCode != code || e->nID != id)) continue;
            return e;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// CWnd

CWnd::~CWnd() {
    ReleaseChildren();
}

void CWnd::ReleaseChildren() {
    for (Child& child : m_children) {
        delete child.wnd;
        child = Child{};
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
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

BOOL CWnd::EnableWindow(BOOL enable) {
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const {
    ::GetClientRect(m_hWnd, rect);
}

HMENU CWnd::GetSystemMenu(BOOL revert) const {
    return ::GetSystemMenu(m_hWnd, revert);
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return reinterpret_cast<HICON>(::SendMessageW(
        m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

int CWnd::AddComboString(const char* text) {
    return static_cast<int>(
        ::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CWideText(text).Get())));
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd) control.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

// ---------------------------------------------------------------------------
// CDialog

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
    if (!entry) return FALSE;
    m_bHandled = true;
    INT_PTR result = TRUE;
    switch (entry->nSig) {
        case AfxSig_vv:
            (this->*entry->pfn)();
            break;
        case AfxSig_vwl:
            (this->*AfxBitCast<void (CCmdTarget::*)(UINT, LPARAM)>(entry->pfn))(
                static_cast<UINT>(wParam), lParam);
            break;
        case AfxSig_hv:
            // Dialog procedures return this message's answer directly.
            result = reinterpret_cast<INT_PTR>(
                (this->*AfxBitCast<HCURSOR (CCmdTarget::*)()>(entry->pfn))());
            break;
        case AfxSig_end:
            return FALSE;
    }
    *handled = m_bHandled;
    return result;
}

// ---------------------------------------------------------------------------
// CListCtrl

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width) {
    CWideText text(heading);
    LVCOLUMNW col = {};
    col.mask = LVCF_FMT | LVCF_TEXT;
    col.fmt = format;
    col.pszText = const_cast<wchar_t*>(text.Get());
    if (width >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = width;
    }
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&col)));
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    if (dpi > 0) width = ::MulDiv(width, dpi, 96);
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)));
}

DWORD CListCtrl::GetExtendedStyle() const {
    return static_cast<DWORD>(::SendMessageW(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

DWORD CListCtrl::SetExtendedStyle(DWORD exStyle) {
    return static_cast<DWORD>(::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle));
}

void CListCtrl::ModifyExtendedStyle(DWORD remove, DWORD add) {
    SetExtendedStyle((GetExtendedStyle() & ~remove) | add);
}

int CListCtrl::InsertItem(int index, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    return static_cast<int>(
        ::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::InsertItem(int index, const wchar_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text ? text : L"");
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int subItem, const wchar_t* text) {
    LVITEMW item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(text ? text : L"");
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int subItem, const char* text) {
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text ? text : "");
    return static_cast<BOOL>(
        ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int index, int subItem) const {
    // Grow until the text fits: the control reports only how much it copied.
    CString result;
    for (int size = 256; size <= 65536; size *= 4) {
        char* buffer = result.GetBuffer(size);
        buffer[0] = '\0';
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = size;
        int copied = static_cast<int>(
            ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        buffer[size - 1] = '\0';
        result.ReleaseBuffer();
        if (copied < size - 1) break;
    }
    return result;
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
    LVITEMW item = {};
    item.stateMask = mask;
    item.state = state;
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)));
}

UINT CListCtrl::GetItemState(int index, UINT mask) const {
    return static_cast<UINT>(::SendMessageW(m_hWnd, LVM_GETITEMSTATE, index, mask));
}

int CListCtrl::GetItemCount() const {
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

BOOL CListCtrl::DeleteAllItems() {
    return static_cast<BOOL>(::SendMessageW(m_hWnd, LVM_DELETEALLITEMS, 0, 0));
}

int CListCtrl::FindSelectedRow() const {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (GetItemState(row, LVIS_SELECTED) == LVIS_SELECTED) return row;
    }
    return -1;
}

// ---------------------------------------------------------------------------
// CProgressCtrl

void CProgressCtrl::SetRange(short lower, short upper) {
    ::SendMessageW(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

int CProgressCtrl::SetPos(int pos) {
    return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETPOS, pos, 0));
}

// ---------------------------------------------------------------------------
// CPaintDC

CPaintDC::CPaintDC(CWnd* wnd) : m_hDC(nullptr), m_ps(), m_hWnd(wnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}

// ---------------------------------------------------------------------------
// Application

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* appName) : m_hInstance(nullptr), m_pszAppName(appName), m_title() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::InitTitle() {
    if (m_pszAppName) {
        CWideText name(m_pszAppName);
        lstrcpynW(m_title, name, MAX_PATH);
        return;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) path[0] = L'\0';
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    lstrcpynW(m_title, name, MAX_PATH);
    wchar_t* dot = nullptr;
    for (wchar_t* p = m_title; *p; ++p)
        if (*p == L'.') dot = p;
    if (dot) *dot = L'\0';
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle() {
    return g_hInstance;
}

int AfxMessageBox(const char* text, UINT type, UINT) {
    return AfxMessageBoxW(CWideText(text), type);
}

int AfxMessageBoxW(const wchar_t* text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    const wchar_t* title = g_pApp ? g_pApp->GetTitle() : L"";
    return ::MessageBoxW(::GetActiveWindow(), text, title, type);
}

int AfxMessageBoxUtf8(const char* text, UINT type) {
    return AfxMessageBoxW(CWideText(text, CP_UTF8), type);
}

CString AfxLoadString(UINT id) {
    const wchar_t* resource = nullptr;
    int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return CString();
    return WideToBytes(resource, length);
}

void AfxDebugLine(const char* text) {
    CString line(text);
    line += "\n";
    ::OutputDebugStringA(line);
}

void AfxEnableControlContainer() {}

BOOL Enable3dControlsStatic() {
    return TRUE;
}

int AfxWinMain(HINSTANCE instance) {
    RestrictDllSearch();
    g_hInstance = instance;
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_hInstance = instance;
    app->InitTitle();

    if (app->InitInstance()) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return app->ExitInstance();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return AfxWinMain(instance);
}

// ---------------------------------------------------------------------------
// Run-time support. The program is built without exceptions: running out of
// memory ends it, as the framework's out-of-memory handling would, and these
// definitions keep the C++ runtime's exception machinery out of the program.

void* operator new(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) std::abort();
    return block;
}

void* operator new[](size_t size) {
    return operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}

extern "C" void __cxa_pure_virtual() {
    std::abort();
}
