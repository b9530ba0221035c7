// UI driver for the end-to-end tests. Runs inside a Wine prefix: starts the wizard, then plays a
// scenario file (UTF-8, one command per line) against its windows. Usage:
//
//   uidriver.exe [--cwd DIR] [--exe PATH] [--out DIR] [--deadline S] [--winedebug CHANNELS]
//                [--ids FILE]... SCENARIO
//
// --winedebug sets WINEDEBUG for the wizard alone; Wine writes its traces to the standard error
// that the wizard inherits from this driver. --ids reads control names from the "#define NAME
// VALUE" lines of a header (res/resource.h, tests/e2e/system_ids.h); a scenario may then name a
// control wherever it gives an id.
//
// Exit status: 0 all commands passed, 1 a command failed, 2 bad usage or scenario, 77 skipped
// (require-os did not match). The command reference is in tests/e2e/README.md; the commands are
// the table in Player::Commands, the checks of the prefix are in probes.cpp.
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common.h"
#include "probes.h"

namespace {

const int kExitFail = 1;
const int kExitUsage = 2;
const int kExitSkip = 77;

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
// Control names. The scenarios name the program's controls as res/resource.h does and the
// system's dialogs' controls as system_ids.h does; the driver reads both (--ids).

std::map<std::string, long> g_ids;

// Takes every "#define NAME VALUE" line whose value is a number. A name that two files give
// different values would make a scenario ambiguous; that and an unreadable file are errors.
bool LoadIds(const std::wstring& path, std::string* error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines)) {
        *error = "cannot read " + ToUtf8(path);
        return false;
    }
    for (const std::string& line : lines) {
        char name[128], value[64];
        long v = 0;
        if (std::sscanf(line.c_str(), "#define %127s %63s", name, value) != 2 ||
            !ParseInt(value, &v)) {
            continue;
        }
        auto it = g_ids.find(name);
        if (it != g_ids.end() && it->second != v) {
            *error = Fmt("%s is %ld in one --ids file and %ld in %s", name, it->second, v,
                         ToUtf8(path).c_str());
            return false;
        }
        g_ids[name] = v;
    }
    return true;
}

// An id as a scenario writes it: a number (decimal or 0x hex) or a name from the --ids files.
long ParseId(const std::string& word) {
    long v = 0;
    if (ParseInt(word, &v)) return v;
    auto it = g_ids.find(word);
    if (it == g_ids.end()) {
        throw SyntaxError(word.empty() || std::isdigit(static_cast<unsigned char>(word[0]))
                              ? "not a number: " + word
                              : "unknown control name " + word +
                                    " (not defined in the --ids files)");
    }
    return it->second;
}

// For messages: "IDC_SET_NEXT (1009)" when the scenario named the control, else the number.
std::string IdText(const std::string& word, long id) {
    long v = 0;
    return ParseInt(word, &v) ? Fmt("%ld", id) : Fmt("%s (%ld)", word.c_str(), id);
}

// The control of argument word as the messages name it.
std::string ControlName(const Line& l, size_t word) {
    return word < l.words.size() ? IdText(l.words[word], ParseId(l.words[word])) : "?";
}

// ---------------------------------------------------------------------------------------------
// The scenario player.

// Ends the whole run when the scenario as a whole takes too long (a command stuck in the
// wizard's process would otherwise hold the case until the host's timeout).
DWORD g_deadlineMs = 300000;
HANDLE g_wizardForWatchdog = nullptr;

class Player;

// One scenario command: its name, its arguments as the README writes them ("<id> <index>";
// "[x]" is optional, "<x...>" the rest of the line, blanks kept), and what runs it.
struct Command {
    const char* name;
    const char* args;
    void (*run)(Player& p, const Line& l);
};

class Player {
  public:
    Player(std::wstring exe, std::wstring cwd, std::wstring outDir, std::wstring winedebug)
        : exe_(std::move(exe)),
          cwd_(std::move(cwd)),
          outDir_(std::move(outDir)),
          winedebug_(std::move(winedebug)) {}
    ~Player() { StopWatcher(); }

