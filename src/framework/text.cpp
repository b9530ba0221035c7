#include "framework/text.h"

#include <cstdlib>
#include <cstring>

CWideText::CWideText(const char* text, UINT codePage) {
    if (!text) return;
    int length = static_cast<int>(std::strlen(text));
    int needed = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    m_text.Reset(
        static_cast<wchar_t*>(std::calloc(static_cast<size_t>(needed) + 1, sizeof(wchar_t))));
    if (!m_text) std::abort();
    if (needed > 0) MultiByteToWideChar(codePage, 0, text, length, m_text.Get(), needed);
}

CString WideToBytes(const wchar_t* text, int length, UINT codePage) {
    CString result;
    if (!text || length == 0) return result;
    if (length < 0) length = lstrlenW(text);
    int needed = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return result;
    char* buffer = result.GetBuffer(needed);
    needed = WideCharToMultiByte(codePage, 0, text, length, buffer, needed, nullptr, nullptr);
    result.ReleaseBuffer(needed > 0 ? needed : 0);
    return result;
}
