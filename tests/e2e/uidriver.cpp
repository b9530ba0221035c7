// UI driver for the end-to-end tests. Runs inside a Wine prefix: starts the wizard, then plays a
// scenario file (UTF-8, one command per line) against its windows. Usage:
//
//   uidriver.exe [--cwd DIR] [--exe PATH] [--out DIR] [--deadline S] [--winedebug CHANNELS]
//                SCENARIO
//
// --winedebug sets WINEDEBUG for the wizard alone; Wine writes its traces to the standard error
// that the wizard inherits from this driver.
//
// Exit status: 0 all commands passed, 1 a command failed, 2 bad usage or scenario, 77 skipped
// (require-os did not match). The command reference is in tests/e2e/README.md.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const int kExitFail = 1;
const int kExitUsage = 2;
const int kExitSkip = 77;

// ---------------------------------------------------------------------------------------------
// Text helpers. Everything is compared as UTF-16; output is UTF-8.

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                        nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// Quoted for messages, so that leading or trailing blanks and empty texts stay visible.
std::string Q(const std::wstring& w) {
    return "\"" + ToUtf8(w) + "\"";
}

CRITICAL_SECTION g_outLock;
DWORD g_startTick = 0;

void Out(const char* fmt, ...) {
    EnterCriticalSection(&g_outLock);
    std::printf("[%6.2f] ", (GetTickCount() - g_startTick) / 1000.0);
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
    LeaveCriticalSection(&g_outLock);
}

// ---------------------------------------------------------------------------------------------
// Window queries. The wizard runs in another process; WM_GETTEXT and the button and combo box
// messages are marshalled by the system, list view messages are not (see RemoteBuffer).

const UINT kSendTimeoutMs = 2000;

bool SendTimeout(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r)) return false;
    if (result) *result = r;
    return true;
}

std::wstring ClassOf(HWND w) {
    wchar_t buf[128] = {};
    GetClassNameW(w, buf, 128);
    return buf;
}

std::wstring TextOf(HWND w) {
    DWORD_PTR len = 0;
    if (!SendTimeout(w, WM_GETTEXTLENGTH, 0, 0, &len)) return L"<no answer>";
    std::vector<wchar_t> buf(len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendTimeout(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got)) {
        return L"<no answer>";
    }
    return std::wstring(buf.data(), got);
}

LONG StyleOf(HWND w) {
    return GetWindowLongW(w, GWL_STYLE);
}

bool IsDialog(HWND w) {
    return ClassOf(w) == L"#32770";
}

bool IsButtonWithCheck(HWND w) {
    if (ClassOf(w) != L"Button") return false;
    LONG t = StyleOf(w) & BS_TYPEMASK;
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_RADIOBUTTON ||
           t == BS_AUTORADIOBUTTON || t == BS_3STATE || t == BS_AUTO3STATE;
}

HWND FocusOf(HWND w) {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gti)) return nullptr;
    return gti.hwndFocus;
}

struct EnumState {
    DWORD pid;
    std::vector<HWND>* out;
};

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM lp) {
    auto* st = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == st->pid) st->out->push_back(w);
    return TRUE;
}

std::vector<HWND> TopLevelOf(DWORD pid) {
    std::vector<HWND> v;
    EnumState st{pid, &v};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&st));
    return v;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> v;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&v));
    return v;
}

std::string Describe(HWND w, HWND focus) {
    char buf[160];
    RECT r = {};
    GetWindowRect(w, &r);
    LONG style = StyleOf(w);
    std::snprintf(buf, sizeof buf, "%p id=%ld class=%s %s %s style=%08lx (%ld,%ld %ldx%ld)",
                  static_cast<void*>(w), static_cast<long>(GetDlgCtrlID(w)),
                  ToUtf8(ClassOf(w)).c_str(), (style & WS_VISIBLE) ? "visible" : "hidden",
                  (style & WS_DISABLED) ? "disabled" : "enabled", static_cast<unsigned long>(style),
                  r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::string s = buf;
    if (IsButtonWithCheck(w)) {
        DWORD_PTR c = 0;
        SendTimeout(w, BM_GETCHECK, 0, 0, &c);
        s += c == BST_CHECKED ? " checked" : " unchecked";
    }
    if (w == focus) s += " FOCUS";
    return s + " text=" + Q(TextOf(w));
}

void DumpWindows(DWORD pid) {
    std::vector<HWND> tops = TopLevelOf(pid);
    Out("windows of the wizard (process %lu): %u top-level", static_cast<unsigned long>(pid),
        static_cast<unsigned>(tops.size()));
    for (HWND t : tops) {
        // Hidden helper windows (IME and the like) are noise; list them in one line each.
        bool visible = IsWindowVisible(t) != FALSE;
        HWND focus = FocusOf(t);
        Out("  top %s", Describe(t, focus).c_str());
        if (!visible) continue;
        for (HWND c : ChildrenOf(t)) Out("    child %s", Describe(c, focus).c_str());
    }
}

// ---------------------------------------------------------------------------------------------
// Memory in the wizard's process, for the list view messages whose pointers are not marshalled.
// Both processes are 32-bit, so the structures have the same layout on both sides.

class RemoteBuffer {
  public:
    RemoteBuffer(HANDLE process, size_t size) : process_(process), size_(size) {
        ptr_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (ptr_) VirtualFreeEx(process_, ptr_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return ptr_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(ptr_) + offset; }
    bool Write(size_t offset, const void* data, size_t n) {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, &done) &&
               done == n;
    }
    bool Read(size_t offset, void* data, size_t n) {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, &done) &&
               done == n;
    }

  private:
    HANDLE process_;
    size_t size_;
    void* ptr_;
};

// ---------------------------------------------------------------------------------------------
// The scenario player.

struct Line {
    int number;
    std::string raw;
    std::string cmd;
    std::vector<std::string> words;  // arguments split at blanks
    std::string rest;                // everything after the command, blanks inside kept
};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Returns the text after the first n blank-separated words of s.
std::string After(const std::string& s, int n) {
    size_t p = 0;
    for (int i = 0; i < n; ++i) {
        p = s.find_first_not_of(" \t", p);
        if (p == std::string::npos) return std::string();
        p = s.find_first_of(" \t", p);
        if (p == std::string::npos) return std::string();
    }
    p = s.find_first_not_of(" \t", p);
    return p == std::string::npos ? std::string() : s.substr(p);
}

bool ParseInt(const std::string& s, long* v) {
    if (s.empty()) return false;
    char* end = nullptr;
    long r = std::strtol(s.c_str(), &end, 0);  // 0x10 and 16 both work
    if (*end != '\0') return false;
    *v = r;
    return true;
}

bool ReadLines(const std::wstring& path, std::vector<std::string>* lines);

class Failure {
  public:
    explicit Failure(std::string what) : what_(std::move(what)) {}
    const std::string& what() const { return what_; }

  private:
    std::string what_;
};

class SyntaxError : public Failure {
    using Failure::Failure;
};

class Skip : public Failure {
    using Failure::Failure;
};

std::string Fmt(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// ---------------------------------------------------------------------------------------------
// What the installation leaves in the prefix: the spooler's printers, drivers and driver
// directory, registry values and files. Asked from inside the prefix, as the wizard sees them.

// The fields of a command argument written as <a>|<b>|...
std::vector<std::wstring> Fields(const std::string& s) {
    std::vector<std::wstring> v;
    size_t p = 0;
    for (;;) {
        size_t bar = s.find('|', p);
        v.push_back(FromUtf8(s.substr(p, bar == std::string::npos ? bar : bar - p)));
        if (bar == std::string::npos) return v;
        p = bar + 1;
    }
}

std::wstring Str(const wchar_t* s) {
    return s ? s : L"";
}

// File name after the last separator; the spooler reports full paths.
std::wstring BaseName(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

// File names compare as Windows compares them.
bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring Join(const std::vector<std::wstring>& v, const wchar_t* sep) {
    std::wstring s;
    for (size_t i = 0; i < v.size(); ++i) s += (i ? sep : L"") + v[i];
    return s;
}

struct PrinterRecord {
    std::wstring name, port, driver, processor, datatype;
};

// Level 2 records of the local printers.
std::vector<PrinterRecord> LocalPrinters() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) {
        count = 0;
    }
    std::vector<PrinterRecord> v;
    auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        v.push_back({Str(p[i].pPrinterName), Str(p[i].pPortName), Str(p[i].pDriverName),
                     Str(p[i].pPrintProcessor), Str(p[i].pDatatype)});
    }
    return v;
}

struct DriverRecord {
    DWORD version = 0;
    std::wstring name, driver, data, config, help, monitor, datatype;
    std::vector<std::wstring> dependent;
};

// Level 3 records of the drivers registered for an environment ("Windows NT x86", ...).
std::vector<DriverRecord> Drivers(const std::wstring& env) {
    DWORD needed = 0, count = 0;
    LPWSTR e = const_cast<LPWSTR>(env.c_str());
    EnumPrinterDriversW(nullptr, e, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (!EnumPrinterDriversW(nullptr, e, 3, buf.data(), needed, &needed, &count)) count = 0;
    std::vector<DriverRecord> v;
    auto* p = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        DriverRecord r;
        r.version = p[i].cVersion;
        r.name = Str(p[i].pName);
        r.driver = Str(p[i].pDriverPath);
        r.data = Str(p[i].pDataFile);
        r.config = Str(p[i].pConfigFile);
        r.help = Str(p[i].pHelpFile);
        r.monitor = Str(p[i].pMonitorName);
        r.datatype = Str(p[i].pDefaultDataType);
        for (const wchar_t* d = p[i].pDependentFiles; d && *d; d += wcslen(d) + 1) {
            r.dependent.push_back(d);
        }
        v.push_back(r);
    }
    return v;
}