    void Run(const Line& l);
    void Finish();
    void DumpOnFailure() {
        if (pi_.hProcess) DumpWindows(pi_.dwProcessId);
    }

  private:
    // The commands, in the order of the README's tables.
    static const std::vector<Command>& Commands();

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
    // The control that argument word names, in the current window.
    HWND Control(const Line& l, size_t word);
    long Number(const Line& l, size_t word);
    std::wstring TextArg(const Line& l, int skipWords);
    HWND FindDialog(const std::wstring& caption, const std::vector<long>& ids);
    HWND FindMessageBox(const std::wstring& text);
    void WaitMessage(const std::string& what, const std::function<bool(const std::wstring&)>& ok);

    void Wait(const std::wstring& caption, const std::vector<long>& ids);
    void Expect(const std::string& what, DWORD timeoutMs,
                const std::function<bool(std::string*)>& check);
    void Expect(const Expectation& e, DWORD timeoutMs) { Expect(e.what, timeoutMs, e.holds); }
    void Key(const Line& l);
    void Screenshot(const Line& l);
    int ListViewCount(HWND lv);
    std::wstring ListViewText(HWND lv, int row, int col);
    std::wstring ListViewHeader(HWND lv, int col);
    void ListViewSelect(HWND lv, int row);
    int ListViewSelected(HWND lv);

    // Checks shared by pairs of commands.
    static void ExpectCheck(Player& p, const Line& l, DWORD_PTR want);
    static void ExpectVisible(Player& p, const Line& l, bool want);
    static void ExpectEnabled(Player& p, const Line& l, bool want);
    static void ExpectMessageText(Player& p, const Line& l, bool prefix);

    // Commands too long for a line in the table.
    void StartWith(const Line& l);
    void ExpectExitCode(const Line& l);
    void ExpectNoWindow();
    void ExpectShown(const Line& l);
    void RunTogetherCommand(const Line& l);
    void StartOther(const Line& l);
    void WaitClosed(const Line& l);
    void Click(const Line& l);
    void Select(const Line& l);
    void ExpectItem(const Line& l);
    void ExpectLvColumns(const Line& l);
    void ExpectProgress(const Line& l);
    void LvDeselect(const Line& l);
    void Type(const Line& l);
    void LvSelectText(const Line& l);
    void ExpectExit(const Line& l);
    void Mark();
    void ExpectNoNewWindow();
    void RunProgram(const Line& l);
    void RequireOs(const Line& l);

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

    probes::Holdings holdings_;  // files in use and the mutex, until the scenario ends

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
    if (word >= l.words.size()) {
        throw SyntaxError(Fmt("argument %u must be a control", static_cast<unsigned>(word + 1)));
    }
    long id = ParseId(l.words[word]);
    HWND c = GetDlgItem(dlg, static_cast<int>(id));
    if (!c) {
        throw Failure(Fmt("expected control %s in %s, found none",
                          IdText(l.words[word], id).c_str(), Q(TextOf(dlg)).c_str()));
    }
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

void Player::StartWith(const Line& l) {
    // start-with <arguments>: starts the wizard with this text after its quoted path (as a
    // deployment tool would); after an earlier wizard has ended, in the same prefix.
    if (pi_.hProcess) {
        if (!Exited()) throw Failure("the wizard still runs");
        Reset();
    }
    args_ = FromUtf8(l.rest);
    EnsureStarted();
}

void Player::ExpectExitCode(const Line& l) {
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
    if (code != static_cast<DWORD>(want)) {
        throw Failure(Fmt("expected exit code %ld, found %lu", want, code));
    }
}

void Player::ExpectNoWindow() {
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
        throw Failure("expected no window, found " + all);
    }
}

