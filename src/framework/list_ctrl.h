// List-view control. Row texts are system texts (ANSI code page) or UTF-16;
// headings are product texts (code page 936).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "base/cstring.h"
#include "framework/wnd.h"

class CListCtrl : public CWnd {
  public:
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1);
    // Width in pixels at 96 DPI; the program is DPI aware, so it is scaled to
    // the system's DPI like the dialog's own layout.
    BOOL SetColumnWidth(int column, int width);
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    }
    DWORD SetExtendedStyle(DWORD exStyle) {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle));
    }
    // Clears the remove bits, sets the add bits, keeps the others.
    void ModifyExtendedStyle(DWORD remove, DWORD add) {
        SetExtendedStyle((GetExtendedStyle() & ~remove) | add);
    }
    int InsertItem(int index, const char* text);
    int InsertItem(int index, const wchar_t* text);
    BOOL SetItemText(int index, int subItem, const char* text);
    BOOL SetItemText(int index, int subItem, const wchar_t* text);
    CString GetItemText(int index, int subItem) const;
    BOOL SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, index, mask));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    // First row whose state includes LVIS_SELECTED, or -1.
    int FindSelectedRow() const;
};
