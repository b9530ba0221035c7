/* Stand-in for a planted DLL in the program's folder: whenever a process loads it, it appends
   its own file name (as the loader found it) to C:\hijack.log. It exports nothing, so a
   program that imports from it gets Wine's stubs, which is enough to see it loaded. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    /* Long enough for any folder, so a deep one cannot hide a load. */
    static wchar_t path[32768];
    DWORD length = GetModuleFileNameW(instance, path, 32768);
    if (length == 0 || length >= 32768) return TRUE;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;

    HANDLE log =
        CreateFileW(L"C:\\hijack.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) return TRUE;
    char line[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, name, -1, line, sizeof line - 1, NULL, NULL);
    if (n <= 0) n = 1;
    line[n - 1] = '\r';
    line[n] = '\n';
    DWORD written;
    WriteFile(log, line, (DWORD)(n + 1), &written, NULL);
    CloseHandle(log);
    return TRUE;
}
