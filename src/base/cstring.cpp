#include "base/cstring.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void* CheckedRealloc(void* block, size_t size) {
    void* result = std::realloc(block, size);
    if (!result) std::abort();
    return result;
}

}  // namespace

CString::CString() : m_data(nullptr), m_length(0), m_capacity(0) {}

CString::CString(const char* text) : CString() {
    if (text) Append(text, static_cast<int>(std::strlen(text)));
}

CString::CString(const char* data, int length) : CString() {
    if (data && length > 0) Append(data, length);
}

CString::CString(const CString& other) : CString() {
    Append(other.GetString(), other.m_length);
}

CString::CString(CString&& other) noexcept
    : m_data(other.m_data), m_length(other.m_length), m_capacity(other.m_capacity) {
    other.m_data = nullptr;
    other.m_length = 0;
    other.m_capacity = 0;
}

CString::~CString() {
    std::free(m_data);
}

CString& CString::operator=(const CString& other) {
    if (this != &other) {
        m_length = 0;
        Append(other.GetString(), other.m_length);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = other.m_data;
        m_length = other.m_length;
        m_capacity = other.m_capacity;
        other.m_data = nullptr;
        other.m_length = 0;
        other.m_capacity = 0;
    }
    return *this;
}

CString& CString::operator=(const char* text) {
    // The text may live inside this string's own buffer.
    CString copy(text);
    return *this = static_cast<CString&&>(copy);
}

CString& CString::operator+=(const CString& other) {
    if (this == &other) {
        CString copy(other);
        Append(copy.GetString(), copy.m_length);
    } else {
        Append(other.GetString(), other.m_length);
    }
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) {
        CString copy(text);
        Append(copy.GetString(), copy.m_length);
    }
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

void CString::Empty() {
    m_length = 0;
    if (m_data) m_data[0] = '\0';
}

void CString::Reserve(int capacity) {
    if (m_data && capacity <= m_capacity) return;
    int grown = m_capacity * 2;
    if (grown < capacity) grown = capacity;
    if (grown < 16) grown = 16;
    m_data = static_cast<char*>(CheckedRealloc(m_data, static_cast<size_t>(grown) + 1));
    m_capacity = grown;
}

void CString::Append(const char* data, int length) {
    if (length <= 0) {
        if (m_data) m_data[m_length] = '\0';
        return;
    }
    Reserve(m_length + length);
    std::memmove(m_data + m_length, data, static_cast<size_t>(length));
    m_length += length;
    m_data[m_length] = '\0';
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    int needed = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (needed < 0) {
        Empty();
        return;
    }
    CString result;
    result.Reserve(needed);
    std::vsnprintf(result.m_data, static_cast<size_t>(needed) + 1, format, args);
    result.m_length = needed;
    *this = static_cast<CString&&>(result);
}

char* CString::GetBuffer(int minLength) {
    if (minLength < m_length) minLength = m_length;
    Reserve(minLength);
    // Zero the spare room and the byte past it: a caller that writes no
    // terminator still releases exactly what it wrote, never stale bytes.
    std::memset(m_data + m_length, 0, static_cast<size_t>(m_capacity - m_length) + 1);
    return m_data;
}

void CString::ReleaseBuffer(int newLength) {
    if (!m_data) return;
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_data, static_cast<size_t>(m_capacity)));
    if (newLength > m_capacity) newLength = m_capacity;
    m_length = newLength;
    m_data[m_length] = '\0';
}

bool CString::operator==(const CString& other) const {
    return m_length == other.m_length &&
           std::memcmp(GetString(), other.GetString(), static_cast<size_t>(m_length)) == 0;
}

bool CString::operator==(const char* text) const {
    if (!text) return m_length == 0;
    size_t n = std::strlen(text);
    return n == static_cast<size_t>(m_length) && std::memcmp(GetString(), text, n) == 0;
}