std::wstring DriverDirectory(const std::wstring& env) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(env.c_str()), 1,
                                    reinterpret_cast<LPBYTE>(buf), sizeof buf, &needed)) {
        throw Failure(
            Fmt("no driver directory for %s (error %lu)", Q(env).c_str(), GetLastError()));
    }
    return buf;
}

// <root>\<path> with the root as HKCU, HKLM or spelt out.
HKEY ParseKey(const std::wstring& full, std::wstring* path) {
    static const struct {
        const wchar_t* name;
        HKEY key;
    } kRoots[] = {{L"HKCU", HKEY_CURRENT_USER},
                  {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                  {L"HKLM", HKEY_LOCAL_MACHINE},
                  {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};
    size_t slash = full.find(L'\\');
    std::wstring root = full.substr(0, slash);
    *path = slash == std::wstring::npos ? std::wstring() : full.substr(slash + 1);
    for (const auto& r : kRoots) {
        if (root == r.name) return r.key;
    }
    throw SyntaxError("a registry key starts with HKCU\\ or HKLM\\, not " + Q(full));
}

enum class RegState { kNoKey, kNoValue, kFound };

// A value's type and data; the data as UTF-16 units, the terminating zero included.
RegState ReadRegValue(const std::wstring& keyName, const std::wstring& value, DWORD* type,
                      std::wstring* data) {
    std::wstring path;
    HKEY root = ParseKey(keyName, &path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return RegState::kNoKey;
    }
    DWORD size = 0;
    LONG r = RegQueryValueExW(key, value.c_str(), nullptr, type, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        std::vector<BYTE> buf(size + 2, 0);
        r = RegQueryValueExW(key, value.c_str(), nullptr, type, buf.data(), &size);
        data->assign(reinterpret_cast<const wchar_t*>(buf.data()), size / sizeof(wchar_t));
    }
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? RegState::kFound : RegState::kNoValue;
}

// Shows a text with its zero units visible, as the registry holds it.
std::string ShowZeros(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c ? ToUtf8(std::wstring(1, c)) : "\\0";
    return "\"" + s + "\"";
}

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    std::fclose(f);
    return true;
}

// A path with its %VARIABLE%s replaced from the driver's environment (the wizard's is the same).
std::wstring Expand(const std::wstring& path) {
    DWORD n = ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    ExpandEnvironmentStringsW(path.c_str(), &out[0], n);
    out.resize(n - 1);
    return out;
}

// The lines of a message box's text (the wizard separates them with line feeds).
std::vector<std::wstring> TextLines(const std::wstring& text) {
    std::vector<std::wstring> v;
    size_t p = 0;
    for (;;) {
        size_t e = text.find(L'\n', p);
        std::wstring line = text.substr(p, e == std::wstring::npos ? e : e - p);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        v.push_back(line);
        if (e == std::wstring::npos) return v;
        p = e + 1;
    }
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The checks of expect-driver: f[2...] are <field>=<value>; found gets the first mismatch.
bool CheckDriver(const DriverRecord& d, const std::wstring& dir, const std::vector<std::wstring>& f,
                 std::string* found) {
    std::vector<std::wstring> files = {d.driver, d.data, d.config, d.help};
    files.insert(files.end(), d.dependent.begin(), d.dependent.end());
    for (const std::wstring& file : files) {
        if (_wcsnicmp(file.c_str(), dir.c_str(), dir.size()) != 0) {
            *found = Q(file) + ", outside " + Q(dir);
            return false;
        }
    }
    for (size_t i = 2; i < f.size(); ++i) {
        size_t eq = f[i].find(L'=');
        if (eq == std::wstring::npos) throw SyntaxError("a driver field is <field>=<value>");
        std::wstring key = f[i].substr(0, eq), want = f[i].substr(eq + 1), have;
        bool same = false;
        if (key == L"version") {
            have = std::to_wstring(d.version);
            same = have == want;
        } else if (key == L"driver" || key == L"data" || key == L"config" || key == L"help") {
            have = BaseName(key == L"driver"   ? d.driver
                            : key == L"data"   ? d.data
                            : key == L"config" ? d.config
                                               : d.help);
            same = SameFileName(have, want);
        } else if (key == L"dependent") {
            std::vector<std::wstring> names;
            for (const std::wstring& dep : d.dependent) names.push_back(BaseName(dep));
            have = Join(names, L",");
            same = SameFileName(have, want);
        } else if (key == L"datatype" || key == L"monitor") {
            have = key == L"datatype" ? d.datatype : d.monitor;
            same = have == want;
        } else {
            throw SyntaxError("unknown driver field " + Q(key));
        }
        if (!same) {
            *found = ToUtf8(key) + "=" + Q(have);
            return false;
        }
    }
    return true;
}

// For abandon-mutex: owns the mutex, then ends without releasing it.
DWORD WINAPI TakeAndLeave(void* mutex) {
    return WaitForSingleObject(static_cast<HANDLE>(mutex), 5000);
}

// Ends the whole run when the scenario as a whole takes too long (a command stuck in the
// wizard's process would otherwise hold the case until the host's timeout).
DWORD g_deadlineMs = 300000;
HANDLE g_wizardForWatchdog = nullptr;

class Player {
  public:
    Player(std::wstring exe, std::wstring cwd, std::wstring outDir, std::wstring winedebug)
        : exe_(std::move(exe)),
          cwd_(std::move(cwd)),
          outDir_(std::move(outDir)),
          winedebug_(std::move(winedebug)) {}
    ~Player() {
        StopWatcher();
        for (HANDLE h : held_) CloseHandle(h);
        if (mutex_) CloseHandle(mutex_);
    }

    void Run(const Line& l);
    void Finish();
    void DumpOnFailure() {
        if (pi_.hProcess) DumpWindows(pi_.dwProcessId);
    }

  private:
    // Polls pred every 25 ms until it holds or timeoutMs has passed.
    template <typename Pred>
    bool Poll(DWORD timeoutMs, Pred pred) {
        DWORD start = GetTickCount();
        for (;;) {
            if (pred()) return true;
            if (GetTickCount() - start >= timeoutMs) return false;
            Sleep(25);
        }
    }

    void EnsureStarted();
    bool Exited() { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }
    HWND Current();
    HWND Control(const Line& l, size_t word);
    long Number(const Line& l, size_t word);
    std::wstring TextArg(const Line& l, int skipWords);
    HWND FindDialog(const std::wstring& caption, const std::vector<long>& ids);
    HWND FindMessageBox(const std::wstring& text);
    void WaitMessage(const std::string& what, const std::function<bool(const std::wstring&)>& ok);

    void Wait(const std::wstring& caption, const std::vector<long>& ids);
    void Expect(const std::string& what, DWORD timeoutMs,
                const std::function<bool(std::string*)>& check);
    void Key(const Line& l);
    void Screenshot(const Line& l);
    int ListViewCount(HWND lv);
    std::wstring ListViewText(HWND lv, int row, int col);
    std::wstring ListViewHeader(HWND lv, int col);
    void ListViewSelect(HWND lv, int row);
    int ListViewSelected(HWND lv);

    // Watches for top-level windows of the wizard, to log them and for expect-no-new-window.
    static DWORD WINAPI WatchThread(void* self);
    void StartWatcher();
    void StopWatcher();
    // Trades the current wizard for the parked one (start-other, switch).
    void SwapWizards();

    // Forgets the wizard that ended, so that another one can start in the same prefix.
    void Reset();
    // A window that a command found becomes the current one; it counts as shown even when it
    // came and went between two looks of the watcher.
    void SetCurrent(HWND w);
    // Starts count wizards with these arguments at once; their exit codes.
    std::vector<DWORD> RunTogether(int count, const std::wstring& args);

    std::wstring exe_, cwd_, outDir_, winedebug_;
    std::wstring args_;  // the wizard's arguments after its quoted path (start-with)
    PROCESS_INFORMATION pi_ = {};
    HWND cur_ = nullptr;
    DWORD waitMs_ = 15000;
    DWORD expectMs_ = 2000;

    HANDLE watcher_ = nullptr;
    volatile LONG stopWatch_ = 0;
    CRITICAL_SECTION seenLock_;
    std::set<HWND> seen_;    // every visible top-level window so far
    std::set<HWND> atMark_;  // visible at the last mark
    std::vector<std::string> newSinceMark_;
    bool marked_ = false;
    std::vector<std::wstring> shownCaptions_;  // of every window in seen_, in order

    std::vector<HANDLE> held_;  // files kept open by hold-file
    HANDLE mutex_ = nullptr;    // owned by hold-mutex

    // A second wizard started by start-other, parked while the commands go to the other.
    PROCESS_INFORMATION otherPi_ = {};
    std::wstring otherExe_, otherCwd_;
    HWND otherCur_ = nullptr;
};

void Player::StartWatcher() {
    stopWatch_ = 0;
    InitializeCriticalSection(&seenLock_);
    watcher_ = CreateThread(nullptr, 0, WatchThread, this, 0, nullptr);
}

void Player::SwapWizards() {
    StopWatcher();
    std::swap(pi_, otherPi_);
    exe_.swap(otherExe_);
    cwd_.swap(otherCwd_);
    std::swap(cur_, otherCur_);
    seen_.clear();
    atMark_.clear();
    newSinceMark_.clear();
    marked_ = false;
    g_wizardForWatchdog = pi_.hProcess;
    if (pi_.hProcess) StartWatcher();
}

DWORD WINAPI Player::WatchThread(void* p) {
    auto* self = static_cast<Player*>(p);
    while (!self->stopWatch_) {
        for (HWND w : TopLevelOf(self->pi_.dwProcessId)) {
            // A window may go between the listing and the look at it: what was read of one
            // that is gone by the end of the look does not count.
            if (!IsWindowVisible(w)) continue;
            std::wstring cls = ClassOf(w), caption = TextOf(w);
            if (cls.empty() || !IsWindow(w) || !IsWindowVisible(w)) continue;
            EnterCriticalSection(&self->seenLock_);
            bool fresh = self->seen_.insert(w).second;
            if (fresh) self->shownCaptions_.push_back(caption);
            if (fresh && self->marked_ && !self->atMark_.count(w)) {
                self->newSinceMark_.push_back(ToUtf8(cls) + " " + Q(caption));
            }
            LeaveCriticalSection(&self->seenLock_);
            if (fresh) Out("window shown: %s", Describe(w, nullptr).c_str());
        }
        Sleep(20);
    }
    return 0;
}

void Player::StopWatcher() {
    if (!watcher_) return;
    InterlockedExchange(&stopWatch_, 1);
    WaitForSingleObject(watcher_, 5000);
    CloseHandle(watcher_);
    watcher_ = nullptr;
    DeleteCriticalSection(&seenLock_);
}

void Player::EnsureStarted() {
    if (pi_.hProcess) return;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmdline = L"\"" + exe_ + L"\"";
    if (!args_.empty()) cmdline += L" " + args_;
    // The wizard inherits the environment; the driver's own value comes back at once, so that
    // programs started by "run" do not trace too.
    wchar_t oldDebug[256] = {};
    bool hadDebug = GetEnvironmentVariableW(L"WINEDEBUG", oldDebug, 256) > 0;
    if (!winedebug_.empty()) SetEnvironmentVariableW(L"WINEDEBUG", winedebug_.c_str());
    BOOL started = CreateProcessW(exe_.c_str(), &cmdline[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  cwd_.empty() ? nullptr : cwd_.c_str(), &si, &pi_);
    DWORD error = GetLastError();
    if (!winedebug_.empty()) SetEnvironmentVariableW(L"WINEDEBUG", hadDebug ? oldDebug : nullptr);
    if (!started) {
        throw Failure(Fmt("cannot start %s in %s (error %lu)", ToUtf8(exe_).c_str(),
                          ToUtf8(cwd_).c_str(), error));
    }
    g_wizardForWatchdog = pi_.hProcess;
    Out("started %s (process %lu) in %s", ToUtf8(cmdline).c_str(),
        static_cast<unsigned long>(pi_.dwProcessId), ToUtf8(cwd_).c_str());
    StartWatcher();
}

void Player::Reset() {
    StopWatcher();
    g_wizardForWatchdog = nullptr;
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    pi_ = {};
    cur_ = nullptr;
    stopWatch_ = 0;
    seen_.clear();
    atMark_.clear();
    newSinceMark_.clear();
    shownCaptions_.clear();
    marked_ = false;
}

void Player::SetCurrent(HWND w) {
    cur_ = w;
    std::wstring caption = TextOf(w);
    EnterCriticalSection(&seenLock_);
    if (seen_.insert(w).second) shownCaptions_.push_back(caption);
    LeaveCriticalSection(&seenLock_);
}

std::vector<DWORD> Player::RunTogether(int count, const std::wstring& args) {
    // Created suspended and resumed one right after the other, so that they race for real.
    std::vector<PROCESS_INFORMATION> started;
    for (int i = 0; i < count; ++i) {
        std::wstring cmdline = L"\"" + exe_ + L"\" " + args;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(exe_.c_str(), &cmdline[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                            nullptr, cwd_.empty() ? nullptr : cwd_.c_str(), &si, &pi)) {
            DWORD error = GetLastError();
            for (auto& p : started) TerminateProcess(p.hProcess, 1);
            throw Failure(Fmt("cannot start %s (error %lu)", ToUtf8(cmdline).c_str(), error));
        }
        started.push_back(pi);
    }
    for (auto& p : started) ResumeThread(p.hThread);
    std::vector<DWORD> codes;
    for (auto& p : started) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(p.hProcess, waitMs_) == WAIT_OBJECT_0) {
            GetExitCodeProcess(p.hProcess, &code);
        } else {
            TerminateProcess(p.hProcess, 1);
        }
        CloseHandle(p.hThread);
        CloseHandle(p.hProcess);
        codes.push_back(code);
    }
    return codes;
}

HWND Player::Current() {
    if (!cur_) throw SyntaxError("no current window: use wait or expect-message first");
    if (!IsWindow(cur_)) throw Failure("the current window is gone");
    return cur_;
}

long Player::Number(const Line& l, size_t word) {
    long v = 0;
    if (word >= l.words.size() || !ParseInt(l.words[word], &v)) {
        throw SyntaxError(Fmt("argument %u must be a number", static_cast<unsigned>(word + 1)));
    }
    return v;
}

HWND Player::Control(const Line& l, size_t word) {
    HWND dlg = Current();
    long id = Number(l, word);
    HWND c = GetDlgItem(dlg, static_cast<int>(id));
    if (!c) throw Failure(Fmt("control %ld not found in %s", id, Q(TextOf(dlg)).c_str()));
    return c;
}

std::wstring Player::TextArg(const Line& l, int skipWords) {
    return FromUtf8(After(l.rest, skipWords));
}

HWND Player::FindDialog(const std::wstring& caption, const std::vector<long>& ids) {
    for (HWND w : TopLevelOf(pi_.dwProcessId)) {
        if (!IsWindowVisible(w) || !IsDialog(w)) continue;
        if (!caption.empty() && TextOf(w) != caption) continue;
        bool all = true;
        for (long id : ids) all = all && GetDlgItem(w, static_cast<int>(id)) != nullptr;
        if (all) return w;
    }
    return nullptr;
}

HWND Player::FindMessageBox(const std::wstring& text) {
    for (HWND w : TopLevelOf(pi_.dwProcessId)) {
        if (!IsWindowVisible(w) || !IsDialog(w)) continue;
        for (HWND c : ChildrenOf(w)) {
            if (ClassOf(c) == L"Static" && TextOf(c) == text) return w;
        }
    }
    return nullptr;
}

// Polls for a message box of the wizard whose text passes ok; it becomes the current window.
void Player::WaitMessage(const std::string& what,
                         const std::function<bool(const std::wstring&)>& ok) {
    EnsureStarted();
    HWND box = nullptr;
    std::vector<std::wstring> seen;
    Poll(waitMs_, [&] {
        seen.clear();
        for (HWND w : TopLevelOf(pi_.dwProcessId)) {
            if (!IsWindowVisible(w) || !IsDialog(w)) continue;
            HWND text = GetDlgItem(w, 0xFFFF);
            if (!text) continue;
            seen.push_back(TextOf(text));
            if (ok(seen.back())) box = w;
        }
        return box != nullptr || Exited();
    });
    if (!box) {
        throw Failure("expected " + what + ", found " +
                      (seen.empty() ? "no message box" : ShowZeros(Join(seen, L" and "))));
    }
    SetCurrent(box);
}

void Player::Wait(const std::wstring& caption, const std::vector<long>& ids) {
    EnsureStarted();
    HWND found = nullptr;
    bool ok = Poll(waitMs_, [&] {
        found = FindDialog(caption, ids);
        return found != nullptr || Exited();
    });
    if (found) {
        SetCurrent(found);
        return;
    }
    if (ok) throw Failure("the wizard ended before the window appeared");
    throw Failure(Fmt("no such window within %lu ms", static_cast<unsigned long>(waitMs_)));
}

void Player::Expect(const std::string& what, DWORD timeoutMs,
                    const std::function<bool(std::string*)>& check) {
    std::string found;
    if (Poll(timeoutMs, [&] { return check(&found); })) return;
    throw Failure("expected " + what + ", found " + found);
}

// Virtual key for a key name: enter, esc, tab, space, up, down, left, right, home, end, f1..f12,
// a letter or a digit.
WORD VirtualKey(const std::string& name) {
    static const struct {
        const char* name;
        WORD vk;
    } kKeys[] = {{"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"tab", VK_TAB},   {"space", VK_SPACE},
                 {"up", VK_UP},        {"down", VK_DOWN},  {"left", VK_LEFT}, {"right", VK_RIGHT},
                 {"home", VK_HOME},    {"end", VK_END},    {"f4", VK_F4}};
    for (const auto& k : kKeys) {
        if (name == k.name) return k.vk;
    }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    if (name.size() >= 2 && name[0] == 'f') {
        long n = 0;
        if (ParseInt(name.substr(1), &n) && n >= 1 && n <= 12) {
            return static_cast<WORD>(VK_F1 + n - 1);
        }
    }
    return 0;
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0 /* MAPVK_VK_TO_VSC */));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// key [post] <combo>: combo is a key name with optional alt+, ctrl+, shift+ prefixes. Real input
// (SendInput to the foreground dialog) goes through the dialog manager like a user's key press;
// "post" or a dialog that cannot be brought to the foreground falls back to posting WM_KEYDOWN
// and WM_KEYUP to the focused control, which the modal loop's IsDialogMessage also translates.
void Player::Key(const Line& l) {
    HWND dlg = Current();
    size_t at = 0;
    bool forcePost = false;
    if (!l.words.empty() && l.words[0] == "post") {
        forcePost = true;
        at = 1;
    }
    if (at >= l.words.size()) throw SyntaxError("key needs a key name");
    std::string combo = l.words[at];
    std::vector<WORD> mods;
    for (;;) {
        size_t plus = combo.find('+');
        if (plus == std::string::npos || plus + 1 == combo.size()) break;
        std::string m = combo.substr(0, plus);
        if (m == "alt") {
            mods.push_back(VK_MENU);
        } else if (m == "ctrl") {
            mods.push_back(VK_CONTROL);
        } else if (m == "shift") {
            mods.push_back(VK_SHIFT);
        } else {
            throw SyntaxError("unknown modifier " + m);
        }
        combo = combo.substr(plus + 1);
    }
    WORD vk = VirtualKey(combo);
    if (!vk) throw SyntaxError("unknown key " + combo);

    if (!forcePost) {
        SetForegroundWindow(dlg);
        if (Poll(1000, [&] { return GetForegroundWindow() == dlg; })) {
            std::vector<INPUT> seq;
            for (WORD m : mods) seq.push_back(KeyInput(m, false));
            seq.push_back(KeyInput(vk, false));
            seq.push_back(KeyInput(vk, true));
            for (auto it = mods.rbegin(); it != mods.rend(); ++it)
                seq.push_back(KeyInput(*it, true));
            UINT sent = SendInput(static_cast<UINT>(seq.size()), seq.data(), sizeof(INPUT));
            if (sent == seq.size()) return;
            Out("note: SendInput sent %u of %u events; posting the key instead", sent,
                static_cast<unsigned>(seq.size()));
        } else {
            Out("note: the dialog did not become the foreground window; posting the key instead");
        }
    }
    HWND target = FocusOf(dlg);
    if (!target) target = dlg;
    bool alt = false;
    for (WORD m : mods) alt = alt || m == VK_MENU;
    if (mods.size() > (alt ? 1u : 0u)) throw SyntaxError("only alt combines with a posted key");
    UINT scan = MapVirtualKeyW(vk, 0);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1 << 29) : 0);
    LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, up);
}

