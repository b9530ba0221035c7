#include "install/failure_text.h"

#include "base/utf8.h"

CString FormatErrorSuffix(unsigned long error, const char16_t* text, int length) {
    if (length < 0 || length > kErrorTextSize) length = 0;
    CString systemText = Utf16ToUtf8(text, static_cast<size_t>(length));
    int kept = systemText.GetLength();
    while (kept > 0) {
        char last = systemText.GetString()[kept - 1];
        if (last != '\r' && last != '\n' && last != ' ' && last != '\t') break;
        --kept;
    }
    CString suffix;
    if (kept == 0) {
        suffix.Format(u8"（错误 %lu）", error);
    } else {
        suffix.Format(u8"（错误 %lu：%s）", error,
                      CString(systemText.GetString(), kept).GetString());
    }
    return suffix;
}
