// The installation's platform services on Windows: the local print spooler,
// the registry, the framework's message box and the port page's progress bar.
#pragma once

#include <windows.h>

#include "install/platform.h"

class Win32InstallPlatform : public IInstallPlatform {
  public:
    explicit Win32InstallPlatform(HWND progressBar) : m_progressBar(progressBar) {}
    // Windowless: no progress bar, no pause for the eye, no message box;
    // the caller reports the outcome.
    struct Windowless {};
    explicit Win32InstallPlatform(Windowless) : m_progressBar(nullptr), m_windowless(true) {}

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
    HWND m_progressBar;
    bool m_windowless = false;
};