bool WriteBmp(const std::wstring& path, HDC src, int x, int y, int w, int h) {
    HDC mem = CreateCompatibleDC(src);
    HBITMAP bmp = CreateCompatibleBitmap(src, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    DWORD stride = ((w * 3 + 3) / 4) * 4;
    bih.biSizeImage = stride * h;
    std::vector<BYTE> pixels(bih.biSizeImage);
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);

    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;  // "BM"
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = std::fwrite(&bfh, sizeof bfh, 1, f) == 1 &&
              std::fwrite(&bih, sizeof bih, 1, f) == 1 &&
              std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

// screenshot <file.bmp> [screen]: the current window's area of the screen, or the whole screen.
void Player::Screenshot(const Line& l) {
    if (l.words.empty()) throw SyntaxError("screenshot needs a file name");
    std::wstring file = FromUtf8(l.words[0]);
    if (!outDir_.empty() && file.find(L':') == std::wstring::npos && file[0] != L'\\') {
        file = outDir_ + L"\\" + file;
    }
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bool whole = l.words.size() > 1 && l.words[1] == "screen";
    if (!whole) {
        HWND w = Current();
        RedrawWindow(w, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);  // the wizard repaints in its own thread
        GetWindowRect(w, &r);
    }
    HDC screen = GetDC(nullptr);
    bool ok = WriteBmp(file, screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    if (!ok) throw Failure("cannot write " + ToUtf8(file));
    Out("screenshot %s", ToUtf8(file).c_str());
}

int Player::ListViewCount(HWND lv) {
    DWORD_PTR n = 0;
    if (!SendTimeout(lv, LVM_GETITEMCOUNT, 0, 0, &n)) throw Failure("list view does not answer");
    return static_cast<int>(n);
}

std::wstring Player::ListViewText(HWND lv, int row, int col) {
    const size_t kChars = 512;
    RemoteBuffer rb(pi_.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    if (!rb.ok()) throw Failure("cannot allocate memory in the wizard's process");
    LVITEMW item = {};
    item.iSubItem = col;
    item.pszText = reinterpret_cast<wchar_t*>(rb.at(sizeof item));
    item.cchTextMax = kChars;
    rb.Write(0, &item, sizeof item);
    wchar_t zero = 0;
    rb.Write(sizeof item, &zero, sizeof zero);
    DWORD_PTR n = 0;
    SendTimeout(lv, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(rb.at(0)), &n);
    std::vector<wchar_t> text(kChars, L'\0');
    rb.Read(sizeof item, text.data(), kChars * sizeof(wchar_t));
    text[kChars - 1] = 0;
    return text.data();
}

std::wstring Player::ListViewHeader(HWND lv, int col) {
    const size_t kChars = 256;
    RemoteBuffer rb(pi_.hProcess, sizeof(LVCOLUMNW) + kChars * sizeof(wchar_t));
    if (!rb.ok()) throw Failure("cannot allocate memory in the wizard's process");
    LVCOLUMNW c = {};
    c.mask = LVCF_TEXT;
    c.pszText = reinterpret_cast<wchar_t*>(rb.at(sizeof c));
    c.cchTextMax = kChars;
    rb.Write(0, &c, sizeof c);
    DWORD_PTR ok = 0;
    SendTimeout(lv, LVM_GETCOLUMNW, col, reinterpret_cast<LPARAM>(rb.at(0)), &ok);
    if (!ok) return L"<no column>";
    std::vector<wchar_t> text(kChars, L'\0');
    rb.Read(sizeof c, text.data(), kChars * sizeof(wchar_t));
    text[kChars - 1] = 0;
    return text.data();
}

// Selects and focuses the row (a click does the same); other rows lose their selection.
void Player::ListViewSelect(HWND lv, int row) {
    RemoteBuffer rb(pi_.hProcess, sizeof(LVITEMW));
    if (!rb.ok()) throw Failure("cannot allocate memory in the wizard's process");
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    rb.Write(0, &item, sizeof item);
    SendTimeout(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(rb.at(0)),
                nullptr);
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    rb.Write(0, &item, sizeof item);
    SendTimeout(lv, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(rb.at(0)), nullptr);
}

int Player::ListViewSelected(HWND lv) {
    DWORD_PTR r = 0;
    SendTimeout(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &r);
    return static_cast<int>(static_cast<LONG_PTR>(r));
}

void Player::Run(const Line& l) {
    const std::string& c = l.cmd;
    if (c == "timeout") {
        waitMs_ = static_cast<DWORD>(Number(l, 0) * 1000);
    } else if (c == "echo") {
        Out("%s", l.rest.c_str());
    } else if (c == "sleep") {
        Sleep(static_cast<DWORD>(Number(l, 0)));
    } else if (c == "require-os") {
        // require-os <platform> <major>.<minor>: skips the scenario when Wine does not give the
        // version the case asks for (an unknown version name silently falls back to another).
        if (l.words.size() < 2) throw SyntaxError("require-os <platform> <major>.<minor>");
        OSVERSIONINFOW v = {};
        v.dwOSVersionInfoSize = sizeof v;
        GetVersionExW(&v);
        std::string have = Fmt("%lu %lu.%lu", v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
        if (have != l.words[0] + " " + l.words[1]) {
            throw Skip("this Wine prefix reports platform and version " + have);
        }
    } else if (c == "start") {
        EnsureStarted();
    } else if (c == "start-again") {
        // The wizard ended; a new one starts in the same prefix, as a second installation.
        if (!pi_.hProcess) throw SyntaxError("start-again needs a wizard that ran before");
        if (!Exited()) throw Failure("the wizard still runs");
        Reset();
        args_.clear();
        EnsureStarted();
    } else if (c == "start-with") {
        // start-with <arguments>: starts the wizard with this text after its quoted path (as a
        // deployment tool would); after an earlier wizard has ended, in the same prefix.
        if (pi_.hProcess) {
            if (!Exited()) throw Failure("the wizard still runs");
            Reset();
        }
        args_ = FromUtf8(l.rest);
        EnsureStarted();
    } else if (c == "expect-exit-code") {
        // expect-exit-code <code>: the wizard ends (within the timeout) with this exit code.
        EnsureStarted();
        long want = Number(l, 0);
        if (WaitForSingleObject(pi_.hProcess, waitMs_) != WAIT_OBJECT_0) {
            throw Failure(
                Fmt("the wizard still runs after %lu ms", static_cast<unsigned long>(waitMs_)));
        }
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        Out("the wizard ended with exit code %lu", static_cast<unsigned long>(code));
        if (code != static_cast<DWORD>(want)) throw Failure(Fmt("exit code %lu", code));
    } else if (c == "expect-no-window") {
        // No visible top-level window of the wizard at any time since it started (the watcher
        // looks every 20 ms).
        if (!pi_.hProcess) throw SyntaxError("expect-no-window needs a started wizard");
        Sleep(100);  // one more round of the watcher
        EnterCriticalSection(&seenLock_);
        std::vector<std::string> shown;
        for (HWND w : seen_) shown.push_back(ToUtf8(ClassOf(w)) + " " + Q(TextOf(w)));
        LeaveCriticalSection(&seenLock_);
        if (!shown.empty()) {
            std::string all;
            for (const auto& s : shown) all += (all.empty() ? "" : ", ") + s;
            throw Failure("windows shown: " + all);
        }
    } else if (c == "expect-shown") {
        // expect-shown <caption>|<caption>...: the captions of all windows of the wizard shown
        // since it started, in the order they appeared, are exactly these.
        if (!pi_.hProcess) throw SyntaxError("expect-shown needs a started wizard");
        std::vector<std::wstring> want = Fields(l.rest);
        Sleep(100);  // one more round of the watcher
        EnterCriticalSection(&seenLock_);
        std::vector<std::wstring> shown = shownCaptions_;
        LeaveCriticalSection(&seenLock_);
        if (shown != want) throw Failure("windows shown: " + Q(Join(shown, L"|")));
    } else if (c == "run-together") {
        // run-together <n> <arguments>: n wizards with these arguments started at the same
        // moment; each must end with 0 or 1618 (another installation runs), at least one with 0.
        long count = Number(l, 0);
        if (count < 2) throw SyntaxError("run-together needs at least 2 runs");
        std::vector<DWORD> codes = RunTogether(static_cast<int>(count), FromUtf8(After(l.rest, 1)));
        std::string all;
        bool oneSucceeded = false, allKnown = true;
        for (DWORD code : codes) {
            all += Fmt("%s%lu", all.empty() ? "" : ", ", static_cast<unsigned long>(code));
            oneSucceeded = oneSucceeded || code == 0;
            allKnown = allKnown && (code == 0 || code == 1618);
        }
        Out("exit codes: %s", all.c_str());
        if (!oneSucceeded || !allKnown) throw Failure("exit codes " + all);
    } else if (c == "start-other") {
        // start-other <program>: a second wizard, from another program folder (a full Windows
        // path) and in it, runs beside the first, which stays as it is; the commands go to the
        // new one until "switch".
        std::wstring program = FromUtf8(l.rest);
        if (program.empty()) throw SyntaxError("start-other <program path>");
        if (otherPi_.hProcess) throw SyntaxError("start-other: a second wizard runs already");
        EnsureStarted();
        SwapWizards();
        exe_ = program;
        cwd_ = program.substr(0, program.find_last_of(L"\\/"));
        EnsureStarted();
    } else if (c == "switch") {
        // switch: the commands go to the other wizard of start-other, with its current window.
        if (!otherPi_.hProcess) throw SyntaxError("switch needs start-other first");
        SwapWizards();
    } else if (c == "wait") {
        std::wstring caption = FromUtf8(l.rest);
        if (caption.empty()) throw SyntaxError("wait needs a caption");
        Wait(caption, {});
    } else if (c == "wait-ids") {
        std::vector<long> ids;
        for (size_t i = 0; i < l.words.size(); ++i) ids.push_back(Number(l, i));
        if (ids.empty()) throw SyntaxError("wait-ids needs control ids");
        Wait(L"", ids);
    } else if (c == "wait-closed") {
        // The current window goes away, as a dialog that ended. It may be destroyed already
        // when this command comes, so Current(), which fails on a gone window, does not serve.
        if (!cur_) throw SyntaxError("no current window: use wait or expect-message first");
        HWND w = cur_;
        DWORD ms = l.words.empty() ? waitMs_ : static_cast<DWORD>(Number(l, 0) * 1000);
        if (!Poll(ms, [&] { return !IsWindow(w) || !IsWindowVisible(w); })) {
            throw Failure(Fmt("still open after %lu ms", static_cast<unsigned long>(ms)));
        }
        cur_ = nullptr;
    } else if (c == "expect-caption") {
        HWND w = Current();
        std::wstring want = FromUtf8(l.rest);
        Expect("caption " + Q(want), expectMs_, [&](std::string* found) {
            std::wstring t = TextOf(w);
            *found = Q(t);
            return t == want;
        });
    } else if (c == "click") {
        HWND b = Control(l, 0);
        // A user cannot click what is hidden or disabled.
        if (!IsWindowVisible(b)) throw Failure("control is hidden");
        if (!IsWindowEnabled(b)) throw Failure("control is disabled");
        if (!IsWindowEnabled(GetAncestor(b, GA_ROOT))) {
            throw Failure("the window is disabled (a modal dialog above it?)");
        }
        // Posted, since the click may open a modal dialog and not return until it closes.
        PostMessageW(b, BM_CLICK, 0, 0);
    } else if (c == "key") {
        Key(l);
    } else if (c == "close") {
        PostMessageW(Current(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (c == "syscmd") {
        PostMessageW(Current(), WM_SYSCOMMAND, static_cast<WPARAM>(Number(l, 0)), 0);
    } else if (c == "expect-checked" || c == "expect-unchecked") {
        HWND b = Control(l, 0);
        DWORD_PTR want = c == "expect-checked" ? BST_CHECKED : BST_UNCHECKED;
        Expect(want == BST_CHECKED ? "checked" : "unchecked", expectMs_, [&](std::string* f) {
            DWORD_PTR s = 0;
            SendTimeout(b, BM_GETCHECK, 0, 0, &s);
            *f = s == BST_CHECKED ? "checked" : s == BST_UNCHECKED ? "unchecked" : "indeterminate";
            return s == want;
        });
    } else if (c == "expect-text") {
        HWND w = Control(l, 0);
        std::wstring want = TextArg(l, 1);
        Expect("text " + Q(want), expectMs_, [&](std::string* found) {
            std::wstring t = TextOf(w);
            *found = Q(t);
            return t == want;
        });
    } else if (c == "expect-child-text") {
        // For controls without an id of their own (static texts, group boxes).
        HWND dlg = Current();
        std::wstring want = FromUtf8(l.rest);
        Expect("a control with text " + Q(want), expectMs_, [&](std::string* found) {
            *found = "none";
            for (HWND ch : ChildrenOf(dlg)) {
                if (TextOf(ch) == want) return true;
            }
            return false;
        });
    } else if (c == "expect-visible" || c == "expect-hidden") {
        HWND w = Control(l, 0);
        bool want = c == "expect-visible";
        Expect(c.substr(7), expectMs_, [&](std::string* found) {
            bool v = (StyleOf(w) & WS_VISIBLE) != 0;
            *found = v ? "visible" : "hidden";
            return v == want;
        });
    } else if (c == "expect-enabled" || c == "expect-disabled") {
        HWND w = Control(l, 0);
        bool want = c == "expect-enabled";
        Expect(c.substr(7), expectMs_, [&](std::string* found) {
            bool e = IsWindowEnabled(w) != FALSE;
            *found = e ? "enabled" : "disabled";
            return e == want;
        });
    } else if (c == "expect-focus") {
        HWND dlg = Current();
        long id = Number(l, 0);
        Expect(Fmt("focus on control %ld", id), expectMs_, [&](std::string* found) {
            HWND f = FocusOf(dlg);
            *found = f ? Describe(f, f) : "no focus";
            return f && GetParent(f) == dlg && GetDlgCtrlID(f) == id;
        });
    } else if (c == "expect-open") {
        HWND w = Current();
        Expect("the window still open", expectMs_, [&](std::string* found) {
            *found = IsWindow(w) ? "hidden" : "closed";
            return IsWindow(w) && IsWindowVisible(w);
        });
    } else if (c == "select") {
        // As a user's choice: the selection, then the notification the parent gets for it.
        HWND cb = Control(l, 0);
        long index = Number(l, 1);
        DWORD_PTR r = 0;
        SendTimeout(cb, CB_SETCURSEL, index, 0, &r);
        if (static_cast<LONG_PTR>(r) != index) throw Failure(Fmt("no item %ld", index));
        PostMessageW(GetParent(cb), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cb), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(cb));
    } else if (c == "expect-selected") {
        HWND cb = Control(l, 0);
        long want = Number(l, 1);
        Expect(Fmt("selection %ld", want), expectMs_, [&](std::string* found) {
            DWORD_PTR s = 0;
            SendTimeout(cb, CB_GETCURSEL, 0, 0, &s);
            *found = Fmt("%ld", static_cast<long>(static_cast<LONG_PTR>(s)));
            return static_cast<LONG_PTR>(s) == want;
        });
    } else if (c == "expect-items") {
        HWND cb = Control(l, 0);
        long want = Number(l, 1);
        Expect(Fmt("%ld items", want), expectMs_, [&](std::string* found) {
            DWORD_PTR n = 0;
            SendTimeout(cb, CB_GETCOUNT, 0, 0, &n);
            *found = Fmt("%ld", static_cast<long>(n));
            return static_cast<LONG_PTR>(n) == want;
        });
    } else if (c == "expect-item") {
        HWND cb = Control(l, 0);
        long index = Number(l, 1);
        std::wstring want = TextArg(l, 2);
        Expect("item text " + Q(want), expectMs_, [&](std::string* found) {
            DWORD_PTR len = 0;
            SendTimeout(cb, CB_GETLBTEXTLEN, index, 0, &len);
            if (static_cast<LONG_PTR>(len) < 0) {
                *found = "no such item";
                return false;
            }
            std::vector<wchar_t> buf(len + 1, L'\0');
            SendTimeout(cb, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buf.data()), nullptr);
            std::wstring t(buf.data());
            *found = Q(t);
            return t == want;
        });
    } else if (c == "expect-lv-rows") {
        HWND lv = Control(l, 0);
        long want = Number(l, 1);
        Expect(Fmt("%ld rows", want), expectMs_, [&](std::string* found) {
            int n = ListViewCount(lv);
            *found = Fmt("%d", n);
            return n == want;
        });
    } else if (c == "expect-lv-text") {
        HWND lv = Control(l, 0);
        long row = Number(l, 1), col = Number(l, 2);
        std::wstring want = TextArg(l, 3);
        Expect("cell text " + Q(want), expectMs_, [&](std::string* found) {
            std::wstring t = ListViewText(lv, row, col);
            *found = Q(t);
            return t == want;
        });
    } else if (c == "expect-lv-header") {
        HWND lv = Control(l, 0);
        long col = Number(l, 1);
        std::wstring want = TextArg(l, 2);
        Expect("header " + Q(want), expectMs_, [&](std::string* found) {
            std::wstring t = ListViewHeader(lv, col);
            *found = Q(t);
            return t == want;
        });
    } else if (c == "expect-lv-selected") {
        HWND lv = Control(l, 0);
        long want = Number(l, 1);
        Expect(Fmt("selected row %ld", want), expectMs_, [&](std::string* found) {
            int s = ListViewSelected(lv);
            *found = Fmt("%d", s);
            return s == want;
        });
    } else if (c == "expect-lv-width") {
        // expect-lv-width <id> <column> <pixels>
        HWND lv = Control(l, 0);
        long col = Number(l, 1), want = Number(l, 2);
        Expect(Fmt("column %ld %ld pixels wide", col, want), expectMs_, [&](std::string* found) {
            DWORD_PTR w = 0;
            SendTimeout(lv, LVM_GETCOLUMNWIDTH, col, 0, &w);
            *found = Fmt("%ld", static_cast<long>(w));
            return static_cast<LONG_PTR>(w) == want;
        });
    } else if (c == "expect-lv-columns") {
        // expect-lv-columns <id> <n>: the header control's item count, so that a column inserted
        // twice shows even where its text repeats an earlier one.
        HWND lv = Control(l, 0);
        long want = Number(l, 1);
        Expect(Fmt("%ld columns", want), expectMs_, [&](std::string* found) {
            DWORD_PTR header = 0, n = 0;
            SendTimeout(lv, LVM_GETHEADER, 0, 0, &header);
            if (!header) {
                *found = "no header";
                return false;
            }
            SendTimeout(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &n);
            *found = Fmt("%ld", static_cast<long>(static_cast<LONG_PTR>(n)));
            return static_cast<LONG_PTR>(n) == want;
        });
    } else if (c == "expect-progress") {
        // expect-progress <id> <min> <max> <position>
        HWND bar = Control(l, 0);
        long lo = Number(l, 1), hi = Number(l, 2), pos = Number(l, 3);
        Expect(Fmt("range %ld..%ld, position %ld", lo, hi, pos), expectMs_,
               [&](std::string* found) {
                   // With no PBRANGE to fill, the answer is the low or the high limit.
                   DWORD_PTR haveLo = 0, haveHi = 0, havePos = 0;
                   SendTimeout(bar, PBM_GETRANGE, TRUE, 0, &haveLo);
                   SendTimeout(bar, PBM_GETRANGE, FALSE, 0, &haveHi);
                   SendTimeout(bar, PBM_GETPOS, 0, 0, &havePos);
                   long a = static_cast<long>(static_cast<LONG_PTR>(haveLo));
                   long b = static_cast<long>(static_cast<LONG_PTR>(haveHi));
                   long p = static_cast<long>(static_cast<LONG_PTR>(havePos));
                   *found = Fmt("range %ld..%ld, position %ld", a, b, p);
                   return a == lo && b == hi && p == pos;
               });
    } else if (c == "lv-deselect") {
        // lv-deselect <id>: no row selected; the focus mark stays where it was.
        HWND lv = Control(l, 0);
        RemoteBuffer rb(pi_.hProcess, sizeof(LVITEMW));
        if (!rb.ok()) throw Failure("cannot allocate memory in the wizard's process");
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = 0;
        rb.Write(0, &item, sizeof item);
        DWORD_PTR ok = 0;
        SendTimeout(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                    reinterpret_cast<LPARAM>(rb.at(0)), &ok);
        if (!ok) throw Failure("the list view did not clear its selection");
    } else if (c == "type") {
        // type <text>: one WM_CHAR per UTF-16 unit to the focused control, sent, so that the
        // text is in place when the next command runs; for texts that key names cannot spell.
        HWND dlg = Current();
        HWND target = FocusOf(dlg);
        if (!target || GetAncestor(target, GA_ROOT) != dlg) {
            throw Failure("no control of the current window has the focus");
        }
        for (wchar_t ch : FromUtf8(l.rest)) {
            if (!SendTimeout(target, WM_CHAR, ch, 1, nullptr)) {
                throw Failure("the focused control does not answer");
            }
        }
    } else if (c == "lv-select") {
        HWND lv = Control(l, 0);
        long row = Number(l, 1);
        if (row < 0 || row >= ListViewCount(lv)) throw Failure(Fmt("no row %ld", row));
        ListViewSelect(lv, row);
    } else if (c == "lv-select-text") {
        // lv-select-text <id> <column-0 text>: selects the first row with that text.
        HWND lv = Control(l, 0);
        std::wstring want = TextArg(l, 1);
        int n = ListViewCount(lv);
        for (int r = 0; r < n; ++r) {
            if (ListViewText(lv, r, 0) == want) {
                ListViewSelect(lv, r);
                return;
            }
        }
        throw Failure(Fmt("no row with text %s among %d rows", Q(want).c_str(), n));
    } else if (c == "expect-message") {
        // A message box of the wizard showing this text; it becomes the current window.
        EnsureStarted();
        std::wstring want = FromUtf8(l.rest);
        HWND box = nullptr;
        Poll(waitMs_, [&] {
            box = FindMessageBox(want);
            return box != nullptr || Exited();
        });
        if (!box) throw Failure("no message box with text " + Q(want));
        SetCurrent(box);
    } else if (c == "expect-exit") {
        EnsureStarted();
        DWORD ms = l.words.empty() ? waitMs_ : static_cast<DWORD>(Number(l, 0) * 1000);
        if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) {
            throw Failure(
                Fmt("the wizard still runs after %lu ms", static_cast<unsigned long>(ms)));
        }
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        Out("the wizard ended with exit code %lu", static_cast<unsigned long>(code));
    } else if (c == "mark") {
        EnsureStarted();
        EnterCriticalSection(&seenLock_);
        atMark_.clear();
        for (HWND w : TopLevelOf(pi_.dwProcessId)) {
            if (IsWindowVisible(w)) atMark_.insert(w);
        }
        newSinceMark_.clear();
        marked_ = true;
        LeaveCriticalSection(&seenLock_);
    } else if (c == "expect-no-new-window") {
        if (!marked_) throw SyntaxError("expect-no-new-window needs a mark before it");
        Sleep(100);  // one more round of the watcher
        EnterCriticalSection(&seenLock_);
        std::vector<std::string> fresh = newSinceMark_;
        LeaveCriticalSection(&seenLock_);
        if (!fresh.empty()) {
            std::string all;
            for (const auto& s : fresh) all += (all.empty() ? "" : ", ") + s;
            throw Failure("windows shown since the mark: " + all);
        }
    } else if (c == "expect-file-line" || c == "expect-file-lines") {
        // expect-file-line <windows path> <text>: the file has a line equal to text.
        // expect-file-lines <windows path> <line>|<line>...: the file holds exactly these lines.
        if (l.words.size() < 2) throw SyntaxError(c + " <path> <text>");
        std::wstring path = FromUtf8(l.words[0]);
        std::string want = After(l.rest, 1);
        bool exact = c == "expect-file-lines";
        Expect((exact ? "the lines " : "a line ") + Q(FromUtf8(want)) + " in " + l.words[0],
               waitMs_, [&](std::string* found) {
                   std::vector<std::string> lines;
                   if (!ReadLines(path, &lines)) {
                       *found = "no such file";
                       return false;
                   }
                   std::string joined;
                   bool has = false;
                   for (const auto& line : lines) {
                       joined += (joined.empty() ? "" : "|") + line;
                       has = has || line == want;
                   }
                   *found = Q(FromUtf8(joined));
                   return exact ? joined == want : has;
               });
    } else if (c == "expect-file-contains") {
        // expect-file-contains <windows path> <text>: some line of the file contains the text
        // (for logs whose lines carry a time stamp).
        if (l.words.size() < 2) throw SyntaxError(c + " <path> <text>");
        std::wstring path = Expand(FromUtf8(l.words[0]));
        std::string want = After(l.rest, 1);
        Expect("a line containing " + Q(FromUtf8(want)) + " in " + l.words[0], waitMs_,
               [&](std::string* found) {
                   std::vector<std::string> lines;
                   if (!ReadLines(path, &lines)) {
                       *found = "no such file";
                       return false;
                   }
                   *found = Fmt("%u other lines", static_cast<unsigned>(lines.size()));
                   for (const auto& line : lines) {
                       if (line.find(want) != std::string::npos) return true;
                   }
                   return false;
               });
    } else if (c == "expect-file-bom") {
        // expect-file-bom <windows path>: the file begins with the UTF-8 byte-order mark, once.
        std::string bytes;
        if (!ReadFileBytes(Expand(FromUtf8(l.rest)), &bytes)) {
            throw Failure("cannot read " + l.rest);
        }
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) throw Failure("no byte-order mark");
        if (bytes.find("\xEF\xBB\xBF", 3) != std::string::npos) {
            throw Failure("a second byte-order mark inside the file");
        }
    } else if (c == "expect-no-file") {
        if (l.words.empty()) throw SyntaxError("expect-no-file <path>");
        if (GetFileAttributesW(FromUtf8(l.words[0]).c_str()) != INVALID_FILE_ATTRIBUTES) {
            throw Failure(l.words[0] + " exists");
        }
    } else if (c == "expect-message-prefix" || c == "expect-message-contains") {
        // A message box whose text begins with / contains this text (for texts that carry the
        // system's wording of an error); it becomes the current window.
        std::wstring want = FromUtf8(l.rest);
        bool prefix = c == "expect-message-prefix";
        WaitMessage(
            (prefix ? "a message box beginning with " : "a message box containing ") + Q(want),
            [&](const std::wstring& t) {
                return prefix ? StartsWith(t, want) : t.find(want) != std::wstring::npos;
            });
    } else if (c == "expect-message-lines") {
        // expect-message-lines <a>|<b>...: a message box with exactly these many lines, each
        // beginning with its text.
        std::vector<std::wstring> want = Fields(l.rest);
        WaitMessage("a message box whose lines begin with " + Q(Join(want, L"|")),
                    [&](const std::wstring& t) {
                        std::vector<std::wstring> lines = TextLines(t);
                        if (lines.size() != want.size()) return false;
                        for (size_t i = 0; i < lines.size(); ++i) {
                            if (!StartsWith(lines[i], want[i])) return false;
                        }
                        return true;
                    });
    } else if (c == "expect-printer" || c == "expect-no-printer") {
        // expect-printer <name>|<port>|<driver>|<print processor>|<datatype>: the spooler lists
        // exactly one local printer of that name, with these values.
        std::vector<std::wstring> want = Fields(l.rest);
        bool none = c == "expect-no-printer";
        if (want.size() != (none ? 1u : 5u)) {
            throw SyntaxError(none ? "expect-no-printer <name>"
                                   : "expect-printer <name>|<port>|<driver>|<processor>|<type>");
        }
        Expect(
            none ? "no printer " + Q(want[0]) : "one printer " + Q(Join(want, L"|")), expectMs_,
            [&](std::string* found) {
                std::vector<std::wstring> same;
                for (const PrinterRecord& p : LocalPrinters()) {
                    if (p.name != want[0]) continue;
                    same.push_back(Join({p.name, p.port, p.driver, p.processor, p.datatype}, L"|"));
                }
                *found = same.empty() ? "none" : Q(Join(same, L" and "));
                if (none) return same.empty();
                return same.size() == 1 && same[0] == Join(want, L"|");
            });
    } else if (c == "expect-driver" || c == "expect-no-driver") {
        // expect-driver <environment>|<name>|<field>=<value>...: the spooler lists exactly one
        // driver of that name for the environment; every file it names lies in the driver
        // directory of the environment, and each field given has the value given (files by
        // base name, dependent files as a comma-separated list in order).
        std::vector<std::wstring> f = Fields(l.rest);
        bool none = c == "expect-no-driver";
        if (f.size() < 2 || (none && f.size() != 2)) {
            throw SyntaxError(c + " <environment>|<name>" + (none ? "" : "|<field>=<value>..."));
        }
        std::wstring dir = none ? std::wstring() : DriverDirectory(f[0]) + L"\\";
        Expect((none ? "no driver " : "driver ") + Q(f[1]) + " for " + Q(f[0]), expectMs_,
               [&](std::string* found) {
                   std::vector<DriverRecord> same;
                   for (const DriverRecord& d : Drivers(f[0])) {
                       if (d.name == f[1]) same.push_back(d);
                   }
                   *found = Fmt("%u such drivers", static_cast<unsigned>(same.size()));
                   if (none || same.size() != 1) return none && same.empty();
                   return CheckDriver(same[0], dir, f, found);
               });
    } else if (c == "expect-driver-file" || c == "expect-no-driver-file") {
        // expect-driver-file <environment>|<file>[|<text>]: the file is in the driver directory
        // of the environment (and begins with the text).
        std::vector<std::wstring> f = Fields(l.rest);
        bool none = c == "expect-no-driver-file";
        if (f.size() < 2 || f.size() > (none ? 2u : 3u)) {
            throw SyntaxError(c + " <environment>|<file>" + (none ? "" : "[|<text>]"));
        }
        std::wstring path = DriverDirectory(f[0]) + L"\\" + f[1];
        std::string begin = f.size() == 3 ? ToUtf8(f[2]) : std::string();
        Expect(Q(path) + (none ? " absent" : " present") +
                   (begin.empty() ? "" : ", beginning with " + Q(f[2])),
               expectMs_, [&](std::string* found) {
                   std::string bytes;
                   if (!ReadFileBytes(path, &bytes)) {
                       *found = "no such file";
                       return none;
                   }
                   *found = "it, beginning with " + Q(FromUtf8(bytes.substr(0, 60)));
                   return !none && bytes.compare(0, begin.size(), begin) == 0;
               });
    } else if (c == "expect-reg") {
        // expect-reg <key>|<value>|<text>: a REG_SZ value holding the text and one terminating
        // zero, as a writer that counted the zero stores it.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() != 3) throw SyntaxError("expect-reg <key>|<value>|<text>");
        Expect("REG_SZ " + ShowZeros(f[2] + L'\0'), expectMs_, [&](std::string* found) {
            DWORD type = 0;
            std::wstring data;
            RegState s = ReadRegValue(f[0], f[1], &type, &data);
            if (s != RegState::kFound) {
                *found = s == RegState::kNoKey ? "no such key" : "no such value";
                return false;
            }
            *found = Fmt("type %lu ", type) + ShowZeros(data);
            return type == REG_SZ && data == f[2] + L'\0';
        });
    } else if (c == "expect-no-reg") {
        // expect-no-reg <key>: no such key; expect-no-reg <key>|<value>: the key has no such
        // value.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() > 2) throw SyntaxError("expect-no-reg <key>[|<value>]");
        Expect(f.size() == 1 ? "no key" : "no value", expectMs_, [&](std::string* found) {
            DWORD type = 0;
            std::wstring data;
            RegState s = ReadRegValue(f[0], f.size() == 2 ? f[1] : L"", &type, &data);
            *found = s == RegState::kNoKey ? "no key" : "the key";
            if (f.size() == 2 && s == RegState::kFound) *found += ", value " + ShowZeros(data);
            return f.size() == 1 ? s == RegState::kNoKey : s != RegState::kFound;
        });
    } else if (c == "set-reg") {
        // set-reg <key>|<value>|<text>: creates the key as needed and writes a REG_SZ value.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() != 3) throw SyntaxError("set-reg <key>|<value>|<text>");
        std::wstring path;
        HKEY root = ParseKey(f[0], &path);
        HKEY key = nullptr;
        LONG r = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                 nullptr);
        if (r == ERROR_SUCCESS) {
            r = RegSetValueExW(key, f[1].c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(f[2].c_str()),
                               static_cast<DWORD>((f[2].size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot write the value (error %ld)", r));
    } else if (c == "delete-reg-key") {
        // delete-reg-key <key>: removes the key with everything below it; it must exist.
        std::wstring path;
        HKEY root = ParseKey(FromUtf8(l.rest), &path);
        LONG r = RegDeleteTreeW(root, path.c_str());
        if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot delete the key (error %ld)", r));
    } else if (c == "deny-reg-write") {
        // deny-reg-write <key>: the key's security no longer lets anyone set values or create
        // subkeys in it (reading stays allowed), as a key locked by a policy would.
        std::wstring path;
        HKEY root = ParseKey(FromUtf8(l.rest), &path);
        HKEY key = nullptr;
        LONG r = RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key);
        if (r == ERROR_SUCCESS) {
            SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
            PSID everyone = nullptr;
            AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
            alignas(ACL) BYTE aclBuffer[256];
            PACL acl = reinterpret_cast<PACL>(aclBuffer);
            InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
            AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
            AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
            SECURITY_DESCRIPTOR sd;
            InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
            SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
            r = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
            FreeSid(everyone);
            RegCloseKey(key);
        }
        if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot lock the key (error %ld)", r));
        HKEY probe = nullptr;
        r = RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &probe);
        if (r == ERROR_SUCCESS) {
            RegCloseKey(probe);
            throw Failure("the locked key still opens for writing");
        }
    } else if (c == "hold-mutex") {
        // hold-mutex <name>: this driver owns the named mutex (as another installer would)
        // until release-mutex.
        std::wstring name = FromUtf8(l.rest);
        if (name.empty() || mutex_) throw SyntaxError("hold-mutex <name>, once");
        mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
        if (!mutex_ || WaitForSingleObject(mutex_, waitMs_) != WAIT_OBJECT_0) {
            throw Failure(Fmt("cannot own the mutex (error %lu)", GetLastError()));
        }
    } else if (c == "release-mutex") {
        if (!mutex_) throw SyntaxError("release-mutex needs hold-mutex first");
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        mutex_ = nullptr;
    } else if (c == "abandon-mutex") {
        // abandon-mutex <name>: a thread takes the mutex and ends without releasing it, as an
        // installer killed in the middle would; the mutex stays open here, abandoned.
        std::wstring name = FromUtf8(l.rest);
        if (name.empty() || mutex_) throw SyntaxError("abandon-mutex <name>, once");
        mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
        HANDLE thread =
            mutex_ ? CreateThread(nullptr, 0, TakeAndLeave, mutex_, 0, nullptr) : nullptr;
        DWORD taken = WAIT_FAILED;
        if (thread) {
            WaitForSingleObject(thread, 10000);
            GetExitCodeThread(thread, &taken);
            CloseHandle(thread);
        }
        if (taken != WAIT_OBJECT_0) throw Failure("the thread could not take the mutex");
        // Not released: owned by a thread that is gone. release-mutex only closes it now.
    } else if (c == "add-printer") {
        // add-printer <name>|<port>|<driver>: a local printer of the user's, WinPrint and RAW.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() != 3) throw SyntaxError("add-printer <name>|<port>|<driver>");
        std::wstring processor = L"WinPrint", datatype = L"RAW";
        PRINTER_INFO_2W p = {};
        p.pPrinterName = &f[0][0];
        p.pPortName = &f[1][0];
        p.pDriverName = &f[2][0];
        p.pPrintProcessor = &processor[0];
        p.pDatatype = &datatype[0];
        HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
        if (!printer) throw Failure(Fmt("cannot add the printer (error %lu)", GetLastError()));
        ClosePrinter(printer);
    } else if (c == "add-driver") {
        // add-driver <environment>|<name>: registers a driver record of that name for the
        // environment, with the wizard's file names, as an earlier installation would have.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() != 2) throw SyntaxError("add-driver <environment>|<name>");
        DRIVER_INFO_3W d = {};
        d.cVersion = 3;
        d.pName = &f[1][0];
        d.pEnvironment = &f[0][0];
        std::wstring driver = L"uniDRV.DLL", data = L"RQ230.GPD", config = L"uniDRVui.DLL";
        d.pDriverPath = &driver[0];
        d.pDataFile = &data[0];
        d.pConfigFile = &config[0];
        if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&d))) {
            throw Failure(Fmt("cannot add the driver (error %lu)", GetLastError()));
        }
    } else if (c == "write-file") {
        // write-file <path>|<text>: the file holds the text as one line, replacing what it held.
        std::vector<std::wstring> f = Fields(l.rest);
        if (f.size() != 2) throw SyntaxError("write-file <path>|<text>");
        FILE* out = _wfopen(f[0].c_str(), L"wb");
        std::string text = ToUtf8(f[1]) + "\r\n";
        bool ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
        if (out) ok = std::fclose(out) == 0 && ok;
        if (!ok) throw Failure("cannot write " + Q(f[0]));
    } else if (c == "hold-file") {
        // hold-file <path>: keeps the file open until the scenario ends, as a program that has
        // it in use: others may read it but not write, replace or delete it. (Wine running as
        // root ignores the read-only attribute, so this is how a destination is made
        // unwritable.)
        std::wstring path = FromUtf8(l.rest);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            throw Failure(Fmt("cannot open %s (error %lu)", Q(path).c_str(), GetLastError()));
        }
        held_.push_back(h);
    } else if (c == "make-dir") {
        std::wstring path = FromUtf8(l.rest);
        if (!CreateDirectoryW(path.c_str(), nullptr)) {
            throw Failure(Fmt("cannot create %s (error %lu)", Q(path).c_str(), GetLastError()));
        }
    } else if (c == "run") {
        // run <program>: runs it in its own folder and waits; it must end with exit code 0. A
        // relative path is taken from the wizard's folder.
        std::wstring program = FromUtf8(l.rest);
        if (program.empty()) throw SyntaxError("run <program>");
        std::wstring exeDir = exe_.substr(0, exe_.find_last_of(L"\\/") + 1);
        if (program.find(L':') == std::wstring::npos && program[0] != L'\\') {
            program = exeDir + program;
        }
        std::wstring dir = program.substr(0, program.find_last_of(L"\\/"));
        std::wstring cmdline = L"\"" + program + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(program.c_str(), &cmdline[0], nullptr, nullptr, FALSE, 0, nullptr,
                            dir.c_str(), &si, &pi)) {
            throw Failure(Fmt("cannot start %s (error %lu)", Q(program).c_str(), GetLastError()));
        }
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(pi.hProcess, waitMs_) == WAIT_OBJECT_0) {
            GetExitCodeProcess(pi.hProcess, &code);
        } else {
            TerminateProcess(pi.hProcess, 1);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (code != 0) throw Failure(Fmt("%s ended with %lu", Q(program).c_str(), code));
    } else if (c == "screenshot") {
        Screenshot(l);
    } else if (c == "dump") {
        EnsureStarted();
        DumpWindows(pi_.dwProcessId);
    } else {
        throw SyntaxError("unknown command");
    }
}

