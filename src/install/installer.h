// The installation: driver files into the spooler's driver directory, the
// driver and the printer registered with the spooler, then the default
// printer and COM port settings in the registry.
#pragma once

#include "base/cstring.h"
#include "install/install_request.h"
#include "install/platform.h"

enum class InstallStep {
    InvalidRequest,         // detail: the setting outside its table
    NoPort,                 // no spooler port was chosen
    DriverDirectory,        // no usable driver directory; nothing is installed
    SourceFolder,           // the variant's package folder is missing; detail: the folder
    SourceNotAFile,         // detail: package file name that is a folder
    SourceEmpty,            // detail: package file name of 0 bytes
    CopyFile,               // detail: destination file name
    RegisterDriver,         // detail: driver name
    CreatePrinter,          // detail: printer name
    OpenExistingPrinter,    // the spooler has that printer but it cannot be read; detail: printer
    PrinterOtherDriver,     // detail: printer name; other: the driver it uses
    DefaultPrinterMissing,  // default asked for, but no such printer; detail: printer name
    WriteDefaultValue,
    WritePortsValue,  // detail: port value name
    InstallLock,      // waiting for another installation to end failed
};

// Texts are UTF-8: details are the catalogue's ASCII names or the system's
// names converted from UTF-16.
struct InstallFailure {
    InstallStep step = InstallStep::InvalidRequest;
    unsigned long error = 0;  // platform error or registry status; 0 when there is none
    CString detail;
    CString other;
};

class InstallResult {
  public:
    // More than one installation step can fail: at most 7 invalid settings
    // and the port, or 10 package files, or the driver, the printer and the
    // two registry values.
    static constexpr int kMaxFailures = 16;

    bool Succeeded() const { return m_count == 0; }
    int FailureCount() const { return m_count; }
    const InstallFailure& Failure(int index) const { return m_failures[index]; }
    void Add(InstallStep step, unsigned long error, const char* detail = "",
             const char* other = "");

  private:
    InstallFailure m_failures[kMaxFailures];
    int m_count = 0;
};

// The printer goes on request.strPortName. The package is checked whole before anything is
// copied; the files go to temporary names in the driver directory and replace
// the real ones only once every copy is complete. A package or copy failure
// stops there: nothing is registered, and the progress bar stays where the
// installation stopped. Otherwise every later step runs whatever the earlier
// ones gave, moving the bar through 10, 20, ..., 90, 95 and 100. The caller
// holds the InstallLock.
InstallResult RunInstallation(const InstallRequest& request, IInstallPlatform& platform);

// Suffix of a file's temporary name beside its real one while it is copied.
constexpr const char kPartialSuffix[] = ".new";

// The dependent-files list: "\ttfsub.GPD", "\unires.DLL", "\stdnames.GPD",
// the plug-in's two files when withPlugin, the driver DLL, then an empty
// text. Fills all size bytes; false when the list does not fit.
bool BuildDependentFiles(const char* dllBaseName, bool withPlugin, char* buffer, int size);

// Failure text for the user in UTF-8, one line per failed step, with the
// system's text for each error code; empty on success.
CString FormatInstallOutcome(const InstallResult& result, IInstallPlatform& platform);
