// Removal of what an installation made: the model's printer and its driver
// registration, and the user's default printer value when it names that
// printer. Files in the driver directory are left to the spooler: other
// drivers share them.
#pragma once

#include "base/cstring.h"
#include "install/platform.h"

constexpr unsigned long kErrorProcNotFound = 127;           // ERROR_PROC_NOT_FOUND
constexpr unsigned long kErrorCallNotImplemented = 120;     // ERROR_CALL_NOT_IMPLEMENTED
constexpr unsigned long kErrorInvalidParameter = 87;        // ERROR_INVALID_PARAMETER
constexpr unsigned long kErrorUnknownPrinterDriver = 1797;  // ERROR_UNKNOWN_PRINTER_DRIVER
constexpr unsigned long kDeleteUnusedFiles = 0x1;           // DPD_DELETE_UNUSED_FILES
constexpr unsigned long kKeyQueryValue = 0x0001;            // KEY_QUERY_VALUE

class IRemovalPlatform {
  public:
    virtual ~IRemovalPlatform() = default;

    // Opens a local printer with the rights to delete it; null and the
    // error code (kErrorInvalidPrinterName when there is no such printer).
    virtual PrinterHandle OpenPrinterToDelete(const char* name, unsigned long& error) = 0;
    virtual bool DeletePrinter(PrinterHandle printer, unsigned long& error) = 0;
    virtual void ClosePrinterHandle(PrinterHandle printer) = 0;
    // Whether the spooler lists a driver of that name for the environment;
    // false when it cannot be asked.
    virtual bool FindDriver(const char* environment, const char* name, bool& listed,
                            unsigned long& error) = 0;
    // DeletePrinterDriverExA, all versions; kErrorProcNotFound where the
    // spooler lacks it, kErrorInvalidParameter where it refuses the flags.
    virtual bool DeleteDriverEx(const char* environment, const char* name,
                                unsigned long deleteFlags, unsigned long& error) = 0;
    // DeletePrinterDriverA: the registration only, the files stay.
    virtual bool DeleteDriver(const char* environment, const char* name, unsigned long& error) = 0;

    virtual long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                            RegKeyHandle& key) = 0;
    // A REG_SZ value's text; non-zero status when there is none.
    virtual long QueryRegString(RegKeyHandle key, const char* name, CString& text) = 0;
    virtual long DeleteRegValue(RegKeyHandle key, const char* name) = 0;
    virtual void CloseRegKey(RegKeyHandle key) = 0;

    // The system's text for an error code in UTF-16, written into buffer
    // (size units); returns its length, 0 if there is none.
    virtual int ErrorText(unsigned long error, char16_t* buffer, int size) = 0;
};

using RemovalPrinter =
    PlatformOwned<IRemovalPlatform, PrinterHandle, &IRemovalPlatform::ClosePrinterHandle>;
using RemovalRegKey = PlatformOwned<IRemovalPlatform, RegKeyHandle, &IRemovalPlatform::CloseRegKey>;

enum class RemovalStep {
    InvalidRequest,  // the row outside the catalogue
    DeletePrinter,   // detail: printer name
    DeleteDriver,    // detail: driver name
    ClearDefault,    // the "Device" value could not be deleted
};

struct RemovalFailure {
    RemovalStep step = RemovalStep::InvalidRequest;
    unsigned long error = 0;
    CString detail;
};

class RemovalResult {
  public:
    static constexpr int kMaxFailures = 4;

    bool Succeeded() const { return m_count == 0; }
    int FailureCount() const { return m_count; }
    const RemovalFailure& Failure(int index) const { return m_failures[index]; }
    void Add(RemovalStep step, unsigned long error, const char* detail = "");

    bool printerDeleted = false;
    bool driverDeleted = false;
    bool filesLeft = false;  // the spooler had only the plain deletion
    bool defaultCleared = false;
    // Nothing of the model was there: still a success.
    bool NothingFound() const { return Succeeded() && !printerDeleted && !driverDeleted; }

  private:
    RemovalFailure m_failures[kMaxFailures];
    int m_count = 0;
};

// Deletes the model's printer, then its driver registration for the
// variant's environment (with the files no other driver uses), then the
// user's "Device" value if it names that printer. A printer that cannot be
// deleted stops the removal: its driver is still in use.
RemovalResult RunRemoval(int modelRow, bool x64, IRemovalPlatform& platform);

// The outcome for the user in UTF-8, in the words of the installation's
// outcome: done, nothing to remove, or the failures one per line.
CString FormatRemovalOutcome(const RemovalResult& result, IRemovalPlatform& platform);

// True when a "Device" value ("<printer>,winspool,<port>") names the printer;
// printer names are compared without regard to ASCII case, as the spooler
// does.
bool DeviceValueNamesPrinter(const char* device, const char* printerName);