void Player::Finish() {
    for (const PROCESS_INFORMATION* pi : {&pi_, &otherPi_}) {
        if (pi->hProcess && WaitForSingleObject(pi->hProcess, 0) != WAIT_OBJECT_0) {
            Out("a wizard still runs at the end of the scenario; ending it");
            TerminateProcess(pi->hProcess, 1);
            WaitForSingleObject(pi->hProcess, 5000);
        }
    }
    StopWatcher();
}

bool ReadScenario(const std::wstring& path, std::vector<Line>* lines) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    std::string all;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
    std::fclose(f);
    if (all.compare(0, 3, "\xEF\xBB\xBF") == 0) all.erase(0, 3);  // UTF-8 byte order mark
    size_t p = 0;
    int number = 0;
    while (p < all.size()) {
        size_t e = all.find('\n', p);
        if (e == std::string::npos) e = all.size();
        ++number;
        Line l;
        l.number = number;
        l.raw = Trim(all.substr(p, e - p));
        p = e + 1;
        if (l.raw.empty() || l.raw[0] == '#') continue;
        size_t sp = l.raw.find_first_of(" \t");
        l.cmd = l.raw.substr(0, sp);
        l.rest = sp == std::string::npos ? std::string() : Trim(l.raw.substr(sp));
        size_t q = 0;
        while ((q = l.rest.find_first_not_of(" \t", q)) != std::string::npos) {
            size_t end = l.rest.find_first_of(" \t", q);
            l.words.push_back(l.rest.substr(q, end == std::string::npos ? end : end - q));
            q = end;
        }
        lines->push_back(l);
    }
    return true;
}

