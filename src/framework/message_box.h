#pragma once

#include <windows.h>

// The program's message box: code page 936 text, the exclamation icon unless
// the type names another, captioned with the application title.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same for a UTF-16 text, and for a UTF-8 one.
int AfxMessageBoxW(const wchar_t* text, UINT type = MB_OK);
int AfxMessageBoxUtf8(const char* text, UINT type = MB_OK);
