#include "app/unattended.h"

#include "framework/message_box.h"
#include "framework/text.h"
#include "framework/sysdll.h"

#include <cstdlib>

#include "core/os_version.h"
#include "core/port_preselect.h"
#include "win32/install_lock.h"
#include "install/logging_platform.h"
#include "install/unattended.h"
#include "win32/install_platform.h"
#include "win32/removal_platform.h"
#include "pages/os_select_dlg.h"
#include "pages/wizard_globals.h"

namespace {

// UTF-16 of a text in the given code page.
CHeapBlock<wchar_t> ToWide(UINT codePage, const char* text) {
    int needed = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (needed <= 0) return {};
    CHeapBlock<wchar_t> wide(
        static_cast<wchar_t*>(std::calloc(static_cast<size_t>(needed), sizeof(wchar_t))));
    if (!wide) std::abort();
    MultiByteToWideChar(codePage, 0, text, -1, wide.Get(), needed);
    return wide;
}

CString FromWide(UINT codePage, const wchar_t* text) {
    CString result;
    if (!text) return result;
    int needed = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) return result;
    char* buffer = result.GetBuffer(needed);
    WideCharToMultiByte(codePage, 0, text, -1, buffer, needed, nullptr, nullptr);
    result.ReleaseBuffer(-1);
    return result;
}

CString Recode(UINT from, UINT to, const char* text) {
    return FromWide(to, ToWide(from, text).Get());
}

// Full path of a file name, resolved against the current directory; empty
// when the system cannot resolve it.
CHeapBlock<wchar_t> FullPath(const wchar_t* name) {
    DWORD needed = GetFullPathNameW(name, 0, nullptr, nullptr);
    if (needed == 0) return {};
    CHeapBlock<wchar_t> path(static_cast<wchar_t*>(std::calloc(needed, sizeof(wchar_t))));
    if (!path) std::abort();
    DWORD length = GetFullPathNameW(name, needed, path.Get(), nullptr);
    if (length == 0 || length >= needed) return {};
    return path;
}

// DriverSetup.log in the folder of %TEMP%.
CHeapBlock<wchar_t> DefaultLogPath() {
    const wchar_t kName[] = L"DriverSetup.log";
    DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return {};
    size_t size = needed + sizeof kName / sizeof kName[0];
    CHeapBlock<wchar_t> path(static_cast<wchar_t*>(std::calloc(size, sizeof(wchar_t))));
    if (!path) std::abort();
    DWORD length = GetTempPathW(needed, path.Get());
    if (length == 0 || length >= needed) return {};
    lstrcatW(path.Get(), kName);
    return path;
}