// The file's lines without their line ends and surrounding blanks; false if it cannot be read.
bool ReadLines(const std::wstring& path, std::vector<std::string>* lines) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    std::string all;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
    std::fclose(f);
    size_t p = 0;
    while (p < all.size()) {
        size_t e = all.find('\n', p);
        if (e == std::string::npos) e = all.size();
        lines->push_back(Trim(all.substr(p, e - p)));
        p = e + 1;
    }
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: uidriver.exe [--cwd DIR] [--exe PATH] [--out DIR] [--deadline S] "
                 "[--winedebug CHANNELS] SCENARIO\n");
    return kExitUsage;
}

DWORD WINAPI Watchdog(void*) {
    Sleep(g_deadlineMs);
    Out("FAIL: the scenario did not finish within %lu s", g_deadlineMs / 1000);
    if (g_wizardForWatchdog) DumpWindows(GetProcessId(g_wizardForWatchdog));
    if (g_wizardForWatchdog) TerminateProcess(g_wizardForWatchdog, 1);
    ExitProcess(kExitFail);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    InitializeCriticalSection(&g_outLock);
    g_startTick = GetTickCount();
    std::wstring cwd, exe = L"DriverSetup.exe", out, winedebug, scenario;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == L"--cwd" && hasValue) {
            cwd = argv[++i];
        } else if (a == L"--exe" && hasValue) {
            exe = argv[++i];
        } else if (a == L"--out" && hasValue) {
            out = argv[++i];
        } else if (a == L"--winedebug" && hasValue) {
            winedebug = argv[++i];
        } else if (a == L"--deadline" && hasValue) {
            g_deadlineMs = static_cast<DWORD>(_wtoi(argv[++i])) * 1000;
        } else if (scenario.empty() && a.compare(0, 2, L"--") != 0) {
            scenario = a;
        } else {
            return Usage();
        }
    }
    if (scenario.empty()) return Usage();
    // A relative program path is meant relative to the wizard's directory.
    if (!cwd.empty() && exe.find(L'\\') == std::wstring::npos &&
        exe.find(L':') == std::wstring::npos) {
        exe = cwd + L"\\" + exe;
    }

    std::vector<Line> lines;
    if (!ReadScenario(scenario, &lines)) {
        std::fprintf(stderr, "cannot read %s\n", ToUtf8(scenario).c_str());
        return kExitUsage;
    }
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

    Player player(exe, cwd, out, winedebug);
    for (const Line& l : lines) {
        Out("line %d: %s", l.number, l.raw.c_str());
        try {
            player.Run(l);
        } catch (const Skip& s) {
            Out("SKIP line %d: %s: %s", l.number, l.raw.c_str(), s.what().c_str());
            player.Finish();
            return kExitSkip;
        } catch (const SyntaxError& e) {
            Out("SCENARIO ERROR line %d: %s: %s", l.number, l.raw.c_str(), e.what().c_str());
            player.Finish();
            return kExitUsage;
        } catch (const Failure& f) {
            Out("FAIL line %d: %s: %s", l.number, l.raw.c_str(), f.what().c_str());
            player.DumpOnFailure();
            player.Finish();
            return kExitFail;
        }
    }
    player.Finish();
    Out("PASS (%u commands)", static_cast<unsigned>(lines.size()));
    return 0;
}
