#include "app/unattended.h"

#include "framework/afxwin.h"
#include "framework/sysdll.h"

#include <cstdlib>

#include "core/os_version.h"
#include "core/port_preselect.h"
#include "install/install_lock.h"
#include "install/logging_platform.h"
#include "install/unattended.h"
#include "install/win32_platform.h"
#include "install/win32_removal_platform.h"
#include "pages/os_select_dlg.h"
#include "pages/wizard_globals.h"

namespace {

// UTF-16 of a text in the given code page; release with std::free.
wchar_t* ToWide(UINT codePage, const char* text) {
    int needed = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (needed <= 0) return nullptr;
    wchar_t* wide =
        static_cast<wchar_t*>(std::calloc(static_cast<size_t>(needed), sizeof(wchar_t)));
    if (!wide) std::abort();
    MultiByteToWideChar(codePage, 0, text, -1, wide, needed);
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
    wchar_t* wide = ToWide(from, text);
    CString result = FromWide(to, wide);
    std::free(wide);
    return result;
}

// Full path of a file name, resolved against the current directory; null
// when the system cannot resolve it.
wchar_t* FullPath(const wchar_t* name) {
    DWORD needed = GetFullPathNameW(name, 0, nullptr, nullptr);
    if (needed == 0) return nullptr;
    wchar_t* path = static_cast<wchar_t*>(std::calloc(needed, sizeof(wchar_t)));
    if (!path) std::abort();
    DWORD length = GetFullPathNameW(name, needed, path, nullptr);
    if (length == 0 || length >= needed) {
        std::free(path);
        return nullptr;
    }
    return path;
}

// DriverSetup.log in the folder of %TEMP%.
wchar_t* DefaultLogPath() {
    const wchar_t kName[] = L"DriverSetup.log";
    DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return nullptr;
    size_t size = needed + sizeof kName / sizeof kName[0];
    wchar_t* path = static_cast<wchar_t*>(std::calloc(size, sizeof(wchar_t)));
    if (!path) std::abort();
    DWORD length = GetTempPathW(needed, path);
    if (length == 0 || length >= needed) {
        std::free(path);
        return nullptr;
    }
    lstrcatW(path, kName);
    return path;
}

// Appends to the log file, UTF-8 with a byte-order mark so that Notepad
// shows the Chinese. Each line is written at once, so that a run that ends
// abruptly still leaves its steps; a log that cannot be written is dropped
// without a word.
class CFileLog : public ILogSink {
  public:
    explicit CFileLog(const wchar_t* path) : m_file(INVALID_HANDLE_VALUE) {
        if (!path) return;
        // Runs started together append to the same file.
        m_file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER size = {};
        if (GetFileSizeEx(m_file, &size) && size.QuadPart == 0) Write("\xEF\xBB\xBF", 3);
    }
    ~CFileLog() override {
        if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    }
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    void Line(const char* textCp936) override {
        LineUtf8(Recode(kProductCodePage, CP_UTF8, textCp936));
    }

