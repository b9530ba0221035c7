// The start-up floor: the wizard's first page and nothing else. It links the wizard's own
// compiled resources (the same template, manifest and icon), initialises the same common
// control classes and shows dialog 129 with a dialog procedure that does nothing, so the
// difference to the wizard is the wizard's own work before its first page shows.
#include <windows.h>
#include <commctrl.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_CLOSE:  // how the start-up timer ends a run
            EndDialog(dialog, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_OS_SELECT), nullptr, DialogProc, 0));
}
