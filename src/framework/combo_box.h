// Drop-down list.
#pragma once

#include "framework/text.h"
#include "framework/wnd.h"

class CComboBox : public CWnd {
  public:
    // Position of the selected item, or CB_ERR (-1) when there is none.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int pos) { return static_cast<int>(SendMessage(CB_SETCURSEL, pos)); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    // Adds a code page 936 text as the last item.
    int AddString(const char* text) {
        return static_cast<int>(
            SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CWideText(text).Get())));
    }
};
