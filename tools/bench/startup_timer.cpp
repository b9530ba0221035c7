// Start-up timer: from CreateProcessW to the first visible top-level window of the new process
// (with the given caption, or any), then its peak working set, then closes it. The programs
// take turns, run after run, so that a drift of the machine hits them alike, and each round
// starts one program later than the one before, so that every program takes every place in the
// order equally often (what runs just before a program changes its time).
//
//   startup_timer.exe RUNS WARMUPS SETTLE_MS EXE CWD CAPTION|any|exit [EXE CWD CAPTION]...
//   warmup|run <n> <program index> <milliseconds> <peak working set bytes>
//
// "exit" times the process until it ends instead (for a program that shows no window). The
// working set is read SETTLE_MS after the window shows, once it has painted; 0 when unknown.
// Warm-up rounds come first and are printed as such.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

#include "bench_util.h"

namespace {

struct Program {
    const wchar_t* exe;
    const wchar_t* cwd;
    const wchar_t* caption;  // nullptr: any
    bool untilExit;
};

// Milliseconds to the window (or the end), or -1; the peak working set into *peak.
double TimeOnce(const Program& program, DWORD settleMs, unsigned long* peak) {
    PROCESS_INFORMATION pi = {};
    *peak = 0;
    const double start = bench::NowMs();
    if (!bench::Start(program.exe, program.cwd, &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", bench::ToUtf8(program.exe).c_str(),
                     GetLastError());
        return -1;
    }
    if (program.untilExit) {
        WaitForSingleObject(pi.hProcess, 30000);
        const double elapsed = bench::NowMs() - start;
        bench::Finish(&pi, nullptr);
        return elapsed;
    }
    HWND window = bench::WaitWindow(pi.dwProcessId, program.caption, false, pi.hProcess, 30000);
    const double elapsed = bench::NowMs() - start;
    if (!window) {
        std::fprintf(stderr, "%s: no visible window within 30 s\n",
                     bench::ToUtf8(program.exe).c_str());
        bench::Finish(&pi, nullptr);
        return -1;
    }
    Sleep(settleMs);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters)) {
        *peak = static_cast<unsigned long>(counters.PeakWorkingSetSize);
    }
    bench::Finish(&pi, window);
    return elapsed;
}

// Between runs, so that one program's teardown in the system does not overlap the next start.
const DWORD kGapMs = 100;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int kFixed = 4;
    if (argc < kFixed + 3 || (argc - kFixed) % 3 != 0 || bench::PositiveArg(argv[1]) == 0) {
        std::fprintf(stderr,
                     "usage: startup_timer RUNS WARMUPS SETTLE_MS EXE CWD CAPTION|any|exit "
                     "[EXE CWD CAPTION]...\n");
        return 2;
    }
    const int runs = bench::PositiveArg(argv[1]);
    const int warmups = bench::PositiveArg(argv[2]);
    const DWORD settleMs = static_cast<DWORD>(bench::PositiveArg(argv[3]));
    const int count = (argc - kFixed) / 3;
    Program programs[16];
    if (count > 16) return 2;
    for (int i = 0; i < count; ++i) {
        wchar_t** arg = argv + kFixed + 3 * i;
        programs[i].exe = arg[0];
        programs[i].cwd = arg[1];
        programs[i].untilExit = std::wcscmp(arg[2], L"exit") == 0;
        programs[i].caption = std::wcscmp(arg[2], L"any") == 0 ? nullptr : arg[2];
    }

    for (int round = 1; round <= warmups + runs; ++round) {
        const bool warmup = round <= warmups;
        for (int place = 0; place < count; ++place) {
            const int i = (place + round - 1) % count;
            unsigned long peak = 0;
            const double elapsed = TimeOnce(programs[i], settleMs, &peak);
            if (elapsed < 0) return 1;
            std::printf("%s %d %d %.2f %lu\n", warmup ? "warmup" : "run",
                        warmup ? round : round - warmups, i, elapsed, peak);
            std::fflush(stdout);
            Sleep(kGapMs);
        }
    }
    return 0;
}
