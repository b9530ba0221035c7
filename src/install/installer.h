// The installation: driver files into the spooler's driver directory, the
// driver and the printer registered with the spooler, then the default
// printer and COM port settings in the registry.
#pragma once

#include "base/cstring.h"
#include "install/globals.h"
#include "install/install_request.h"
#include "install/platform.h"

enum class InstallStep {
    InvalidRequest,         // detail: the setting outside its table
    DriverDirectory,        // no usable driver directory; copies and registration skipped
    CopyFile,               // detail: destination file name
    RegisterDriver,         // detail: driver name
    CreatePrinter,          // detail: printer name
    DefaultPrinterMissing,  // default asked for, but no such printer; detail: printer name
    WriteDefaultValue,
    WritePortsValue,  // detail: port value name
};

struct InstallFailure {
    InstallStep step = InstallStep::InvalidRequest;
    unsigned long error = 0;  // platform error or registry status; 0 when there is none
    CString detail;
};

class InstallResult {
  public:
    // More than one installation can fail: at most 7 invalid settings, or
    // 10 copies, the driver, the printer and the two registry values.
    static constexpr int kMaxFailures = 16;

    bool Succeeded() const { return m_count == 0; }
    int FailureCount() const { return m_count; }
    const InstallFailure& Failure(int index) const { return m_failures[index]; }
    void Add(InstallStep step, unsigned long error, const char* detail = "");

  private:
    InstallFailure m_failures[kMaxFailures];
    int m_count = 0;
};

// Runs every step whatever the earlier ones gave, moving the progress bar
// through 10, 20, ..., 90, 95 and 100. Sets g_strPortName first.
InstallResult RunInstallation(const InstallRequest& request, IInstallPlatform& platform);

// The dependent-files list: "\ttfsub.GPD", "\unires.DLL", "\stdnames.GPD",
// the plug-in's two files when withPlugin, the driver DLL, then an empty
// text. Fills all size bytes; false when the list does not fit.
bool BuildDependentFiles(const char* dllBaseName, bool withPlugin, char* buffer, int size);

// Failure text for the user, one line per failed step; empty on success.
CString FormatInstallOutcome(const InstallResult& result, IInstallPlatform& platform);