void Player::ExpectShown(const Line& l) {
    // expect-shown <caption>|<caption>...: the captions of all windows of the wizard shown
    // since it started, in the order they appeared, are exactly these.
    if (!pi_.hProcess) throw SyntaxError("expect-shown needs a started wizard");
    std::vector<std::wstring> want = Fields(l.rest);
    Sleep(100);  // one more round of the watcher
    EnterCriticalSection(&seenLock_);
    std::vector<std::wstring> shown = shownCaptions_;
    LeaveCriticalSection(&seenLock_);
    if (shown != want) {
        throw Failure("expected windows " + Q(Join(want, L"|")) + ", found " +
                      Q(Join(shown, L"|")));
    }
}

void Player::RunTogetherCommand(const Line& l) {
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
    if (!oneSucceeded || !allKnown) {
        throw Failure("expected exit codes of 0 or 1618, at least one 0, found " + all);
    }
}

void Player::StartOther(const Line& l) {
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
}

void Player::WaitClosed(const Line& l) {
    // The current window goes away, as a dialog that ended. It may be destroyed already
    // when this command comes, so Current(), which fails on a gone window, does not serve.
    if (!cur_) throw SyntaxError("no current window: use wait or expect-message first");
    HWND w = cur_;
    DWORD ms = l.words.empty() ? waitMs_ : static_cast<DWORD>(Number(l, 0) * 1000);
    if (!Poll(ms, [&] { return !IsWindow(w) || !IsWindowVisible(w); })) {
        throw Failure(Fmt("still open after %lu ms", static_cast<unsigned long>(ms)));
    }
    cur_ = nullptr;
}

void Player::Click(const Line& l) {
    HWND b = Control(l, 0);
    // A user cannot click what is hidden or disabled.
    if (!IsWindowVisible(b)) throw Failure("cannot click " + ControlName(l, 0) + ": it is hidden");
    if (!IsWindowEnabled(b)) {
        throw Failure("cannot click " + ControlName(l, 0) + ": it is disabled");
    }
    if (!IsWindowEnabled(GetAncestor(b, GA_ROOT))) {
        throw Failure("the window is disabled (a modal dialog above it?)");
    }
    // Posted, since the click may open a modal dialog and not return until it closes.
    PostMessageW(b, BM_CLICK, 0, 0);
}

void Player::Select(const Line& l) {
    // As a user's choice: the selection, then the notification the parent gets for it.
    HWND cb = Control(l, 0);
    long index = Number(l, 1);
    DWORD_PTR r = 0;
    SendTimeout(cb, CB_SETCURSEL, index, 0, &r);
    if (static_cast<LONG_PTR>(r) != index) throw Failure(Fmt("no item %ld", index));
    PostMessageW(GetParent(cb), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cb), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(cb));
}

void Player::ExpectItem(const Line& l) {
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
}

void Player::ExpectLvColumns(const Line& l) {
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
}

