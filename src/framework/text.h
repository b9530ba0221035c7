// Text conversion. The program's own texts are code page 936 byte strings.
// Wherever one is handed to the user interface it is converted from 936
// explicitly and the wide API is used, so the pages read the same on any
// system code page. Texts that come from the system (spooler names) stay in
// the system's ANSI code page and go through the ANSI messages, so they
// round-trip unchanged.
#pragma once

#include <windows.h>

#include "base/cstring.h"
#include "framework/scoped.h"

constexpr UINT kProductCodePage = 936;

// Owns the UTF-16 form of a code page 936 text (or of a text in another
// code page, such as CP_UTF8).
class CWideText {
  public:
    explicit CWideText(const char* text, UINT codePage = kProductCodePage);
    CWideText(const CWideText&) = delete;
    CWideText& operator=(const CWideText&) = delete;
    const wchar_t* Get() const { return m_text ? m_text.Get() : L""; }
    operator const wchar_t*() const { return Get(); }  // NOLINT

  private:
    CHeapBlock<wchar_t> m_text;
};

// Code page 936 (or codePage) form of length UTF-16 units (-1: up to the
// terminating zero).
CString WideToBytes(const wchar_t* text, int length = -1, UINT codePage = kProductCodePage);
