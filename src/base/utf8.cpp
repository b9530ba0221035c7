#include "base/utf8.h"

namespace {

void AppendCodePoint(CString& out, char32_t cp) {
    char bytes[4];
    int n = 0;
    if (cp < 0x80) {
        bytes[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xF0 | (cp >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    out.Append(bytes, n);
}

bool IsHigh(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLow(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

CString Utf16ToUtf8(const char16_t* text, size_t length) {
    CString out;
    if (!text) return out;
    for (size_t i = 0; i < length; ++i) {
        char16_t unit = text[i];
        if (IsHigh(unit) && i + 1 < length && IsLow(text[i + 1])) {
            char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            AppendCodePoint(out, cp);
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, unit);
        }
    }
    return out;
}
