// The floor of a quiet installation: a program without any window that makes the calls the
// wizard's quiet installation of its default model (RQ-230 Series, x86, LPT1:) makes, the plain
// way: the spooler's ports, the driver directory, the ten package files checked, copied to
// temporary names and moved into place, the driver and the printer registered (or the existing
// printer's driver read), the default printer value written. No lock, no log, no parsing.
// Started in the program folder (dist/); exit code 0 when every step succeeded.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kFiles[] = {
    "RQPRN.DLL",  "RQ230.GPD",  "uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP",
    "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD", "RQPLUG.ini", "RQPLUG.dll",
};
char kName[] = "RQ-230 Series";
char kEnvironment[] = "Windows NT x86";
char kPort[] = "LPT1:";

bool EnumeratePorts() {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
    BYTE* buffer = static_cast<BYTE*>(std::calloc(needed ? needed : 1, 1));
    bool ok = buffer && EnumPortsW(nullptr, 2, buffer, needed, &needed, &count) && count > 0;
    std::free(buffer);
    return ok;
}

bool CopyPackage(const char* dir) {
    for (const char* file : kFiles) {
        char source[MAX_PATH], temporary[MAX_PATH];
        std::snprintf(source, MAX_PATH, "Printer Driver\\x86\\%s", file);
        std::snprintf(temporary, MAX_PATH, "%s\\%s.new", dir, file);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(source, GetFileExInfoStandard, &data)) return false;
        if (!CopyFileA(source, temporary, FALSE)) return false;
    }
    for (const char* file : kFiles) {
        char temporary[MAX_PATH], destination[MAX_PATH];
        std::snprintf(temporary, MAX_PATH, "%s\\%s.new", dir, file);
        std::snprintf(destination, MAX_PATH, "%s\\%s", dir, file);
        if (!MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING)) return false;
    }
    return true;
}

bool RegisterDriverAndPrinter() {
    char dependent[255] = {};
    const char* entries[] = {"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD", "RQPRN.DLL"};
    size_t used = 0;
    for (const char* entry : entries) {
        std::memcpy(dependent + used, entry, std::strlen(entry));
        used += std::strlen(entry) + 1;
    }
    DRIVER_INFO_3A driver = {};
    driver.cVersion = 2;
    driver.pName = kName;
    driver.pEnvironment = kEnvironment;
    driver.pDriverPath = const_cast<char*>("\\uniDRV.DLL");
    driver.pDataFile = const_cast<char*>("\\RQ230.GPD");
    driver.pConfigFile = const_cast<char*>("\\uniDRVui.DLL");
    driver.pHelpFile = const_cast<char*>("\\uniDRV.HLP");
    driver.pDependentFiles = dependent;
    driver.pMonitorName = const_cast<char*>("");
    driver.pDefaultDataType = const_cast<char*>("RAW");
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) return false;

    PRINTER_INFO_2A printer = {};
    printer.pPrinterName = kName;
    printer.pPortName = kPort;
    printer.pDriverName = kName;
    printer.pPrintProcessor = const_cast<char*>("WinPrint");
    printer.pDatatype = const_cast<char*>("RAW");
    HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (handle) return ClosePrinter(handle) != FALSE;
    // Wine takes a second printer of the same name; Windows refuses it, and the wizard then
    // reads the existing printer's driver.
    if (!OpenPrinterA(kName, &handle, nullptr)) return false;
    DWORD needed = 0;
    GetPrinterW(handle, 2, nullptr, 0, &needed);
    BYTE* buffer = static_cast<BYTE*>(std::calloc(needed ? needed : 1, 1));
    bool ok = buffer && GetPrinterW(handle, 2, buffer, needed, &needed);
    std::free(buffer);
    ClosePrinter(handle);
    return ok;
}

bool WriteDefaultPrinter() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const char device[] = "RQ-230 Series,winspool,LPT1:";
    LONG status = RegSetValueExA(key, "Device", 0, REG_SZ, reinterpret_cast<const BYTE*>(device),
                                 sizeof device);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char dir[255] = {};
    DWORD needed = 0;
    if (!EnumeratePorts()) return 1;
    if (!GetPrinterDriverDirectoryA(nullptr, kEnvironment, 1, reinterpret_cast<BYTE*>(dir),
                                    sizeof dir, &needed)) {
        return 1;
    }
    if (!CopyPackage(dir)) return 1;
    if (!RegisterDriverAndPrinter()) return 1;
    return WriteDefaultPrinter() ? 0 : 1;
}
