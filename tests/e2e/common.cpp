// The UI driver's shared helpers; see common.h.
#include "common.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
CRITICAL_SECTION g_outLock;
DWORD g_startTick = 0;
}  // namespace

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                        nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// Quoted for messages, so that leading or trailing blanks and empty texts stay visible.
std::string Q(const std::wstring& w) {
    return "\"" + ToUtf8(w) + "\"";
}

void Out(const char* fmt, ...) {
    EnterCriticalSection(&g_outLock);
    std::printf("[%6.2f] ", (GetTickCount() - g_startTick) / 1000.0);
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
    LeaveCriticalSection(&g_outLock);
}

void InitOut() {
    InitializeCriticalSection(&g_outLock);
    g_startTick = GetTickCount();
}

std::string ShowZeros(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c ? ToUtf8(std::wstring(1, c)) : "\\0";
    return "\"" + s + "\"";
}

std::string Fmt(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

std::wstring Join(const std::vector<std::wstring>& v, const wchar_t* sep) {
    std::wstring s;
    for (size_t i = 0; i < v.size(); ++i) s += (i ? sep : L"") + v[i];
    return s;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Returns the text after the first n blank-separated words of s.
std::string After(const std::string& s, int n) {
    size_t p = 0;
    for (int i = 0; i < n; ++i) {
        p = s.find_first_not_of(" \t", p);
        if (p == std::string::npos) return std::string();
        p = s.find_first_of(" \t", p);
        if (p == std::string::npos) return std::string();
    }
    p = s.find_first_not_of(" \t", p);
    return p == std::string::npos ? std::string() : s.substr(p);
}

bool ParseInt(const std::string& s, long* v) {
    if (s.empty()) return false;
    char* end = nullptr;
    long r = std::strtol(s.c_str(), &end, 0);  // 0x10 and 16 both work
    if (*end != '\0') return false;
    *v = r;
    return true;
}

// The fields of a command argument written as <a>|<b>|...
std::vector<std::wstring> Fields(const std::string& s) {
    std::vector<std::wstring> v;
    size_t p = 0;
    for (;;) {
        size_t bar = s.find('|', p);
        v.push_back(FromUtf8(s.substr(p, bar == std::string::npos ? bar : bar - p)));
        if (bar == std::string::npos) return v;
        p = bar + 1;
    }
}

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    std::fclose(f);
    return true;
}

std::wstring Expand(const std::wstring& path) {
    DWORD n = ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    ExpandEnvironmentStringsW(path.c_str(), &out[0], n);
    out.resize(n - 1);
    return out;
}

bool ReadLines(const std::wstring& path, std::vector<std::string>* lines) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    std::string all;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
    std::fclose(f);
    size_t p = 0;
    while (p < all.size()) {
        size_t e = all.find('\n', p);
        if (e == std::string::npos) e = all.size();
        lines->push_back(Trim(all.substr(p, e - p)));
        p = e + 1;
    }
    return true;
}
