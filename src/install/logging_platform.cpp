#include "install/logging_platform.h"

#include "base/utf8.h"

namespace {

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKCU" : "HKLM";
}

// The system's texts end in a line break; the log keeps one line per call.
CString OneLine(const CString& text) {
    CString line;
    for (int i = 0; i < text.GetLength(); ++i) {
        char c = text.GetString()[i];
        line += (c == '\r' || c == '\n') ? ' ' : c;
    }
    int length = line.GetLength();
    while (length > 0 && line.GetString()[length - 1] == ' ') --length;
    return CString(line.GetString(), length);
}

// The dependent-files list as one text: its entries separated by commas.
CString JoinList(const char* list) {
    CString joined;
    if (!list) return joined;
    for (int used = 0; list[used] != '\0' && used < kDependentFilesSize;) {
        if (!joined.IsEmpty()) joined += ",";
        const char* entry = list + used;
        int length = 0;
        while (used + length < kDependentFilesSize && entry[length] != '\0') ++length;
        joined.Append(entry, length);
        used += length + 1;
    }
    return joined;
}

}  // namespace

CString SystemErrorText(const char16_t* text, int length) {
    if (!text || length <= 0) return CString();
    if (length > kErrorTextSize) length = kErrorTextSize;
    return OneLine(Utf16ToUtf8(text, static_cast<size_t>(length)));
}

void LogCallResult(ILogSink& log, const CString& call, bool ok, unsigned long error,
                   const CString& systemText) {
    CString line(call);
    if (ok) {
        line += ": ok";
    } else {
        CString code;
        code.Format(": error %lu", error);
        line += code;
        CString text = OneLine(systemText);
        if (!text.IsEmpty()) {
            line += ": ";
            line += text;
        }
    }
    log.Line(line);
}

void LoggingPlatform::Result(const CString& call, bool ok, unsigned long error) {
    char16_t text[kErrorTextSize];
    int length = ok ? 0 : m_platform.ErrorText(error, text, kErrorTextSize);
    LogCallResult(m_log, call, ok, error, SystemErrorText(text, length));
}

bool LoggingPlatform::GetDriverDirectory(const char* environment, char* buffer, int size,
                                         unsigned long& error) {
    bool ok = m_platform.GetDriverDirectory(environment, buffer, size, error);
    CString call;
    call.Format("GetPrinterDriverDirectoryA \"%s\"", environment);
    if (ok) {
        // The buffer may lack its terminator; the installation checks that.
        int length = 0;
        while (length < size && buffer[length] != '\0') ++length;
        call += " = \"";
        call += m_log.FromAnsi(CString(buffer, length));
        call += "\"";
    }
    Result(call, ok, error);
    return ok;
}

bool LoggingPlatform::CopyDriverFile(const char* source, const char* destination, bool overwrite,
                                     unsigned long& error) {
    bool ok = m_platform.CopyDriverFile(source, destination, overwrite, error);
    CString call;
    call.Format("CopyFileA \"%s\" -> \"%s\"", m_log.FromAnsi(source).GetString(),
                m_log.FromAnsi(destination).GetString());
    Result(call, ok, error);
    return ok;
}

bool LoggingPlatform::QuerySourceFile(const char* path, SourceFileInfo& info,
                                      unsigned long& error) {
    bool ok = m_platform.QuerySourceFile(path, info, error);
    CString call;
    call.Format("GetFileAttributesExA \"%s\"", m_log.FromAnsi(path).GetString());
    if (ok) {
        CString found;
        if (info.isDirectory) {
            found = " = folder";
        } else {
            found.Format(" = %llu bytes", info.size);
        }
        call += found;
    }
    Result(call, ok, error);
    return ok;
}

bool LoggingPlatform::MoveDriverFile(const char* source, const char* destination,
                                     unsigned long& error) {
    bool ok = m_platform.MoveDriverFile(source, destination, error);
    CString call;
    call.Format("MoveFileExA \"%s\" -> \"%s\"", m_log.FromAnsi(source).GetString(),
                m_log.FromAnsi(destination).GetString());
    Result(call, ok, error);
    return ok;
}

