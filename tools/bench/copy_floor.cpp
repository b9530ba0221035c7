// The floor of an installation: the wizard's half-second pause plus the ten driver file copies
// it makes for its default model (x86), with plain CopyFileA into the spooler's driver
// directory, overwriting as the wizard does. One line a run:
//
//   copy_floor.exe CWD RUNS WARMUPS
//   warmup|run <n> <milliseconds> <files copied>
//
// CWD is the program folder (dist/), which holds "Printer Driver\x86\". The directory is
// looked up once, outside the timed part: the floor is the pause and the copies alone.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "bench_util.h"

namespace {

const char* const kFiles[] = {
    "RQPRN.DLL",  "RQ230.GPD",  "uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP",
    "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD", "RQPLUG.ini", "RQPLUG.dll",
};
const DWORD kPauseMs = 500;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 || bench::PositiveArg(argv[2]) == 0 || !SetCurrentDirectoryW(argv[1])) {
        std::fprintf(stderr, "usage: copy_floor CWD RUNS WARMUPS\n");
        return 2;
    }
    const int runs = bench::PositiveArg(argv[2]);
    const int warmups = bench::PositiveArg(argv[3]);
    char dir[MAX_PATH] = "";
    DWORD needed = 0;
    char environment[] = "Windows NT x86";
    if (!GetPrinterDriverDirectoryA(nullptr, environment, 1, reinterpret_cast<BYTE*>(dir),
                                    sizeof dir, &needed)) {
        std::fprintf(stderr, "no printer driver directory (error %lu)\n", GetLastError());
        return 1;
    }
    char sources[10][MAX_PATH];
    char destinations[10][MAX_PATH];
    for (int i = 0; i < 10; ++i) {
        std::snprintf(sources[i], MAX_PATH, "Printer Driver\\x86\\%s", kFiles[i]);
        std::snprintf(destinations[i], MAX_PATH, "%s\\%s", dir, kFiles[i]);
    }
    for (int round = 1; round <= warmups + runs; ++round) {
        const bool warmup = round <= warmups;
        const double start = bench::NowMs();
        Sleep(kPauseMs);
        int copied = 0;
        for (int i = 0; i < 10; ++i) {
            if (CopyFileA(sources[i], destinations[i], FALSE)) ++copied;
        }
        const double elapsed = bench::NowMs() - start;
        std::printf("%s %d %.2f %d\n", warmup ? "warmup" : "run", warmup ? round : round - warmups,
                    elapsed, copied);
        std::fflush(stdout);
        if (copied != 10) {
            std::fprintf(stderr, "only %d of 10 files copied (error %lu)\n", copied,
                         GetLastError());
            return 1;
        }
    }
    return 0;
}
