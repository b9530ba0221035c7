// Timer of the quiet installation: runs two command lines in turn, each in the program folder,
// and times every run from CreateProcessW to the end of the process. One line a run:
//
//   quiet_timer.exe CWD RUNS WARMUPS "<command line A>" "<command line B>"
//   warmup|run <n> A|B <milliseconds> <exit code>
//
// Taking turns, A first in odd rounds and B first in even ones, spreads whatever else the machine
// does, and whatever a run leaves for the next, over both series alike.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_util.h"

namespace {

// Milliseconds from the start to the end of one run, and its exit code; negative when it did
// not start or did not end within a minute.
double TimeRun(const std::wstring& commandLine, const wchar_t* cwd, DWORD* code) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring line = commandLine;
    const double start = bench::NowMs();
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, cwd, &si, &pi)) {
        return -1;
    }
    const bool ended = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    const double elapsed = bench::NowMs() - start;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended ? elapsed : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6 || bench::PositiveArg(argv[2]) == 0) {
        std::fprintf(stderr, "usage: quiet_timer CWD RUNS WARMUPS \"COMMAND A\" \"COMMAND B\"\n");
        return 2;
    }
    const wchar_t* cwd = argv[1];
    const int runs = bench::PositiveArg(argv[2]);
    const int warmups = bench::PositiveArg(argv[3]);
    const std::wstring commands[2] = {argv[4], argv[5]};
    for (int round = 1; round <= warmups + runs; ++round) {
        const bool warmup = round <= warmups;
        for (int turn = 0; turn < 2; ++turn) {
            const int which = round % 2 ? turn : 1 - turn;
            DWORD code = 0;
            const double ms = TimeRun(commands[which], cwd, &code);
            if (ms < 0) {
                std::fprintf(stderr, "%s did not run to its end\n",
                             bench::ToUtf8(commands[which].c_str()).c_str());
                return 1;
            }
            std::printf("%s %d %c %.2f %lu\n", warmup ? "warmup" : "run",
                        warmup ? round : round - warmups, which ? 'B' : 'A', ms,
                        static_cast<unsigned long>(code));
            std::fflush(stdout);
        }
    }
    return 0;
}
