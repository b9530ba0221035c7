#include "win32/install_platform.h"

#include <commctrl.h>

#include <cstdlib>

#include "framework/message_box.h"
#include "framework/scoped.h"
#include "framework/sysdll.h"

namespace {

// The spooler's records take non-const text pointers but do not write
// through them.
LPSTR Text(const char* text) {
    return const_cast<LPSTR>(text);
}

}  // namespace

bool Win32InstallPlatform::GetDriverDirectory(const char* environment, char* buffer, int size,
                                              unsigned long& error) {
    DWORD needed = 0;
    BOOL ok = sysdll::GetPrinterDriverDirectoryA(nullptr, Text(environment), 1,
                                                 reinterpret_cast<LPBYTE>(buffer),
                                                 static_cast<DWORD>(size), &needed);
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

bool Win32InstallPlatform::QuerySourceFile(const char* path, SourceFileInfo& info,
                                           unsigned long& error) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        error = GetLastError();
        return false;
    }
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    error = 0;
    return true;
}

bool Win32InstallPlatform::CopyDriverFile(const char* source, const char* destination,
                                          bool overwrite, unsigned long& error) {
    BOOL ok = CopyFileA(source, destination, overwrite ? FALSE : TRUE);
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

bool Win32InstallPlatform::MoveDriverFile(const char* source, const char* destination,
                                          unsigned long& error) {
    // No MOVEFILE_COPY_ALLOWED: within one directory this is a rename, which
    // never leaves a partly written destination.
    BOOL ok = MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING);
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

void Win32InstallPlatform::DeleteDriverFile(const char* path) {
    DeleteFileA(path);
}

bool Win32InstallPlatform::RegisterDriver(const DriverInfo3& info, unsigned long& error) {
    DRIVER_INFO_3A record = {};
    record.cVersion = info.cVersion;
    record.pName = Text(info.pName);
    record.pEnvironment = Text(info.pEnvironment);
    record.pDriverPath = Text(info.pDriverPath);
    record.pDataFile = Text(info.pDataFile);
    record.pConfigFile = Text(info.pConfigFile);
    record.pHelpFile = Text(info.pHelpFile);
    record.pDependentFiles = Text(info.pDependentFiles);
    record.pMonitorName = Text(info.pMonitorName);
    record.pDefaultDataType = Text(info.pDefaultDataType);
    BOOL ok = sysdll::AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&record));
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

PrinterHandle Win32InstallPlatform::CreatePrinter(const PrinterInfo2& info, unsigned long& error) {
    PRINTER_INFO_2A record = {};
    record.pPrinterName = Text(info.pPrinterName);
    record.pPortName = Text(info.pPortName);
    record.pDriverName = Text(info.pDriverName);
    record.pPrintProcessor = Text(info.pPrintProcessor);
    record.pDatatype = Text(info.pDatatype);
    HANDLE printer = sysdll::AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&record));
    error = printer ? 0 : GetLastError();
    return printer;
}

bool Win32InstallPlatform::ReadPrinterDriver(const char* printer, char16_t* buffer, int size,
                                             unsigned long& error) {
    CScopedPrinter handle;
    if (!sysdll::OpenPrinterA(Text(printer), handle.Receive(), nullptr)) {
        error = GetLastError();
        return false;
    }
    CHeapBlock<BYTE> info = sysdll::QueryPrinter(handle.Get(), 2);
    error = info ? 0 : GetLastError();
    if (info) {
        const wchar_t* name = RecordsOf<PRINTER_INFO_2W>(info)->pDriverName;
        int length = name ? lstrlenW(name) : 0;
        if (length < size) {
            for (int i = 0; i < length; ++i) buffer[i] = static_cast<char16_t>(name[i]);
            buffer[length] = 0;
        } else {
            error = kErrorInsufficientBuffer;
        }
    }
    return error == 0;
}

void Win32InstallPlatform::ClosePrinterHandle(PrinterHandle printer) {
    sysdll::ClosePrinter(static_cast<HANDLE>(printer));
}

long Win32InstallPlatform::OpenRegKey(RegRoot root, const char* path, unsigned long access,
                                      RegKeyHandle& key) {
    HKEY rootKey = root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(rootKey, path, 0, access, &opened);
    key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

long Win32InstallPlatform::SetRegString(RegKeyHandle key, const char* name, const char* text,
                                        unsigned long byteCount) {
    return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text), byteCount);
}

long Win32InstallPlatform::CreateRegKey(RegRoot root, const char* path, unsigned long access,
                                        RegKeyHandle& key) {
    HKEY rootKey = root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    LONG status = RegCreateKeyExA(rootKey, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                  nullptr, &opened, nullptr);
    key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

void Win32InstallPlatform::CloseRegKey(RegKeyHandle key) {
    RegCloseKey(static_cast<HKEY>(key));
}

void Win32InstallPlatform::ShowMessage(const char* textCp936) {
    if (m_windowless) return;
    AfxMessageBox(textCp936, MB_OK, 0);
}

void Win32InstallPlatform::Pause(unsigned long milliseconds) {
    if (m_windowless) return;
    Sleep(milliseconds);
}

void Win32InstallPlatform::SetProgress(int position) {
    if (m_windowless) return;
    SendMessageA(m_progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int Win32InstallPlatform::ErrorText(unsigned long error, char16_t* buffer, int size) {
    // In UTF-16: the text is in the system's language, which the product's
    // code page 936 may not cover.
    static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 units");
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(buffer),
                       static_cast<DWORD>(size), nullptr);
    return static_cast<int>(length);
}
