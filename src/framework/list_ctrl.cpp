#include "framework/list_ctrl.h"

#include "framework/scoped.h"
#include "framework/text.h"

namespace {

int ScreenDpi() {
    CScreenDC screen;
    return screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
}

}  // namespace

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
    int dpi = ScreenDpi();
    if (dpi > 0) width = ::MulDiv(width, dpi, 96);
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)));
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

int CListCtrl::FindSelectedRow() const {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (GetItemState(row, LVIS_SELECTED) == LVIS_SELECTED) return row;
    }
    return -1;
}
