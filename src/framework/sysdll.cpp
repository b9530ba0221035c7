#include "framework/sysdll.h"

#include <cstdlib>

#include "framework/bit_cast.h"

namespace sysdll {

namespace {

bool g_systemSearchOnly = false;

enum Library { kWinspool, kComctl32, kShell32, kLibraryCount };

const char* const kLibraryNames[kLibraryCount] = {"winspool.drv", "comctl32.dll", "shell32.dll"};

HMODULE g_libraries[kLibraryCount];

// Binds once per DLL; a DLL that cannot be loaded is tried again next time.
template <typename Fn>
Fn Bind(Library library, const char* name) {
    if (!g_libraries[library]) g_libraries[library] = LoadSystemLibrary(kLibraryNames[library]);
    if (!g_libraries[library]) return nullptr;
    return AfxBitCast<Fn>(::GetProcAddress(g_libraries[library], name));
}

template <typename Fn, typename... Args>
auto Call(Library library, const char* name, Args... args) -> decltype(Fn()(args...)) {
    Fn fn = Bind<Fn>(library, name);
    if (!fn) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return {};
    }
    return fn(args...);
}

}  // namespace

FARPROC KernelProc(const char* name) {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    return kernel ? ::GetProcAddress(kernel, name) : nullptr;
}

void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCWSTR);
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    // Takes the current directory out of the search order.
    if (SetDllDirectoryFn setDllDirectory =
            AfxBitCast<SetDllDirectoryFn>(KernelProc("SetDllDirectoryW")))
        setDllDirectory(L"");
    if (SetDefaultDllDirectoriesFn setDefault =
            AfxBitCast<SetDefaultDllDirectoriesFn>(KernelProc("SetDefaultDllDirectories"))) {
        g_systemSearchOnly = setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    if (!name) return nullptr;
    if (g_systemSearchOnly) {
        // A bare name keeps side-by-side redirection (Common Controls 6);
        // the search itself covers the system directory only.
        return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    char path[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    size_t nameLength = 0;
    while (name[nameLength]) ++nameLength;
    if (length + 1 + nameLength + 1 > MAX_PATH) return nullptr;
    path[length++] = '\\';
    for (size_t i = 0; i <= nameLength; ++i) path[length + i] = name[i];
    return ::LoadLibraryA(path);
}

bool IsWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    BOOL flag = FALSE;
    if (IsWow64ProcessFn isWow64Process =
            AfxBitCast<IsWow64ProcessFn>(KernelProc("IsWow64Process")))
        isWow64Process(::GetCurrentProcess(), &flag);
    return flag == 1;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
    return Call<decltype(&::InitCommonControlsEx)>(kComctl32, "InitCommonControlsEx", icc);
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT show) {
    return Call<decltype(&::ShellExecuteW)>(kShell32, "ShellExecuteW", owner, verb, file,
                                            parameters, directory, show);
}

BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed) {
    return Call<decltype(&::GetPrinterDriverDirectoryA)>(
        kWinspool, "GetPrinterDriverDirectoryA", server, environment, level, buffer, size, needed);
}

BOOL AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info) {
    return Call<decltype(&::AddPrinterDriverA)>(kWinspool, "AddPrinterDriverA", server, level,
                                                info);
}

HANDLE AddPrinterA(LPSTR server, DWORD level, LPBYTE info) {
    return Call<decltype(&::AddPrinterA)>(kWinspool, "AddPrinterA", server, level, info);
}

BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    return Call<decltype(&::OpenPrinterA)>(kWinspool, "OpenPrinterA", name, printer, defaults);
}

BOOL ClosePrinter(HANDLE printer) {
    return Call<decltype(&::ClosePrinter)>(kWinspool, "ClosePrinter", printer);
}

BOOL DeletePrinter(HANDLE printer) {
    return Call<decltype(&::DeletePrinter)>(kWinspool, "DeletePrinter", printer);
}

BOOL DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR driverName, DWORD deleteFlag,
                            DWORD versionFlag) {
    return Call<decltype(&::DeletePrinterDriverExA)>(kWinspool, "DeletePrinterDriverExA", server,
                                                     environment, driverName, deleteFlag,
                                                     versionFlag);
}

BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                         LPDWORD needed, LPDWORD count) {
    return Call<decltype(&::EnumPrinterDriversA)>(kWinspool, "EnumPrinterDriversA", server,
                                                  environment, level, buffer, size, needed, count);
}

BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
    return Call<decltype(&::DeletePrinterDriverA)>(kWinspool, "DeletePrinterDriverA", server,
                                                   environment, driverName);
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    return Call<decltype(&::GetPrinterW)>(kWinspool, "GetPrinterW", printer, level, buffer, size,
                                          needed);
}

CHeapBlock<BYTE> QueryPrinter(HANDLE printer, DWORD level) {
    DWORD needed = 0;
    GetPrinterW(printer, level, nullptr, 0, &needed);
    if (needed == 0) return {};
    CHeapBlock<BYTE> buffer(static_cast<BYTE*>(std::calloc(needed, 1)));
    if (!buffer) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
    if (!GetPrinterW(printer, level, buffer.Get(), needed, &needed)) {
        DWORD error = ::GetLastError();
        buffer.Reset();
        ::SetLastError(error);
        return {};
    }
    return buffer;
}

BOOL EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                LPDWORD count) {
    return Call<decltype(&::EnumPortsW)>(kWinspool, "EnumPortsW", server, level, buffer, size,
                                         needed, count);
}

BOOL ConfigurePortW(LPWSTR server, HWND owner, LPWSTR portName) {
    return Call<decltype(&::ConfigurePortW)>(kWinspool, "ConfigurePortW", server, owner, portName);
}

BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                   LPDWORD count) {
    return Call<decltype(&::EnumMonitorsA)>(kWinspool, "EnumMonitorsA", server, level, buffer, size,
                                            needed, count);
}

BOOL AddPortA(LPSTR server, HWND owner, LPSTR monitorName) {
    return Call<decltype(&::AddPortA)>(kWinspool, "AddPortA", server, owner, monitorName);
}

namespace {

template <typename Fn>
CHeapBlock<BYTE> EnumerateWith(Fn fn, DWORD level, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    fn(nullptr, level, nullptr, 0, &needed, count);
    *count = 0;
    if (needed == 0) return {};
    CHeapBlock<BYTE> buffer(static_cast<BYTE*>(std::calloc(needed, 1)));
    if (!buffer) return {};
    if (!fn(nullptr, level, buffer.Get(), needed, &needed, count)) {
        *count = 0;
        return {};
    }
    return buffer;
}

}  // namespace

CHeapBlock<BYTE> Enumerate(EnumFn fn, DWORD level, DWORD* count) {
    return EnumerateWith(fn, level, count);
}

CHeapBlock<BYTE> Enumerate(EnumFnW fn, DWORD level, DWORD* count) {
    return EnumerateWith(fn, level, count);
}

}  // namespace sysdll
