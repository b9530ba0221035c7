// Counted byte string in the style the wizard's pages expect. Portable, no
// exceptions: the Windows program is built without them, and allocation
// failure aborts like the framework's out-of-memory handling would.
#pragma once

#include <cstdarg>
#include <cstddef>

class CString {
  public:
    CString();
    CString(const char* text);  // NOLINT: implicit like the platform's string
    CString(const char* data, int length);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    const char* GetString() const { return m_data ? m_data : ""; }
    operator const char*() const { return GetString(); }  // NOLINT
    unsigned char ByteAt(int index) const { return static_cast<unsigned char>(GetString()[index]); }

    void Empty();
    void Append(const char* data, int length);
    // printf-style; replaces the content.
    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list args);

    // Writable buffer of at least minLength bytes plus a terminating zero;
    // ReleaseBuffer(-1) takes the length up to the first zero byte.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    bool operator==(const CString& other) const;
    bool operator==(const char* text) const;
    bool operator!=(const CString& other) const {
        return !(*this == other);
    }
    bool operator!=(const char* text) const {
        return !(*this == text);
    }

  private:
    void Reserve(int capacity);

    char* m_data;
    int m_length;
    int m_capacity;
};
