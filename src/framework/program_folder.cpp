#include "framework/program_folder.h"

#include <windows.h>

#include <cstdlib>

wchar_t* ProgramFolder() {
    // Long paths are possible; the system's limit for a module path is 32767.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        wchar_t* path = static_cast<wchar_t*>(std::calloc(size, sizeof(wchar_t)));
        if (!path) return nullptr;
        DWORD length = ::GetModuleFileNameW(nullptr, path, size);
        if (length == 0) {
            std::free(path);
            return nullptr;
        }
        if (length < size) {
            wchar_t* slash = nullptr;
            for (wchar_t* p = path; *p; ++p) {
                if (*p == L'\\' || *p == L'/') slash = p;
            }
            if (!slash) {
                std::free(path);
                return nullptr;
            }
            // "C:\Setup.exe" lies in "C:\", not in "C:" (that drive's current directory).
            bool driveRoot = slash == path + 2 && path[1] == L':';
            slash[driveRoot ? 1 : 0] = L'\0';
            return path;
        }
        // Cut short: try again with more room.
        std::free(path);
    }
    return nullptr;
}

bool EnterProgramFolder() {
    wchar_t* folder = ProgramFolder();
    if (!folder) return false;
    bool entered = ::SetCurrentDirectoryW(folder) != FALSE;
    std::free(folder);
    return entered;
}
