#include "framework/message_box.h"

#include "framework/app.h"
#include "framework/text.h"

int AfxMessageBox(const char* text, UINT type, UINT) {
    return AfxMessageBoxW(CWideText(text), type);
}

int AfxMessageBoxW(const wchar_t* text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    const wchar_t* title = AfxGetApp() ? AfxGetApp()->GetTitle() : L"";
    return ::MessageBoxW(::GetActiveWindow(), text, title, type);
}

int AfxMessageBoxUtf8(const char* text, UINT type) {
    return AfxMessageBoxW(CWideText(text, CP_UTF8), type);
}
