// The log of an unattended run: a decorator that forwards every platform call
// of the installation and the removal to the real platform and writes one
// line per call with its arguments, its result and the system's text for an
// error.
#pragma once

#include "base/cstring.h"
#include "install/platform.h"
#include "install/remover.h"

// Where the lines go; the sink adds the time stamp and the line end.
class ILogSink {
  public:
    virtual ~ILogSink() = default;
    // A UTF-8 text.
    virtual void Line(const char* text) = 0;
    // A text in the product code page (936), such as the installation's
    // registry message.
    virtual void LineCp936(const char* text) = 0;
    // The UTF-8 form of a text that the spooler's and the registry's ANSI
    // calls take or give (paths, port names, values), in the system's ANSI
    // code page: a port may well have a Chinese name.
    virtual CString FromAnsi(const char* text) { return CString(text); }
};

// The system's UTF-16 text for an error as one UTF-8 line; empty if none.
CString SystemErrorText(const char16_t* text, int length);

// "<call>: ok" or "<call>: error <n>: <the system's text>", one line.
void LogCallResult(ILogSink& log, const CString& call, bool ok, unsigned long error,
                   const CString& systemText);

class LoggingPlatform : public IInstallPlatform {
  public:
    LoggingPlatform(IInstallPlatform& platform, ILogSink& log) : m_platform(platform), m_log(log) {}

    bool GetDriverDirectory(const char* environment, char* buffer, int size,
                            unsigned long& error) override;
    bool QuerySourceFile(const char* path, SourceFileInfo& info, unsigned long& error) override;
    bool CopyDriverFile(const char* source, const char* destination, bool overwrite,
                        unsigned long& error) override;
    bool MoveDriverFile(const char* source, const char* destination, unsigned long& error) override;
    void DeleteDriverFile(const char* path) override;
    bool RegisterDriver(const DriverInfo3& info, unsigned long& error) override;
    PrinterHandle CreatePrinter(const PrinterInfo2& info, unsigned long& error) override;
    bool ReadPrinterDriver(const char* printer, char16_t* buffer, int size,
                           unsigned long& error) override;
    void ClosePrinterHandle(PrinterHandle printer) override;
    long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                    RegKeyHandle& key) override;
    long CreateRegKey(RegRoot root, const char* path, unsigned long access,
                      RegKeyHandle& key) override;
    long SetRegString(RegKeyHandle key, const char* name, const char* text,
                      unsigned long byteCount) override;
    void CloseRegKey(RegKeyHandle key) override;
    void ShowMessage(const char* textCp936) override;
    void Pause(unsigned long milliseconds) override;
    void SetProgress(int position) override;
    int ErrorText(unsigned long error, char16_t* buffer, int size) override;

  private:
    void Result(const CString& call, bool ok, unsigned long error);

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
    int ErrorText(unsigned long error, char16_t* buffer, int size) override;

  private:
    void Result(const CString& call, bool ok, unsigned long error);

    IRemovalPlatform& m_platform;
    ILogSink& m_log;
};