void LoggingPlatform::DeleteDriverFile(const char* path) {
    m_platform.DeleteDriverFile(path);
    CString line;
    line.Format("DeleteFileA \"%s\"", m_log.FromAnsi(path).GetString());
    m_log.Line(line);
}

bool LoggingPlatform::RegisterDriver(const DriverInfo3& info, unsigned long& error) {
    bool ok = m_platform.RegisterDriver(info, error);
    CString call;
    call.Format(
        "AddPrinterDriverA level 3 \"%s\" environment \"%s\" driver \"%s\" data \"%s\" config "
        "\"%s\" help \"%s\" dependent \"%s\"",
        info.pName, info.pEnvironment, info.pDriverPath, info.pDataFile, info.pConfigFile,
        info.pHelpFile, JoinList(info.pDependentFiles).GetString());
    Result(call, ok, error);
    return ok;
}

PrinterHandle LoggingPlatform::CreatePrinter(const PrinterInfo2& info, unsigned long& error) {
    PrinterHandle printer = m_platform.CreatePrinter(info, error);
    CString call;
    call.Format("AddPrinterA level 2 \"%s\" port \"%s\" driver \"%s\"", info.pPrinterName,
                m_log.FromAnsi(info.pPortName).GetString(), info.pDriverName);
    Result(call, printer != nullptr, error);
    return printer;
}

bool LoggingPlatform::ReadPrinterDriver(const char* printer, char16_t* buffer, int size,
                                        unsigned long& error) {
    bool ok = m_platform.ReadPrinterDriver(printer, buffer, size, error);
    CString call;
    call.Format("GetPrinterW \"%s\"", printer);
    if (ok) {
        int length = 0;
        while (length < size && buffer[length] != 0) ++length;
        call += " driver \"";
        call += Utf16ToUtf8(buffer, static_cast<size_t>(length));
        call += "\"";
    }
    Result(call, ok, error);
    return ok;
}

void LoggingPlatform::ClosePrinterHandle(PrinterHandle printer) {
    m_platform.ClosePrinterHandle(printer);
    m_log.Line("ClosePrinter");
}

