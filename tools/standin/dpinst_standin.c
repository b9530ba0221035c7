/* Stand-in for the USB driver package installer, shipped in the sample
   folder so that the wizard's launcher can be tried and tested without the
   real package. It only records that it was started, then exits. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;

    HANDLE log = CreateFileW(L"C:\\dpinst-started.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) return 1;
    char line[MAX_PATH + 2];
    int n = WideCharToMultiByte(CP_UTF8, 0, name, -1, line, MAX_PATH, NULL, NULL);
    if (n <= 0) n = 1;
    line[n - 1] = '\r';
    line[n] = '\n';
    DWORD written;
    WriteFile(log, line, (DWORD)(n + 1), &written, NULL);
    CloseHandle(log);
    return 0;
}
