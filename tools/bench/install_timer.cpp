// Installation timer for the wizard: walks it to the port page (OS page 1009, settings page
// 1009), lets the page settle, then times the press of the install button (1022) until the
// outcome message box shows. One line a run:
//
//   install_timer.exe EXE CWD RUNS WARMUPS
//   warmup|run <n> <milliseconds> <message text>
//
// The first installation into a prefix also creates the printer; warm-up runs take that.
#include <windows.h>

#include <cstdio>

#include "bench_util.h"

namespace {

const wchar_t kOsPage[] = L"选择操作系统 (x86/x64)";
const wchar_t kSettingsPage[] = L"详细设置 (x86/x64)";
const wchar_t kPortPage[] = L"选择端口 (x86/x64)";
const wchar_t kMessageCaption[] = L"DriverSetup";
const int kNext = 1009;
const int kInstall = 1022;
const int kMessageText = 0xFFFF;  // the static that holds a message box's text
// Long enough for the port page's list to be filled before the press.
const DWORD kSettleMs = 300;

bool Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageW(button, BM_CLICK, 0, 0);
}

// One walk to the port page and a timed installation; -1 when a step did not come.
double InstallOnce(const wchar_t* exe, const wchar_t* cwd, std::string* message) {
    PROCESS_INFORMATION pi = {};
    if (!bench::Start(exe, cwd, &pi)) {
        std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return -1;
    }
    const DWORD pid = pi.dwProcessId;
    HWND page = bench::WaitWindow(pid, kOsPage, true, pi.hProcess, 30000);
    if (page && Click(page, kNext)) {
        page = bench::WaitWindow(pid, kSettingsPage, true, pi.hProcess, 30000);
    } else {
        page = nullptr;
    }
    if (page && Click(page, kNext)) {
        page = bench::WaitWindow(pid, kPortPage, true, pi.hProcess, 30000);
    } else {
        page = nullptr;
    }
    if (!page) {
        std::fprintf(stderr, "the port page did not come\n");
        bench::Finish(&pi, nullptr);
        return -1;
    }
    Sleep(kSettleMs);
    const double start = bench::NowMs();
    HWND box = nullptr;
    if (Click(page, kInstall)) {
        box = bench::WaitWindow(pid, kMessageCaption, false, pi.hProcess, 60000);
    }
    const double elapsed = bench::NowMs() - start;
    if (!box) {
        std::fprintf(stderr, "no message box after the install button\n");
        bench::Finish(&pi, nullptr);
        return -1;
    }
    wchar_t text[512] = L"";
    GetDlgItemTextW(box, kMessageText, text, 512);
    *message = bench::ToUtf8(text);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    bench::Finish(&pi, nullptr);
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5 || bench::PositiveArg(argv[3]) == 0) {
        std::fprintf(stderr, "usage: install_timer EXE CWD RUNS WARMUPS\n");
        return 2;
    }
    const int runs = bench::PositiveArg(argv[3]);
    const int warmups = bench::PositiveArg(argv[4]);
    for (int round = 1; round <= warmups + runs; ++round) {
        const bool warmup = round <= warmups;
        std::string message;
        double elapsed = InstallOnce(argv[1], argv[2], &message);
        if (elapsed < 0) return 1;
        // Message texts may span lines; one line a run.
        for (char& c : message) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        std::printf("%s %d %.2f %s\n", warmup ? "warmup" : "run", warmup ? round : round - warmups,
                    elapsed, message.c_str());
        std::fflush(stdout);
    }
    return 0;
}