// Appends to the log file, UTF-8 with a byte-order mark so that Notepad
// shows the Chinese. Each line is written at once, so that a run that ends
// abruptly still leaves its steps; a log that cannot be written is dropped
// without a word.
class CFileLog : public ILogSink {
  public:
    explicit CFileLog(const wchar_t* path) {
        if (!path) return;
        // Runs started together append to the same file, and only its creator
        // may write the byte-order mark: it makes the file alone, with the
        // mark, before anyone else can open it.
        {
            CScopedFile created(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            if (created) {
                DWORD written = 0;
                WriteFile(created.Get(), kByteOrderMark, 3, &written, nullptr);
            }
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_file.Reset(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (m_file || GetLastError() != ERROR_SHARING_VIOLATION) break;
            Sleep(5);
        }
        if (!m_file) return;
        // An empty file that someone else made.
        LARGE_INTEGER size = {};
        if (GetFileSizeEx(m_file.Get(), &size) && size.QuadPart == 0) Write(kByteOrderMark, 3);
    }
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    void LineCp936(const char* text) override { Line(Recode(kProductCodePage, CP_UTF8, text)); }
    CString FromAnsi(const char* text) override { return Recode(CP_ACP, CP_UTF8, text); }

    void Line(const char* text) override {
        if (!m_file) return;
        SYSTEMTIME now;
        GetLocalTime(&now);
        CString line;
        line.Format("%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth, now.wDay,
                    now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                    static_cast<unsigned long>(GetCurrentProcessId()));
        line += text;
        line += "\r\n";
        Write(line, line.GetLength());
    }

  private:
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

    void Write(const char* bytes, int length) {
        DWORD written = 0;
        WriteFile(m_file.Get(), bytes, static_cast<DWORD>(length), &written, nullptr);
    }

    CScopedFile m_file;
};

// A UTF-8 text in the program's message box, unless the run is quiet.
void Show(bool quiet, const char* text, UINT type = MB_OK) {
    if (!quiet) AfxMessageBoxUtf8(text, type);
}

// A refused command line changes nothing: the reason goes to the log and,
// with the usage, to the message box unless the run is quiet.
int Refuse(ILogSink& log, bool quiet, const char* reason) {
    CString text(u8"命令行无效：");
    text += reason;
    log.Line(text);
    log.Line("exit code 87");
    text += "\n\n";
    text += CommandUsageText();
    Show(quiet, text);
    return kExitBadCommandLine;
}

// The spooler's ports as the port page lists them, the one /port: names or
// the page's preselection, in the system's ANSI code page as the spooler's
// ANSI calls take it; false with the reason (UTF-8) when there is none.
bool ChoosePort(const CommandRequest& request, CString& port, CString& reason) {
    DWORD count = 0;
    CHeapBlock<BYTE> buffer = sysdll::Enumerate(sysdll::EnumPortsW, 2, &count);
    const PORT_INFO_2W* ports = RecordsOf<PORT_INFO_2W>(buffer);
    int listed = static_cast<int>(count < kMaxPortRows ? count : kMaxPortRows);
    // UTF-8 like the command line; the prefixes of the preselection are ASCII.
    CString utf8Names[kMaxPortRows];
    const char* names[kMaxPortRows];
    for (int p = 0; p < listed; ++p) {
        utf8Names[p] = WideToBytes(ports[p].pPortName ? ports[p].pPortName : L"", -1, CP_UTF8);
        names[p] = utf8Names[p];
    }
    int row = ResolvePortRow(request, names, listed);
    bool ok = false;
    if (row >= 0) {
        port = WideToBytes(ports[row].pPortName ? ports[row].pPortName : L"", -1, CP_ACP);
        // A name that does not survive the ANSI code page would create the
        // printer on a port that does not exist.
        ok = lstrcmpW(CWideText(port, CP_ACP), ports[row].pPortName ? ports[row].pPortName : L"") ==
             0;
        if (!ok) {
            reason = u8"端口名称无法用于安装：";
            reason += utf8Names[row];
        }
    } else if (request.hasPort) {
        reason = u8"打印机后台程序没有端口 ";
        reason += request.port;
    } else {
        reason = u8"没有可预选的端口，请用 /port: 指定";
    }
    return ok;
}

}  // namespace

CUnattendedCommand::CUnattendedCommand() {
    const wchar_t* line = GetCommandLineW();
    m_lineUtf8 = FromWide(CP_UTF8, line);
    m_request = ParseCommand(SplitCommandLine(m_lineUtf8));
    if (!HasArguments()) return;
    if (m_request.hasLog) {
        CHeapBlock<wchar_t> name = ToWide(CP_UTF8, m_request.logPath);
        if (name) m_logPath = FullPath(name.Get());
    } else {
        m_logPath = DefaultLogPath();
    }
}

int CUnattendedCommand::Run(bool inProgramFolder) {
    CFileLog log(m_logPath.Get());
    const bool quiet = m_request.quiet;
    CString line("command line: ");
    line += m_lineUtf8;
    log.Line(line);

    int exitCode = kExitSuccess;
    switch (m_request.action) {
        case CommandAction::Wizard:
            return kExitSuccess;
        case CommandAction::Usage:
            log.Line(quiet ? "usage (not shown: /quiet)" : "usage shown");
            Show(quiet, CommandUsageText(), MB_OK | MB_ICONINFORMATION);
            log.Line("exit code 0");
            return kExitSuccess;
        case CommandAction::Refused:
            return Refuse(log, quiet, m_request.reason);
        case CommandAction::Install:
        case CommandAction::Remove:
            break;
    }

    if (!inProgramFolder) {
        // Nothing may be installed from wherever the current directory is.
        log.Line(kNoProgramFolderText);
        log.Line("exit code 1603");
        Show(quiet, kNoProgramFolderText);
        return kExitInstallFailure;
    }
    DetectOsType();
    const bool x64 = sysdll::IsWow64();
    line.Format("OS code %d, variant %s", g_nOsType, x64 ? "x64" : "x86");
    log.Line(line);

    CString port;
    if (m_request.action == CommandAction::Install) {
        CString reason;
        if (!ChoosePort(m_request, port, reason)) return Refuse(log, quiet, reason);
        line.Format("port \"%s\"", Recode(CP_ACP, CP_UTF8, port).GetString());
        log.Line(line);
    }

    // Deployment tools retry a run that answers 1618.
    InstallLock lock;
    if (!lock.TryAcquire()) {
        log.Line("another installation is running");
        log.Line("exit code 1618");
        Show(quiet, u8"另一个安装正在进行，请稍后再试。");
        return kExitAnotherInstaller;
    }

    CString outcome;
    if (m_request.action == CommandAction::Install) {
        InstallRequest request =
            UnattendedInstallRequest(m_request.modelRow, port, m_request.setDefault, x64);
        Win32InstallPlatform platform{Win32InstallPlatform::Windowless{}};
        LoggingPlatform logging(platform, log);
        InstallResult result = RunInstallation(request, logging);
        exitCode = InstallExitCode(result);
        outcome = FormatInstallOutcome(result, platform);
        // The pages confirm a finished installation on NT systems only.
        if (outcome.IsEmpty() && IsNtOsCode(g_nOsType)) outcome = u8"驱动安装完成";
    } else {
        Win32RemovalPlatform platform;
        LoggingRemovalPlatform logging(platform, log);
        RemovalResult result = RunRemoval(m_request.modelRow, x64, logging);
        exitCode = RemovalExitCode(result);
        outcome = FormatRemovalOutcome(result, platform);
    }
    // One log line per line of the outcome.
    for (const char* p = outcome; *p;) {
        const char* end = p;
        while (*end && *end != '\n') ++end;
        log.Line(CString(p, static_cast<int>(end - p)));
        p = *end ? end + 1 : end;
    }
    line.Format("exit code %d", exitCode);
    log.Line(line);
    if (!outcome.IsEmpty()) Show(quiet, outcome);
    return exitCode;
}
