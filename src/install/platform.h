// The operating-system services the installation needs, behind an interface
// so that the whole sequence can run against a recording fake. Status and
// error values are the platform's own codes (0 = success).
#pragma once

#include "base/cstring.h"

// Size the spooler is given for its driver directory, terminator included.
constexpr int kDriverDirSize = 255;
// Size of the buffer holding the driver's dependent-files list.
constexpr int kDependentFilesSize = 255;
// UTF-16 units for a system error text and for a printer's driver name.
constexpr int kErrorTextSize = 512;
constexpr int kDriverNameSize = 260;

constexpr unsigned long kErrorFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
constexpr unsigned long kErrorPathNotFound = 3;             // ERROR_PATH_NOT_FOUND
constexpr unsigned long kErrorInsufficientBuffer = 122;     // ERROR_INSUFFICIENT_BUFFER
constexpr unsigned long kErrorFilenameExcedRange = 206;     // ERROR_FILENAME_EXCED_RANGE
constexpr unsigned long kErrorInvalidPrinterName = 1801;    // ERROR_INVALID_PRINTER_NAME
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

// A file or folder as the file system reports it.
struct SourceFileInfo {
    bool isDirectory = false;
    unsigned long long size = 0;
};

using PrinterHandle = void*;
using RegKeyHandle = void*;

enum class RegRoot { CurrentUser, LocalMachine };

// Owns a printer handle or registry key that a platform gave out, and gives
// it back through that platform's Close member when the owner's scope ends;
// nothing is closed for a null handle. Platform is either platform interface.
template <typename Platform, typename Handle, void (Platform::*Close)(Handle)>
class PlatformOwned {
  public:
    explicit PlatformOwned(Platform& platform, Handle handle = nullptr)
        : m_platform(platform), m_handle(handle) {}
    ~PlatformOwned() {
        if (m_handle) (m_platform.*Close)(m_handle);
    }
    PlatformOwned(const PlatformOwned&) = delete;
    PlatformOwned& operator=(const PlatformOwned&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    // For a call that hands the handle out through a reference; only a null
    // owner may receive.
    Handle& Receive() { return m_handle; }

  private:
    Platform& m_platform;
    Handle m_handle;
};

class IInstallPlatform {
  public:
    virtual ~IInstallPlatform() = default;

    // Local spooler's driver directory for the environment, written into
    // buffer (size bytes) as a zero-ended text.
    virtual bool GetDriverDirectory(const char* environment, char* buffer, int size,
                                    unsigned long& error) = 0;
    // Attributes and size of a path of the driver package; false and the
    // error code when there is nothing at that path.
    virtual bool QuerySourceFile(const char* path, SourceFileInfo& info, unsigned long& error) = 0;
    virtual bool CopyDriverFile(const char* source, const char* destination, bool overwrite,
                                unsigned long& error) = 0;
    // Renames a file within one directory, replacing the destination.
    virtual bool MoveDriverFile(const char* source, const char* destination,
                                unsigned long& error) = 0;
    // Removes a file; nothing at that path is no error worth reporting.
    virtual void DeleteDriverFile(const char* path) = 0;
    // Registers the driver with the local spooler (level 3).
    virtual bool RegisterDriver(const DriverInfo3& info, unsigned long& error) = 0;
    // Creates the printer on the local spooler (level 2); null and the error
    // code on failure.
    virtual PrinterHandle CreatePrinter(const PrinterInfo2& info, unsigned long& error) = 0;
    // The driver of an existing printer of the local spooler (level 2) as a
    // zero-ended UTF-16 text in buffer (size units); false and the error
    // code when the printer cannot be opened or read.
    virtual bool ReadPrinterDriver(const char* printer, char16_t* buffer, int size,
                                   unsigned long& error) = 0;
    virtual void ClosePrinterHandle(PrinterHandle printer) = 0;

    virtual long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                            RegKeyHandle& key) = 0;
    // Opens the key, creating it (and missing keys above it) first.
    virtual long CreateRegKey(RegRoot root, const char* path, unsigned long access,
                              RegKeyHandle& key) = 0;
    // REG_SZ value; byteCount includes the terminating zero byte.
    virtual long SetRegString(RegKeyHandle key, const char* name, const char* text,
                              unsigned long byteCount) = 0;
    virtual void CloseRegKey(RegKeyHandle key) = 0;

    // Modal OK message box; returns once the user has closed it.
    virtual void ShowMessage(const char* textCp936) = 0;
    // The half-second pause before the bar shows 100; a caller without a
    // window may skip it.
    virtual void Pause(unsigned long milliseconds) = 0;
    // Position of the port page's progress bar (range 0 to 100).
    virtual void SetProgress(int position) = 0;
    // The system's text for an error code in UTF-16, whatever the system's
    // code page, written into buffer (size units); returns its length, 0 if
    // there is none.
    virtual int ErrorText(unsigned long error, char16_t* buffer, int size) = 0;
};

using InstallPrinter =
    PlatformOwned<IInstallPlatform, PrinterHandle, &IInstallPlatform::ClosePrinterHandle>;
using InstallRegKey = PlatformOwned<IInstallPlatform, RegKeyHandle, &IInstallPlatform::CloseRegKey>;