void Player::ExpectProgress(const Line& l) {
    // expect-progress <id> <min> <max> <position>
    HWND bar = Control(l, 0);
    long lo = Number(l, 1), hi = Number(l, 2), pos = Number(l, 3);
    Expect(Fmt("range %ld..%ld, position %ld", lo, hi, pos), expectMs_, [&](std::string* found) {
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
}

void Player::LvDeselect(const Line& l) {
    // lv-deselect <id>: no row selected; the focus mark stays where it was.
    HWND lv = Control(l, 0);
    RemoteBuffer rb(pi_.hProcess, sizeof(LVITEMW));
    if (!rb.ok()) throw Failure("cannot allocate memory in the wizard's process");
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    rb.Write(0, &item, sizeof item);
    DWORD_PTR ok = 0;
    SendTimeout(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(rb.at(0)),
                &ok);
    if (!ok) throw Failure("the list view did not clear its selection");
}

void Player::Type(const Line& l) {
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
}

void Player::LvSelectText(const Line& l) {
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
}

void Player::ExpectExit(const Line& l) {
    EnsureStarted();
    DWORD ms = l.words.empty() ? waitMs_ : static_cast<DWORD>(Number(l, 0) * 1000);
    if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) {
        throw Failure(Fmt("the wizard still runs after %lu ms", static_cast<unsigned long>(ms)));
    }
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    Out("the wizard ended with exit code %lu", static_cast<unsigned long>(code));
}

void Player::Mark() {
    EnsureStarted();
    EnterCriticalSection(&seenLock_);
    atMark_.clear();
    for (HWND w : TopLevelOf(pi_.dwProcessId)) {
        if (IsWindowVisible(w)) atMark_.insert(w);
    }
    newSinceMark_.clear();
    marked_ = true;
    LeaveCriticalSection(&seenLock_);
}

void Player::ExpectNoNewWindow() {
    if (!marked_) throw SyntaxError("expect-no-new-window needs a mark before it");
    Sleep(100);  // one more round of the watcher
    EnterCriticalSection(&seenLock_);
    std::vector<std::string> fresh = newSinceMark_;
    LeaveCriticalSection(&seenLock_);
    if (!fresh.empty()) {
        std::string all;
        for (const auto& s : fresh) all += (all.empty() ? "" : ", ") + s;
        throw Failure("expected no new window since the mark, found " + all);
    }
}

void Player::RunProgram(const Line& l) {
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
}

void Player::RequireOs(const Line& l) {
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

void Player::ExpectCheck(Player& p, const Line& l, DWORD_PTR want) {
    HWND b = p.Control(l, 0);
    p.Expect(
        ControlName(l, 0) + (want == BST_CHECKED ? " checked" : " unchecked"), p.expectMs_,
        [&](std::string* f) {
            DWORD_PTR s = 0;
            SendTimeout(b, BM_GETCHECK, 0, 0, &s);
            *f = s == BST_CHECKED ? "checked" : s == BST_UNCHECKED ? "unchecked" : "indeterminate";
            return s == want;
        });
}

void Player::ExpectVisible(Player& p, const Line& l, bool want) {
    // The control's own WS_VISIBLE, whatever its parent's.
    HWND w = p.Control(l, 0);
    p.Expect(ControlName(l, 0) + (want ? " visible" : " hidden"), p.expectMs_,
             [&](std::string* found) {
                 bool v = (StyleOf(w) & WS_VISIBLE) != 0;
                 *found = v ? "visible" : "hidden";
                 return v == want;
             });
}

void Player::ExpectEnabled(Player& p, const Line& l, bool want) {
    HWND w = p.Control(l, 0);
    p.Expect(ControlName(l, 0) + (want ? " enabled" : " disabled"), p.expectMs_,
             [&](std::string* found) {
                 bool e = IsWindowEnabled(w) != FALSE;
                 *found = e ? "enabled" : "disabled";
                 return e == want;
             });
}

void Player::ExpectMessageText(Player& p, const Line& l, bool prefix) {
    // A message box whose text begins with / contains this text (for texts that carry the
    // system's wording of an error); it becomes the current window.
    std::wstring want = FromUtf8(l.rest);
    p.WaitMessage(
        (prefix ? "a message box beginning with " : "a message box containing ") + Q(want),
        [&](const std::wstring& t) {
            return prefix ? StartsWith(t, want) : t.find(want) != std::wstring::npos;
        });
}

// Minimum number of words a command's argument shape asks for: its "<x>" parts; "[x]" is
// optional and "<x...>" is text that may hold blanks, which the command checks itself.
size_t RequiredWords(const char* args) {
    size_t n = 0;
    for (const char* p = args; (p = std::strchr(p, '<')) != nullptr; ++p) {
        const char* end = std::strchr(p, '>');
        if (end && !(end - p >= 3 && std::strncmp(end - 3, "...", 3) == 0)) ++n;
    }
    return n;
}

const std::vector<Command>& Player::Commands() {
    using P = Player;
    static const std::vector<Command> kCommands = {
        // The wizard's windows.
        {"wait", "<caption...>",
         [](P& p, const Line& l) {
             std::wstring caption = FromUtf8(l.rest);
             if (caption.empty()) throw SyntaxError("wait needs a caption");
             p.Wait(caption, {});
         }},
        {"wait-ids", "<id> [id...]",
         [](P& p, const Line& l) {
             std::vector<long> ids;
             for (const std::string& w : l.words) ids.push_back(ParseId(w));
             p.Wait(L"", ids);
         }},
        {"wait-closed", "[seconds]", [](P& p, const Line& l) { p.WaitClosed(l); }},
        {"expect-message", "<text...>",
         [](P& p, const Line& l) {
             // A message box of the wizard showing this text; it becomes the current window.
             p.EnsureStarted();
             std::wstring want = FromUtf8(l.rest);
             HWND box = nullptr;
             p.Poll(p.waitMs_, [&] {
                 box = p.FindMessageBox(want);
                 return box != nullptr || p.Exited();
             });
             if (!box) throw Failure("no message box with text " + Q(want));
             p.SetCurrent(box);
         }},
        {"click", "<id>", [](P& p, const Line& l) { p.Click(l); }},
        {"key", "[post] <key>", [](P& p, const Line& l) { p.Key(l); }},
        {"close", "",
         [](P& p, const Line&) { PostMessageW(p.Current(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"syscmd", "<value>",
         [](P& p, const Line& l) {
             PostMessageW(p.Current(), WM_SYSCOMMAND, static_cast<WPARAM>(ParseId(l.words[0])), 0);
         }},
        {"select", "<id> <index>", [](P& p, const Line& l) { p.Select(l); }},
        {"lv-select", "<id> <row>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long row = p.Number(l, 1);
             if (row < 0 || row >= p.ListViewCount(lv)) throw Failure(Fmt("no row %ld", row));
             p.ListViewSelect(lv, row);
         }},
        {"lv-select-text", "<id> <text...>", [](P& p, const Line& l) { p.LvSelectText(l); }},
        {"lv-deselect", "<id>", [](P& p, const Line& l) { p.LvDeselect(l); }},
        {"type", "<text...>", [](P& p, const Line& l) { p.Type(l); }},
        {"expect-caption", "<text...>",
         [](P& p, const Line& l) {
             HWND w = p.Current();
             std::wstring want = FromUtf8(l.rest);
             p.Expect("caption " + Q(want), p.expectMs_, [&](std::string* found) {
                 std::wstring t = TextOf(w);
                 *found = Q(t);
                 return t == want;
             });
         }},
        {"expect-text", "<id> <text...>",
         [](P& p, const Line& l) {
             HWND w = p.Control(l, 0);
             std::wstring want = p.TextArg(l, 1);
             p.Expect(ControlName(l, 0) + " text " + Q(want), p.expectMs_, [&](std::string* found) {
                 std::wstring t = TextOf(w);
                 *found = Q(t);
                 return t == want;
             });
         }},
        {"expect-child-text", "<text...>",
         [](P& p, const Line& l) {
             // For controls without an id of their own (static texts, group boxes).
             HWND dlg = p.Current();
             std::wstring want = FromUtf8(l.rest);
             p.Expect("a control with text " + Q(want), p.expectMs_, [&](std::string* found) {
                 *found = "none";
                 for (HWND ch : ChildrenOf(dlg)) {
                     if (TextOf(ch) == want) return true;
                 }
                 return false;
             });
         }},
        {"expect-checked", "<id>", [](P& p, const Line& l) { ExpectCheck(p, l, BST_CHECKED); }},
        {"expect-unchecked", "<id>", [](P& p, const Line& l) { ExpectCheck(p, l, BST_UNCHECKED); }},
        {"expect-visible", "<id>", [](P& p, const Line& l) { ExpectVisible(p, l, true); }},
        {"expect-hidden", "<id>", [](P& p, const Line& l) { ExpectVisible(p, l, false); }},
        {"expect-enabled", "<id>", [](P& p, const Line& l) { ExpectEnabled(p, l, true); }},
        {"expect-disabled", "<id>", [](P& p, const Line& l) { ExpectEnabled(p, l, false); }},
        {"expect-focus", "<id>",
         [](P& p, const Line& l) {
             HWND dlg = p.Current();
             long id = ParseId(l.words[0]);
             p.Expect("focus on control " + ControlName(l, 0), p.expectMs_,
                      [&](std::string* found) {
                          HWND f = FocusOf(dlg);
                          *found = f ? Describe(f, f) : "no focus";
                          return f && GetParent(f) == dlg && GetDlgCtrlID(f) == id;
                      });
         }},
        {"expect-open", "",
         [](P& p, const Line&) {
             HWND w = p.Current();
             p.Expect("the window still open", p.expectMs_, [&](std::string* found) {
                 *found = IsWindow(w) ? "hidden" : "closed";
                 return IsWindow(w) && IsWindowVisible(w);
             });
         }},
        {"expect-selected", "<id> <index>",
         [](P& p, const Line& l) {
             HWND cb = p.Control(l, 0);
             long want = p.Number(l, 1);
             p.Expect(ControlName(l, 0) + Fmt(" selection %ld", want), p.expectMs_,
                      [&](std::string* found) {
                          DWORD_PTR s = 0;
                          SendTimeout(cb, CB_GETCURSEL, 0, 0, &s);
                          *found = Fmt("%ld", static_cast<long>(static_cast<LONG_PTR>(s)));
                          return static_cast<LONG_PTR>(s) == want;
                      });
         }},
        {"expect-items", "<id> <n>",
         [](P& p, const Line& l) {
             HWND cb = p.Control(l, 0);
             long want = p.Number(l, 1);
             p.Expect(ControlName(l, 0) + Fmt(" with %ld items", want), p.expectMs_,
                      [&](std::string* found) {
                          DWORD_PTR n = 0;
                          SendTimeout(cb, CB_GETCOUNT, 0, 0, &n);
                          *found = Fmt("%ld", static_cast<long>(n));
                          return static_cast<LONG_PTR>(n) == want;
                      });
         }},
        {"expect-item", "<id> <index> <text...>", [](P& p, const Line& l) { p.ExpectItem(l); }},
        {"expect-lv-rows", "<id> <n>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long want = p.Number(l, 1);
             p.Expect(ControlName(l, 0) + Fmt(" with %ld rows", want), p.expectMs_,
                      [&](std::string* found) {
                          int n = p.ListViewCount(lv);
                          *found = Fmt("%d", n);
                          return n == want;
                      });
         }},
        {"expect-lv-text", "<id> <row> <col> <text...>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long row = p.Number(l, 1), col = p.Number(l, 2);
             std::wstring want = p.TextArg(l, 3);
             p.Expect(ControlName(l, 0) + Fmt(" cell %ld/%ld text ", row, col) + Q(want),
                      p.expectMs_, [&](std::string* found) {
                          std::wstring t = p.ListViewText(lv, row, col);
                          *found = Q(t);
                          return t == want;
                      });
         }},
        {"expect-lv-header", "<id> <col> <text...>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long col = p.Number(l, 1);
             std::wstring want = p.TextArg(l, 2);
             p.Expect(ControlName(l, 0) + Fmt(" header %ld ", col) + Q(want), p.expectMs_,
                      [&](std::string* found) {
                          std::wstring t = p.ListViewHeader(lv, col);
                          *found = Q(t);
                          return t == want;
                      });
         }},
        {"expect-lv-selected", "<id> <row>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long want = p.Number(l, 1);
             p.Expect(ControlName(l, 0) + Fmt(" selected row %ld", want), p.expectMs_,
                      [&](std::string* found) {
                          int s = p.ListViewSelected(lv);
                          *found = Fmt("%d", s);
                          return s == want;
                      });
         }},
        {"expect-lv-columns", "<id> <n>", [](P& p, const Line& l) { p.ExpectLvColumns(l); }},
        {"expect-lv-width", "<id> <col> <px>",
         [](P& p, const Line& l) {
             HWND lv = p.Control(l, 0);
             long col = p.Number(l, 1), want = p.Number(l, 2);
             p.Expect(ControlName(l, 0) + Fmt(" column %ld %ld pixels wide", col, want),
                      p.expectMs_, [&](std::string* found) {
                          DWORD_PTR w = 0;
                          SendTimeout(lv, LVM_GETCOLUMNWIDTH, col, 0, &w);
                          *found = Fmt("%ld", static_cast<long>(w));
                          return static_cast<LONG_PTR>(w) == want;
                      });
         }},
        {"expect-progress", "<id> <min> <max> <pos>",
         [](P& p, const Line& l) { p.ExpectProgress(l); }},
        {"expect-exit", "[seconds]", [](P& p, const Line& l) { p.ExpectExit(l); }},
        {"mark", "", [](P& p, const Line&) { p.Mark(); }},
        {"expect-no-new-window", "", [](P& p, const Line&) { p.ExpectNoNewWindow(); }},
        {"start-with", "<arguments...>", [](P& p, const Line& l) { p.StartWith(l); }},
        {"expect-exit-code", "<code>", [](P& p, const Line& l) { p.ExpectExitCode(l); }},
        {"expect-no-window", "", [](P& p, const Line&) { p.ExpectNoWindow(); }},
        {"expect-shown", "<caption...>", [](P& p, const Line& l) { p.ExpectShown(l); }},
        {"run-together", "<n> <arguments...>",
         [](P& p, const Line& l) { p.RunTogetherCommand(l); }},
        {"expect-message-prefix", "<text...>",
         [](P& p, const Line& l) { ExpectMessageText(p, l, true); }},
        {"expect-message-contains", "<text...>",
         [](P& p, const Line& l) { ExpectMessageText(p, l, false); }},
        {"expect-message-lines", "<lines...>",
         [](P& p, const Line& l) {
             // A message box with exactly these many lines, each beginning with its text.
             std::vector<std::wstring> want = Fields(l.rest);
             p.WaitMessage("a message box whose lines begin with " + Q(Join(want, L"|")),
                           [&](const std::wstring& t) {
                               std::vector<std::wstring> lines = TextLines(t);
                               if (lines.size() != want.size()) return false;
                               for (size_t i = 0; i < lines.size(); ++i) {
                                   if (!StartsWith(lines[i], want[i])) return false;
                               }
                               return true;
                           });
         }},
        {"require-os", "<platform> <major.minor>", [](P& p, const Line& l) { p.RequireOs(l); }},
        {"start-other", "<program...>", [](P& p, const Line& l) { p.StartOther(l); }},
        {"switch", "",
         [](P& p, const Line&) {
             // The commands go to the other wizard of start-other, with its current window.
             if (!p.otherPi_.hProcess) throw SyntaxError("switch needs start-other first");
             p.SwapWizards();
         }},
        {"screenshot", "<file> [screen]", [](P& p, const Line& l) { p.Screenshot(l); }},
        {"timeout", "<seconds>",
         [](P& p, const Line& l) { p.waitMs_ = static_cast<DWORD>(p.Number(l, 0) * 1000); }},
        {"sleep", "<ms>", [](P& p, const Line& l) { Sleep(static_cast<DWORD>(p.Number(l, 0))); }},
        {"echo", "<text...>", [](P&, const Line& l) { Out("%s", l.rest.c_str()); }},
        {"dump", "",
         [](P& p, const Line&) {
             p.EnsureStarted();
             DumpWindows(p.pi_.dwProcessId);
         }},
        {"start", "", [](P& p, const Line&) { p.EnsureStarted(); }},
        {"start-again", "",
         [](P& p, const Line&) {
             // The wizard ended; a new one starts in the same prefix, as a second installation.
             if (!p.pi_.hProcess) throw SyntaxError("start-again needs a wizard that ran before");
             if (!p.Exited()) throw Failure("the wizard still runs");
             p.Reset();
             p.args_.clear();
             p.EnsureStarted();
         }},
        {"run", "<program...>", [](P& p, const Line& l) { p.RunProgram(l); }},

        // What the installation left in the prefix (probes.cpp), polled like the window checks.
        {"expect-printer", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::Printer(l.rest), p.expectMs_); }},
        {"expect-no-printer", "<name...>",
         [](P& p, const Line& l) { p.Expect(probes::NoPrinter(l.rest), p.expectMs_); }},
        {"expect-driver", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::Driver(l.rest), p.expectMs_); }},
        {"expect-no-driver", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::NoDriver(l.rest), p.expectMs_); }},
        {"expect-driver-file", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::DriverFile(l.rest), p.expectMs_); }},
        {"expect-no-driver-file", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::NoDriverFile(l.rest), p.expectMs_); }},
        {"expect-reg", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::RegValue(l.rest), p.expectMs_); }},
        {"expect-no-reg", "<fields...>",
         [](P& p, const Line& l) { p.Expect(probes::NoReg(l.rest), p.expectMs_); }},
        {"expect-file-line", "<path> <text...>",
         [](P& p, const Line& l) { p.Expect(probes::FileLines(l, false), p.waitMs_); }},
        {"expect-file-lines", "<path> <lines...>",
         [](P& p, const Line& l) { p.Expect(probes::FileLines(l, true), p.waitMs_); }},
        {"expect-file-contains", "<path> <text...>",
         [](P& p, const Line& l) { p.Expect(probes::FileContains(l), p.waitMs_); }},
        {"expect-file-bom", "<path...>", [](P&, const Line& l) { probes::CheckFileBom(l.rest); }},
        {"expect-no-file", "<path>", [](P&, const Line& l) { probes::CheckNoFile(l.words[0]); }},

        // Preparations of the prefix (probes.cpp).
        {"set-reg", "<fields...>", [](P&, const Line& l) { probes::SetReg(l.rest); }},
        {"delete-reg-key", "<key...>", [](P&, const Line& l) { probes::DeleteRegKey(l.rest); }},
        {"deny-reg-write", "<key...>", [](P&, const Line& l) { probes::DenyRegWrite(l.rest); }},
        {"add-printer", "<fields...>", [](P&, const Line& l) { probes::AddPrinterRecord(l.rest); }},
        {"add-driver", "<fields...>", [](P&, const Line& l) { probes::AddDriverRecord(l.rest); }},
        {"write-file", "<fields...>", [](P&, const Line& l) { probes::WriteTextFile(l.rest); }},
        {"make-dir", "<path...>", [](P&, const Line& l) { probes::MakeDir(l.rest); }},
        {"hold-file", "<path...>", [](P& p, const Line& l) { p.holdings_.HoldFile(l.rest); }},
        {"hold-mutex", "<name...>",
         [](P& p, const Line& l) { p.holdings_.HoldMutex(l.rest, p.waitMs_); }},
        {"release-mutex", "", [](P& p, const Line&) { p.holdings_.ReleaseMutex(); }},
        {"abandon-mutex", "<name...>",
         [](P& p, const Line& l) { p.holdings_.AbandonMutex(l.rest); }},
    };
    return kCommands;
}

void Player::Run(const Line& l) {
    for (const Command& c : Commands()) {
        if (l.cmd != c.name) continue;
        if (l.words.size() < RequiredWords(c.args)) {
            throw SyntaxError(std::string("usage: ") + c.name + " " + c.args);
        }
        c.run(*this, l);
        return;
    }
    throw SyntaxError("unknown command");
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

int Usage() {
    std::fprintf(stderr,
                 "usage: uidriver.exe [--cwd DIR] [--exe PATH] [--out DIR] [--deadline S] "
                 "[--winedebug CHANNELS] [--ids FILE]... SCENARIO\n");
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
    InitOut();
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
        } else if (a == L"--ids" && hasValue) {
            std::string error;
            if (!LoadIds(argv[++i], &error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return kExitUsage;
            }
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
