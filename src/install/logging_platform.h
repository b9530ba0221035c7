// The log of an unattended run: a decorator that forwards every platform call
// of the installation and the removal to the real platform and writes one
// line per call with its arguments, its result and the system's text for an
// error.
#pragma once

#include "base/cstring.h"
#include "install/platform.h"
#include "install/remover.h"

// Where the lines go; the sink adds the time stamp and the line end. Texts
// are in the product code page (936).
class ILogSink {
  public:
    virtual ~ILogSink() = default;
    virtual void Line(const char* text) = 0;
};

// "<call>: ok" or "<call>: error <n>: <the system's text>", one line.
void LogCallResult(ILogSink& log, const CString& call, bool ok, unsigned long error,
                   const CString& systemText);

class LoggingPlatform : public IInstallPlatform {
  public:
    LoggingPlatform(IInstallPlatform& platform, ILogSink& log) : m_platform(platform), m_log(log) {}

    bool GetDriverDirectory(const char* environment, char* buffer, int size,
                            unsigned long& error) override;
    bool CopyDriverFile(const char* source, const char* destination, bool overwrite,
                        unsigned long& error) override;
    bool RegisterDriver(const DriverInfo3& info, unsigned long& error) override;
    PrinterHandle CreatePrinter(const PrinterInfo2& info, unsigned long& error) override;
    bool PrinterExists(const char* name) override;
    void ClosePrinterHandle(PrinterHandle printer) override;
    long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                    RegKeyHandle& key) override;
    long SetRegString(RegKeyHandle key, const char* name, const char* text,
                      unsigned long byteCount) override;
    void CloseRegKey(RegKeyHandle key) override;
    void ShowMessage(const char* textCp936) override;
    void Pause(unsigned long milliseconds) override;
    void SetProgress(int position) override;
    CString ErrorText(unsigned long error) override;

  private:
    void Result(const CString& call, bool ok, unsigned long error) {
        LogCallResult(m_log, call, ok, error, ok ? CString() : m_platform.ErrorText(error));
    }

    IInstallPlatform& m_platform;
    ILogSink& m_log;
};

class LoggingRemovalPlatform : public IRemovalPlatform {
  public:
    LoggingRemovalPlatform(IRemovalPlatform& platform, ILogSink& log)
        : m_platform(platform), m_log(log) {}

    PrinterHandle OpenPrinterToDelete(const char* name, unsigned long& error) override;
    bool DeletePrinter(PrinterHandle printer, unsigned long& error) override;
    void ClosePrinterHandle(PrinterHandle printer) override;
    bool FindDriver(const char* environment, const char* name, bool& listed,
                    unsigned long& error) override;
    bool DeleteDriverEx(const char* environment, const char* name, unsigned long deleteFlags,
                        unsigned long& error) override;
    bool DeleteDriver(const char* environment, const char* name, unsigned long& error) override;
    long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                    RegKeyHandle& key) override;
    long QueryRegString(RegKeyHandle key, const char* name, CString& text) override;
    long DeleteRegValue(RegKeyHandle key, const char* name) override;
    void CloseRegKey(RegKeyHandle key) override;
    CString ErrorText(unsigned long error) override;

  private:
    void Result(const CString& call, bool ok, unsigned long error) {
        LogCallResult(m_log, call, ok, error, ok ? CString() : m_platform.ErrorText(error));
    }

    IRemovalPlatform& m_platform;
    ILogSink& m_log;
};