    void LineUtf8(const char* text) {
        if (m_file == INVALID_HANDLE_VALUE) return;
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
    void Write(const char* bytes, int length) {
        DWORD written = 0;
        WriteFile(m_file, bytes, static_cast<DWORD>(length), &written, nullptr);
    }

    HANDLE m_file;
};

// Deployment tools start programs in their own directory; the driver files
// are found relative to the program's folder.
bool EnterProgramFolderForCommandLine() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    wchar_t* slash = nullptr;
    for (wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') slash = p;
    if (!slash) return false;
    *slash = L'\0';
    return SetCurrentDirectoryW(path) != FALSE;
}

void Show(bool quiet, const char* text, UINT type = MB_OK) {
    if (!quiet) AfxMessageBox(text, type);
}

// The spooler's ports as the port page lists them; the port chosen for the
// installation in the system's ANSI code page, or refuses.
bool ChoosePort(const CommandRequest& request, CString& port, CString& reason) {
    DWORD count = 0;
    BYTE* buffer = sysdll::Enumerate(sysdll::EnumPortsA, 2, &count);
    const PORT_INFO_2A* ports = reinterpret_cast<const PORT_INFO_2A*>(buffer);
    int listed = static_cast<int>(count < kMaxPortRows ? count : kMaxPortRows);
    const char* names[kMaxPortRows];
    for (int p = 0; p < listed; ++p) names[p] = ports[p].pPortName ? ports[p].pPortName : "";

    CommandRequest asked = request;
    // The command line arrives as UTF-8; the spooler's names are ANSI.
    if (request.hasPort) asked.port = Recode(CP_UTF8, CP_ACP, request.port);
    int row = ResolvePortRow(asked, names, listed);
    if (row >= 0) {
        port = names[row];
    } else if (request.hasPort) {
        reason = "打印机后台程序没有端口 ";
        reason += Recode(CP_UTF8, kProductCodePage, request.port);
    } else {
        reason = "没有可预选的端口，请用 /port: 指定";
    }
    std::free(buffer);
    return row >= 0;
}

}  // namespace

CUnattendedCommand::CUnattendedCommand() : m_logPath(nullptr) {
    const wchar_t* line = GetCommandLineW();
    m_lineUtf8 = FromWide(CP_UTF8, line);
    m_request = ParseCommand(SplitCommandLine(m_lineUtf8));
    if (!HasArguments()) return;
    if (m_request.hasLog) {
        wchar_t* name = ToWide(CP_UTF8, m_request.logPath);
        if (name) m_logPath = FullPath(name);
        std::free(name);
    } else {
        m_logPath = DefaultLogPath();
    }
}

CUnattendedCommand::~CUnattendedCommand() {
    std::free(m_logPath);
}

int CUnattendedCommand::Run() {
    CFileLog log(m_logPath);
    const bool quiet = m_request.quiet;
    CString line("command line: ");
    line += m_lineUtf8;
    log.LineUtf8(line);

    int exitCode = kExitSuccess;
    switch (m_request.action) {
        case CommandAction::Wizard:
            return kExitSuccess;
        case CommandAction::Usage:
            log.Line("usage shown");
            Show(quiet, CommandUsageText(), MB_OK | MB_ICONINFORMATION);
            log.Line("exit code 0");
            return kExitSuccess;
        case CommandAction::Refused: {
            CString text("命令行无效：");
            text += m_request.reason;
            log.Line(text);
            log.Line("exit code 87");
            text += "\n\n";
            text += CommandUsageText();
            Show(quiet, text);
            return kExitBadCommandLine;
        }
        case CommandAction::Install:
        case CommandAction::Remove:
            break;
    }

    if (!EnterProgramFolderForCommandLine()) log.Line("cannot enter the program's folder");
    DetectOsType();
    const bool x64 = IsWow64();
    line.Format("OS code %d, variant %s", g_nOsType, x64 ? "x64" : "x86");
    log.Line(line);

    CString port;
    if (m_request.action == CommandAction::Install) {
        CString reason;
        if (!ChoosePort(m_request, port, reason)) {
            CString text("命令行无效：");
            text += reason;
            log.Line(text);
            log.Line("exit code 87");
            text += "\n\n";
            text += CommandUsageText();
            Show(quiet, text);
            return kExitBadCommandLine;
        }
        line.Format("port \"%s\"", port.GetString());
        log.Line(line);
    }

    // Deployment tools retry a run that answers 1618.
    InstallLock lock;
    if (!lock.TryAcquire()) {
        log.Line("another installation is running");
        log.Line("exit code 1618");
        Show(quiet, "另一个安装正在进行，请稍后再试。");
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
        if (outcome.IsEmpty() && IsNtOsCode(g_nOsType)) outcome = "驱动安装完成";
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
