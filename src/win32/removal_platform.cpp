#include "win32/removal_platform.h"

#include "framework/scoped.h"
#include "framework/sysdll.h"

#include <cstdlib>
#include <cstring>
#include "win32/install_platform.h"

namespace {

// The spooler's calls take non-const texts but do not write through them.
LPSTR Text(const char* text) {
    return const_cast<LPSTR>(text);
}

}  // namespace

PrinterHandle Win32RemovalPlatform::OpenPrinterToDelete(const char* name, unsigned long& error) {
    PRINTER_DEFAULTSA defaults = {};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE printer = nullptr;
    BOOL ok = sysdll::OpenPrinterA(Text(name), &printer, &defaults);
    error = ok ? 0 : GetLastError();
    return ok ? printer : nullptr;
}

bool Win32RemovalPlatform::DeletePrinter(PrinterHandle printer, unsigned long& error) {
    BOOL ok = sysdll::DeletePrinter(static_cast<HANDLE>(printer));
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

void Win32RemovalPlatform::ClosePrinterHandle(PrinterHandle printer) {
    sysdll::ClosePrinter(static_cast<HANDLE>(printer));
}

bool Win32RemovalPlatform::FindDriver(const char* environment, const char* name, bool& listed,
                                      unsigned long& error) {
    listed = false;
    DWORD needed = 0;
    DWORD count = 0;
    // An empty list needs no buffer; the error left from an earlier call
    // must not count.
    ::SetLastError(ERROR_SUCCESS);
    BOOL sized =
        sysdll::EnumPrinterDriversA(nullptr, Text(environment), 1, nullptr, 0, &needed, &count);
    if (needed == 0) {
        error = sized ? 0 : GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER) error = 0;
        return error == 0;
    }
    CHeapBlock<BYTE> buffer(static_cast<BYTE*>(std::calloc(needed, 1)));
    if (!buffer) std::abort();
    BOOL ok = sysdll::EnumPrinterDriversA(nullptr, Text(environment), 1, buffer.Get(), needed,
                                          &needed, &count);
    error = ok ? 0 : GetLastError();
    const DRIVER_INFO_1A* drivers = RecordsOf<DRIVER_INFO_1A>(buffer);
    for (DWORD i = 0; ok && i < count; ++i) {
        if (drivers[i].pName && lstrcmpiA(drivers[i].pName, name) == 0) listed = true;
    }
    return ok != FALSE;
}

bool Win32RemovalPlatform::DeleteDriverEx(const char* environment, const char* name,
                                          unsigned long deleteFlags, unsigned long& error) {
    BOOL ok =
        sysdll::DeletePrinterDriverExA(nullptr, Text(environment), Text(name), deleteFlags, 0);
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

bool Win32RemovalPlatform::DeleteDriver(const char* environment, const char* name,
                                        unsigned long& error) {
    BOOL ok = sysdll::DeletePrinterDriverA(nullptr, Text(environment), Text(name));
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

long Win32RemovalPlatform::OpenRegKey(RegRoot root, const char* path, unsigned long access,
                                      RegKeyHandle& key) {
    HKEY rootKey = root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(rootKey, path, 0, access, &opened);
    key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

long Win32RemovalPlatform::QueryRegString(RegKeyHandle key, const char* name, CString& text) {
    HKEY hkey = static_cast<HKEY>(key);
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(hkey, name, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ) return ERROR_UNSUPPORTED_TYPE;
    // The stored bytes need not end in a zero; GetBuffer adds one.
    char* buffer = text.GetBuffer(static_cast<int>(size));
    status = RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    text.ReleaseBuffer(-1);
    return status;
}

long Win32RemovalPlatform::DeleteRegValue(RegKeyHandle key, const char* name) {
    return RegDeleteValueA(static_cast<HKEY>(key), name);
}

void Win32RemovalPlatform::CloseRegKey(RegKeyHandle key) {
    RegCloseKey(static_cast<HKEY>(key));
}

int Win32RemovalPlatform::ErrorText(unsigned long error, char16_t* buffer, int size) {
    return Win32InstallPlatform(Win32InstallPlatform::Windowless{}).ErrorText(error, buffer, size);
}
