// The end of a failure line: the error code and the system's own words for
// it, shared by the installation's and the removal's outcome texts (UTF-8).
#pragma once

#include "base/cstring.h"
#include "install/platform.h"

// "（错误 N：text）", or "（错误 N）" when the system has no text for it. text
// holds length UTF-16 units; a length outside 0..kErrorTextSize counts as no
// text. The line break and blanks the system ends its texts with are dropped.
CString FormatErrorSuffix(unsigned long error, const char16_t* text, int length);

// The same, asking the platform (either interface) for the text.
template <typename Platform>
CString ErrorSuffix(unsigned long error, Platform& platform) {
    char16_t text[kErrorTextSize];
    int length = platform.ErrorText(error, text, kErrorTextSize);
    return FormatErrorSuffix(error, text, length);
}