long LoggingPlatform::OpenRegKey(RegRoot root, const char* path, unsigned long access,
                                 RegKeyHandle& key) {
    long status = m_platform.OpenRegKey(root, path, access, key);
    CString call;
    call.Format("RegOpenKeyExA %s\\%s", RootName(root), path);
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

long LoggingPlatform::CreateRegKey(RegRoot root, const char* path, unsigned long access,
                                   RegKeyHandle& key) {
    long status = m_platform.CreateRegKey(root, path, access, key);
    CString call;
    call.Format("RegCreateKeyExA %s\\%s", RootName(root), path);
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

long LoggingPlatform::SetRegString(RegKeyHandle key, const char* name, const char* text,
                                   unsigned long byteCount) {
    long status = m_platform.SetRegString(key, name, text, byteCount);
    CString call;
    call.Format("RegSetValueExA \"%s\" = \"%s\" (%lu bytes)", name,
                m_log.FromAnsi(text).GetString(), byteCount);
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

void LoggingPlatform::CloseRegKey(RegKeyHandle key) {
    m_platform.CloseRegKey(key);
    m_log.Line("RegCloseKey");
}

void LoggingPlatform::ShowMessage(const char* textCp936) {
    CString line("message: ");
    line += OneLine(textCp936);
    m_log.LineCp936(line);
    m_platform.ShowMessage(textCp936);
}

// Progress and the pause are no steps of their own.
void LoggingPlatform::Pause(unsigned long milliseconds) {
    m_platform.Pause(milliseconds);
}

void LoggingPlatform::SetProgress(int position) {
    m_platform.SetProgress(position);
}

int LoggingPlatform::ErrorText(unsigned long error, char16_t* buffer, int size) {
    return m_platform.ErrorText(error, buffer, size);
}

void LoggingRemovalPlatform::Result(const CString& call, bool ok, unsigned long error) {
    char16_t text[kErrorTextSize];
    int length = ok ? 0 : m_platform.ErrorText(error, text, kErrorTextSize);
    LogCallResult(m_log, call, ok, error, SystemErrorText(text, length));
}

PrinterHandle LoggingRemovalPlatform::OpenPrinterToDelete(const char* name, unsigned long& error) {
    PrinterHandle printer = m_platform.OpenPrinterToDelete(name, error);
    CString call;
    call.Format("OpenPrinterA \"%s\" (PRINTER_ALL_ACCESS)", name);
    Result(call, printer != nullptr, error);
    return printer;
}

bool LoggingRemovalPlatform::DeletePrinter(PrinterHandle printer, unsigned long& error) {
    bool ok = m_platform.DeletePrinter(printer, error);
    Result("DeletePrinter", ok, error);
    return ok;
}

bool LoggingRemovalPlatform::FindDriver(const char* environment, const char* name, bool& listed,
                                        unsigned long& error) {
    bool ok = m_platform.FindDriver(environment, name, listed, error);
    CString call;
    call.Format("EnumPrinterDriversA \"%s\"", environment);
    if (ok) {
        call += listed ? " lists \"" : " does not list \"";
        call += name;
        call += "\"";
    }
    Result(call, ok, error);
    return ok;
}

bool LoggingRemovalPlatform::DeleteDriverEx(const char* environment, const char* name,
                                            unsigned long deleteFlags, unsigned long& error) {
    bool ok = m_platform.DeleteDriverEx(environment, name, deleteFlags, error);
    CString call;
    call.Format("DeletePrinterDriverExA \"%s\" environment \"%s\" flags 0x%lx", name, environment,
                deleteFlags);
    Result(call, ok, error);
    return ok;
}

bool LoggingRemovalPlatform::DeleteDriver(const char* environment, const char* name,
                                          unsigned long& error) {
    bool ok = m_platform.DeleteDriver(environment, name, error);
    CString call;
    call.Format("DeletePrinterDriverA \"%s\" environment \"%s\"", name, environment);
    Result(call, ok, error);
    if (ok) m_log.Line("the driver files were left in the driver directory");
    return ok;
}

long LoggingRemovalPlatform::QueryRegString(RegKeyHandle key, const char* name, CString& text) {
    long status = m_platform.QueryRegString(key, name, text);
    CString call;
    call.Format("RegQueryValueExA \"%s\"", name);
    if (status == 0) {
        call += " = \"";
        call += m_log.FromAnsi(text);
        call += "\"";
    }
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

long LoggingRemovalPlatform::DeleteRegValue(RegKeyHandle key, const char* name) {
    long status = m_platform.DeleteRegValue(key, name);
    CString call;
    call.Format("RegDeleteValueA \"%s\"", name);
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

void LoggingRemovalPlatform::ClosePrinterHandle(PrinterHandle printer) {
    m_platform.ClosePrinterHandle(printer);
    m_log.Line("ClosePrinter");
}

long LoggingRemovalPlatform::OpenRegKey(RegRoot root, const char* path, unsigned long access,
                                        RegKeyHandle& key) {
    long status = m_platform.OpenRegKey(root, path, access, key);
    CString call;
    call.Format("RegOpenKeyExA %s\\%s", RootName(root), path);
    Result(call, status == 0, static_cast<unsigned long>(status));
    return status;
}

void LoggingRemovalPlatform::CloseRegKey(RegKeyHandle key) {
    m_platform.CloseRegKey(key);
    m_log.Line("RegCloseKey");
}

int LoggingRemovalPlatform::ErrorText(unsigned long error, char16_t* buffer, int size) {
    return m_platform.ErrorText(error, buffer, size);
}
