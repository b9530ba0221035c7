#include "framework/program_folder.h"

#include <cstdlib>

CHeapBlock<wchar_t> ProgramFolder() {
    // Long paths are possible; the system's limit for a module path is 32767.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        CHeapBlock<wchar_t> path(static_cast<wchar_t*>(std::calloc(size, sizeof(wchar_t))));
        if (!path) return {};
        DWORD length = ::GetModuleFileNameW(nullptr, path.Get(), size);
        if (length == 0) return {};
        if (length < size) {
            wchar_t* slash = nullptr;
            for (wchar_t* p = path.Get(); *p; ++p) {
                if (*p == L'\\' || *p == L'/') slash = p;
            }
            if (!slash) return {};
            // "C:\Setup.exe" lies in "C:\", not in "C:" (that drive's current directory).
            bool driveRoot = slash == path.Get() + 2 && path.Get()[1] == L':';
            slash[driveRoot ? 1 : 0] = L'\0';
            return path;
        }
        // Cut short: try again with more room.
    }
    return {};
}

bool EnterProgramFolder() {
    CHeapBlock<wchar_t> folder = ProgramFolder();
    return folder && ::SetCurrentDirectoryW(folder.Get()) != FALSE;
}
