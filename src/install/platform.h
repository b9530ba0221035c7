// The operating-system services the installation needs, behind an interface
// so that the whole sequence can run against a recording fake. Status and
// error values are the platform's own codes (0 = success).
#pragma once

#include "base/cstring.h"

// Size the spooler is given for its driver directory, terminator included.
constexpr int kDriverDirSize = 255;
// Size of the buffer holding the driver's dependent-files list.
constexpr int kDependentFilesSize = 255;

constexpr unsigned long kErrorInsufficientBuffer = 122;     // ERROR_INSUFFICIENT_BUFFER
constexpr unsigned long kErrorFilenameExcedRange = 206;     // ERROR_FILENAME_EXCED_RANGE
constexpr unsigned long kErrorPrinterAlreadyExists = 1802;  // ERROR_PRINTER_ALREADY_EXISTS
constexpr unsigned long kKeySetValue = 0x0002;              // KEY_SET_VALUE

// Mirror of the spooler's DRIVER_INFO_3A, field for field.
struct DriverInfo3 {
    unsigned long cVersion;
    const char* pName;
    const char* pEnvironment;
    const char* pDriverPath;
    const char* pDataFile;
    const char* pConfigFile;
    const char* pHelpFile;
    const char* pDependentFiles;  // kDependentFilesSize bytes: zero-ended texts, then an empty one
    const char* pMonitorName;
    const char* pDefaultDataType;
};

// The PRINTER_INFO_2A fields the installation sets; every other field of the
// record is null or 0.
struct PrinterInfo2 {
    const char* pPrinterName;
    const char* pPortName;
    const char* pDriverName;
    const char* pPrintProcessor;
    const char* pDatatype;
};

using PrinterHandle = void*;
using RegKeyHandle = void*;

enum class RegRoot { CurrentUser, LocalMachine };

class IInstallPlatform {
  public:
    virtual ~IInstallPlatform() = default;

    // Local spooler's driver directory for the environment, written into
    // buffer (size bytes) as a zero-ended text.
    virtual bool GetDriverDirectory(const char* environment, char* buffer, int size,
                                    unsigned long& error) = 0;
    virtual bool CopyDriverFile(const char* source, const char* destination, bool overwrite,
                                unsigned long& error) = 0;
    // Registers the driver with the local spooler (level 3).
    virtual bool RegisterDriver(const DriverInfo3& info, unsigned long& error) = 0;
    // Creates the printer on the local spooler (level 2); null and the error
    // code on failure.
    virtual PrinterHandle CreatePrinter(const PrinterInfo2& info, unsigned long& error) = 0;
    virtual bool PrinterExists(const char* name) = 0;
    virtual void ClosePrinterHandle(PrinterHandle printer) = 0;

    virtual long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                            RegKeyHandle& key) = 0;
    // REG_SZ value; byteCount includes the terminating zero byte.
    virtual long SetRegString(RegKeyHandle key, const char* name, const char* text,
                              unsigned long byteCount) = 0;
    virtual void CloseRegKey(RegKeyHandle key) = 0;

    // Modal OK message box; returns once the user has closed it.
    virtual void ShowMessage(const char* textCp936) = 0;
    virtual void Pause(unsigned long milliseconds) = 0;
    // Position of the port page's progress bar (range 0 to 100).
    virtual void SetProgress(int position) = 0;
    // The system's text for an error code in code page 936; empty if none.
    virtual CString ErrorText(unsigned long error) = 0;
};
