// Check box or radio button.
#pragma once

#include "framework/wnd.h"

class CButton : public CWnd {
  public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, check); }
};
