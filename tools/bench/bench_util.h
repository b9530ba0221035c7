// Shared by the benchmark timers: a millisecond clock and the windows of a child process, found
// by polling from outside as a user would see them.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace bench {

inline double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline std::string ToUtf8(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

struct WindowQuery {
    DWORD pid;
    const wchar_t* caption;  // nullptr: any caption
    bool needEnabled;
    HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
    WindowQuery* q = reinterpret_cast<WindowQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != q->pid || !IsWindowVisible(w)) return TRUE;
    if (q->needEnabled && !IsWindowEnabled(w)) return TRUE;
    if (q->caption) {
        // Another process's caption comes from the system's copy: no message to a busy target.
        wchar_t text[256] = L"";
        GetWindowTextW(w, text, 256);
        if (std::wcscmp(text, q->caption) != 0) return TRUE;
    }
    q->found = w;
    return FALSE;
}

// A visible top-level window of the process, polled every millisecond: Sleep(1) keeps the
// poller from competing with the measured program for the CPU and the wineserver.
inline HWND WaitWindow(DWORD pid, const wchar_t* caption, bool needEnabled, HANDLE process,
                       double timeoutMs) {
    double start = NowMs();
    for (;;) {
        WindowQuery q = {pid, caption, needEnabled, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
        if (q.found) return q.found;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
        if (NowMs() - start > timeoutMs) return nullptr;
        Sleep(1);
    }
}

inline bool Start(const wchar_t* exe, const wchar_t* cwd, PROCESS_INFORMATION* pi) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmdline = std::wstring(L"\"") + exe + L"\"";
    return CreateProcessW(exe, &cmdline[0], nullptr, nullptr, FALSE, 0, nullptr, cwd, &si, pi) !=
           FALSE;
}

// Asks the window to close, and ends the process if it has not gone within two seconds.
inline void Finish(PROCESS_INFORMATION* pi, HWND window) {
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi->hProcess, 2000) != WAIT_OBJECT_0) {
        TerminateProcess(pi->hProcess, 1);
        WaitForSingleObject(pi->hProcess, 5000);
    }
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
}

inline int PositiveArg(const wchar_t* text) {
    int value = _wtoi(text);
    return value > 0 ? value : 0;
}

}  // namespace bench
