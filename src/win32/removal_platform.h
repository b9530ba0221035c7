// The removal's platform services on Windows: the local print spooler and
// the registry.
#pragma once

#include <windows.h>

#include "install/remover.h"

class Win32RemovalPlatform : public IRemovalPlatform {
  public:
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
};
