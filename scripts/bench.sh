#!/usr/bin/env bash
# Benchmarks of dist/DriverSetup.exe under Wine, each beside a baseline, written as a Markdown
# table to docs/benchmarks.md and printed. Measurements, not tests: nothing fails on a target.
# Options: see usage below.
#
# Builds what it runs (the wizard, the sample driver folder and tools/bench), then pins itself
# and so everything it starts to one CPU (on two, the wineserver's round trips fall into two
# speed clusters and a median can jump by a quarter between identical programs) and works in
# one copy of the win32 template prefix, version win10, with a persistent wineserver:
#   start-up      CreateProcessW to the first page visible (tools/bench/startup_timer.cpp), in
#                 rotated order each round: the wizard, the first-page floor (the wizard's own
#                 resources, dialog 129 and nothing else: first_page_floor.cpp), a copy of the
#                 floor (the A/A control: the noise between identical programs) and an empty
#                 program
#   installation  the press of 安装(&I) to the outcome message (tools/bench/install_timer.cpp),
#                 against the 500 ms pause plus the same ten CopyFileA (copy_floor.cpp)
#   size, memory  the stripped executables; the peak working set on the first page
# Raw output goes to build/windows/e2e/bench/; BENCH_KEEP_PREFIX=1 keeps the prefix.
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=wine-env.sh disable=SC1091
source "$(dirname "$0")/wine-env.sh"

usage() {
    cat >&2 <<'EOF'
usage: scripts/bench.sh [-s STARTUP_RUNS] [-i INSTALL_RUNS] [-c CPU] [-o FILE]
  -s N     start-up runs of each program (default 40, at least 10)
  -i N     installations and floor runs (default 7, at least 5)
  -c CPU   the one CPU for Xvfb, the wineserver and the programs (default: the last one)
  -o FILE  where the table goes (default docs/benchmarks.md)
EOF
    exit 2
}

startup_runs=40 install_runs=7 pin_cpu="" out=$E2E_REPO/docs/benchmarks.md
while getopts "s:i:c:o:" opt; do
    case $opt in
        s) startup_runs=$OPTARG ;;
        i) install_runs=$OPTARG ;;
        c) pin_cpu=$OPTARG ;;
        o) out=$OPTARG ;;
        *) usage ;;
    esac
done
if ! [[ $startup_runs =~ ^[0-9]+$ && $install_runs =~ ^[0-9]+$ ]] ||
    [ "$startup_runs" -lt 10 ] || [ "$install_runs" -lt 5 ]; then
    e2e_log "need at least 10 start-up runs and 5 installations"
    exit 2
fi
cpus=$(nproc --all)
# By default the last of the CPUs this script may use.
pin_cpu=${pin_cpu:-$(awk '/^Cpus_allowed_list/ { n = split($2, c, /[,-]/); print c[n] }' \
    /proc/$$/status)}

OS_PAGE="选择操作系统 (x86/x64)"
SETTLE_MS=300              # after the window shows, before the working set is read
STARTUP_WARMUPS=2          # rounds not counted: caches, fonts, Wine's own processes
INSTALL_WARMUPS=1          # the first installation also creates the printer
STARTUP_LIMIT=1.10 INSTALL_LIMIT=1.10

cd "$E2E_REPO"
bin=build/windows/bench
dist=$E2E_REPO/dist
work=$E2E_WORK/bench
prefix=$work/prefix

# Only the targets measured here, so that a half-edited test tool elsewhere cannot stop a run.
[ -f build/windows/build.ninja ] || cmake --preset windows >/dev/null
cmake --build --preset windows --target DriverSetup stage_driver_files bench >/dev/null
# The size limit of the build's own check (win/CMakeLists.txt).
# shellcheck disable=SC1091
source build/windows/limits.sh
SIZE_LIMIT=$DS_MAX_EXE_BYTES # bytes

# From here on this shell and all it starts (Xvfb, the wineserver, Wine's own processes, the
# timers and the programs they start) run on one CPU.
if ! taskset -cp "$pin_cpu" $$ >/dev/null; then
    e2e_log "cannot pin to CPU $pin_cpu"
    exit 2
fi

e2e_env
e2e_clean_at_exit prefix "$prefix"
[ "${BENCH_KEEP_PREFIX:-0}" = 1 ] || e2e_clean_at_exit remove "$prefix"

rm -rf "$work"
mkdir -p "$work"
# Other Wine sessions on the machine (tests running alongside) make the times noisier.
other_wine() { pgrep -c wineserver || true; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg) wine_before=$(other_wine)
e2e_xvfb_start
e2e_prefix_new win32 "$prefix"
# One wineserver for the whole run: no program pays for starting it.
WINEPREFIX=$prefix wineserver -p
e2e_set_version "$prefix" win10

# Where the processes really run, as the kernel has it: Xvfb, and every thread of every process
# of the prefix (the wineserver, Wine's services, the timer and the program it started).
affinity() { taskset -cp "$1" 2>/dev/null | sed 's/.*: //'; }
prefix_cpus() {
    local pid n=0 cpus=""
    for pid in /proc/[0-9]*; do
        grep -qzxF "WINEPREFIX=$prefix" "$pid/environ" 2>/dev/null || continue
        n=$((n + 1))
        cpus+=$(awk '/^Cpus_allowed_list/ { print $2 }' "$pid"/task/*/status 2>/dev/null)$'\n'
    done
    printf '%s process(es) of the prefix on %s\n' "$n" \
        "$(printf '%s' "$cpus" | sort -u | grep . | paste -sd' ' || echo '?')"
}

wine_run() {
    # Wine's console output ends its lines with CR LF.
    e2e_wine "$prefix" 300 "$@" | tr -d '\r'
}
winpath() { e2e_winpath "$1"; }

# The A/A control needs two identical programs under two names, side by side.
cp "$bin/first_page_floor.exe" "$work/floor_a.exe"
cp "$bin/first_page_floor.exe" "$work/floor_b.exe"
echo "start-up: $startup_runs runs each after $STARTUP_WARMUPS warm-up rounds, on CPU $pin_cpu" >&2
# One look during the warm-up rounds, while the timer and a program run.
(sleep 2 && prefix_cpus >"$work/pinned.txt") &
look=$!
wine_run "$bin/startup_timer.exe" "$startup_runs" "$STARTUP_WARMUPS" "$SETTLE_MS" \
    "$(winpath "$dist/DriverSetup.exe")" "$(winpath "$dist")" "$OS_PAGE" \
    "$(winpath "$work/floor_a.exe")" "$(winpath "$dist")" "$OS_PAGE" \
    "$(winpath "$work/floor_b.exe")" "$(winpath "$dist")" "$OS_PAGE" \
    "$(winpath "$bin/noop.exe")" "$(winpath "$dist")" exit >"$work/startup.txt"
wait "$look" || true
pinned="Xvfb on $(affinity "$E2E_XVFB_PID"), "
pinned+=$(cat "$work/pinned.txt" 2>/dev/null || echo "the prefix's processes not seen")

echo "installation: $install_runs runs after $INSTALL_WARMUPS warm-up" >&2
wine_run "$bin/install_timer.exe" "$(winpath "$dist/DriverSetup.exe")" "$(winpath "$dist")" \
    "$install_runs" "$INSTALL_WARMUPS" >"$work/install.txt"
wine_run "$bin/copy_floor.exe" "$(winpath "$dist")" "$install_runs" 1 >"$work/floor.txt"
load_after=$(cut -d' ' -f1-3 /proc/loadavg) wine_after=$(($(other_wine) - 1))

# Column COL of the counted runs ("run" lines) whose column 3 is KEY (any with KEY=-).
column() {
    awk -v key="$2" -v col="$3" '$1 == "run" && (key == "-" || $3 == key) { print $col }' "$1"
}
# "median min max" of numbers, one a line.
stats() {
    sort -g | awk '{ v[NR] = $1 }
        END {
            if (NR == 0) exit 1
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%.1f %.1f %.1f\n", m, v[1], v[NR]
        }'
}
# "first-quartile third-quartile" of numbers, one a line (linear between neighbours).
quartiles() {
    sort -g | awk '{ v[NR] = $1 }
        function q(p,   x, i) {
            x = 1 + (NR - 1) * p
            i = int(x)
            return i < NR ? v[i] + (x - i) * (v[i + 1] - v[i]) : v[NR]
        }
        END {
            if (NR == 0) exit 1
            printf "%.1f %.1f\n", q(0.25), q(0.75)
        }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
within() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l ? "yes" : "no") }'; }
kib() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1024 }'; }
# nm fails on a file without symbols, which is what is asked here; its message in English.
stripped() {
    local symbols
    symbols=$(LC_ALL=C LANGUAGE=C i686-w64-mingw32-nm "$1" 2>&1 || true)
    if [[ $symbols == *"no symbols"* ]]; then echo stripped; else echo "NOT stripped"; fi
}
# The counted runs of a series, as a list.
runs_of() { column "$1" "$2" "$3" | awk '{ printf "%s%s", sep, $1; sep = ", " }'; }

# Start-up series: 0 the wizard, 1 the floor, 2 the floor's copy, 3 the empty program.
read -r wiz_med wiz_min wiz_max < <(column "$work/startup.txt" 0 4 | stats)
read -r base_med base_min base_max < <(column "$work/startup.txt" 1 4 | stats)
read -r copy_med copy_min copy_max < <(column "$work/startup.txt" 2 4 | stats)
read -r noop_med noop_min noop_max < <(column "$work/startup.txt" 3 4 | stats)
read -r wiz_q1 wiz_q3 < <(column "$work/startup.txt" 0 4 | quartiles)
read -r base_q1 base_q3 < <(column "$work/startup.txt" 1 4 | quartiles)
read -r copy_q1 copy_q3 < <(column "$work/startup.txt" 2 4 | quartiles)
read -r noop_q1 noop_q3 < <(column "$work/startup.txt" 3 4 | quartiles)
read -r wiz_ws _ _ < <(column "$work/startup.txt" 0 5 | stats)
read -r base_ws _ _ < <(column "$work/startup.txt" 1 5 | stats)
read -r inst_med inst_min inst_max < <(column "$work/install.txt" - 3 | stats)
read -r floor_med floor_min floor_max < <(column "$work/floor.txt" - 3 | stats)

startup_ratio=$(ratio "$wiz_med" "$base_med") startup_min_ratio=$(ratio "$wiz_min" "$base_min")
aa_ratio=$(ratio "$copy_med" "$base_med") aa_min_ratio=$(ratio "$copy_min" "$base_min")
install_ratio=$(ratio "$inst_med" "$floor_med") install_min_ratio=$(ratio "$inst_min" "$floor_min")
ws_ratio=$(ratio "$wiz_ws" "$base_ws")
wiz_size=$(stat -c %s "$dist/DriverSetup.exe")
base_size=$(stat -c %s "$bin/first_page_floor.exe")
# Each distinct message of the counted installations with how often it came.
messages=$(awk '$1 == "run" { $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' "$work/install.txt" |
    sort | uniq -c |
    awk '{ n = $1; sub(/^ *[0-9]+ /, ""); printf "%s\"%s\" × %d", sep, $0, n; sep = ", " }')
floor_copies=$(awk '$1 == "run" && $4 != 10 { bad = 1 } END { print bad ? "not all" : "all" }' \
    "$work/floor.txt")
busy_note=""
if [ "$wine_before" -gt 0 ] || [ "$wine_after" -gt 0 ]; then
    busy_note=" A busy machine: compare builds with runs on a quiet one."
fi
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)

mkdir -p "$(dirname "$out")"
cat >"$out" <<EOF
# Benchmarks

Generated by \`scripts/bench.sh\` (rerun it rather than editing this file). Times in
milliseconds: the median of the counted runs, their range in brackets.

| measure | DriverSetup.exe | baseline | ratio of medians (of minima) | target | met |
|---|---|---|---|---|---|
| start-up: process start → first page visible | $wiz_med ($wiz_min–$wiz_max) | first-page floor: $base_med ($base_min–$base_max) | ${startup_ratio}x (${startup_min_ratio}x) | ≤ ${STARTUP_LIMIT}x | $(within "$startup_ratio" "$STARTUP_LIMIT") |
| A/A control: a copy of the floor against the floor (the noise) | — | copy: $copy_med ($copy_min–$copy_max) | ${aa_ratio}x (${aa_min_ratio}x) | — | — |
| installation: press of 安装(&I) → outcome message | $inst_med ($inst_min–$inst_max) | floor, 500 ms pause + 10 × CopyFileA: $floor_med ($floor_min–$floor_max) | ${install_ratio}x (${install_min_ratio}x) | ≤ ${INSTALL_LIMIT}x | $(within "$install_ratio" "$INSTALL_LIMIT") |
| executable size, bytes | $wiz_size ($(kib "$wiz_size") KiB, $(stripped "$dist/DriverSetup.exe")) | first-page floor: $base_size ($(kib "$base_size") KiB, $(stripped "$bin/first_page_floor.exe")) | — | ≤ $((SIZE_LIMIT / 1024)) KB ($SIZE_LIMIT) | $(within "$wiz_size" "$SIZE_LIMIT") |
| peak working set on the first page, KiB (as Wine accounts it, see below) | $(kib "$wiz_ws") | first-page floor: $(kib "$base_ws") | ${ws_ratio}x | — | — |

Counted runs: start-up $startup_runs of each program, after $STARTUP_WARMUPS uncounted rounds;
installation $install_runs, after $INSTALL_WARMUPS uncounted one that also creates the printer
(the counted ones find it and overwrite the files); floor $install_runs, after 1 uncounted.
Outcome of the counted installations: $messages. The floor runs copied $floor_copies ten files.

## Start-up

| program | median | middle half (quartiles) | range | ratio of medians to the floor (of minima) |
|---|---|---|---|---|
| DriverSetup.exe | $wiz_med | $wiz_q1–$wiz_q3 | $wiz_min–$wiz_max | ${startup_ratio}x (${startup_min_ratio}x) |
| first-page floor | $base_med | $base_q1–$base_q3 | $base_min–$base_max | 1.000x |
| copy of the floor (A/A) | $copy_med | $copy_q1–$copy_q3 | $copy_min–$copy_max | ${aa_ratio}x (${aa_min_ratio}x) |
| for scale: empty program, start → exit | $noop_med | $noop_q1–$noop_q3 | $noop_min–$noop_max | — |

The floor and its copy are the same bytes under two names: how far their ratio lies from 1.000
is what chance alone gives on this machine, and a difference between the wizard and the floor
smaller than that says nothing.

## Setup

- $(wine --version) on Xvfb; one copy of the win32 template prefix, version \`win10\`,
  locale \`$LANG\`; one persistent wineserver for the whole run, so no program pays for
  starting it.
- $cpu × $cpus. Xvfb, the wineserver, Wine's own processes, the timers and the measured
  programs all run on CPU $pin_cpu (taskset; seen in the kernel during the run: $pinned).
- Load average $load_before before the run, $load_after after; other Wine sessions
  (wineservers) running: $wine_before before, $wine_after after.$busy_note
- The targets are judged on the medians. Whatever else runs shares the CPUs, and the spread
  of the start-up runs comes mostly from there; the ratio of the minima is the steadier
  comparison of the programs' own costs when the spread is wide.
- Commit $commit plus any uncommitted changes; $(date -u '+%Y-%m-%d %H:%M UTC').

## How it is measured

- Start-up (\`tools/bench/startup_timer.cpp\`): QueryPerformanceCounter before CreateProcessW
  and again when EnumWindows, polled every millisecond, first finds a visible top-level window
  of the process captioned "$OS_PAGE". The first-page floor
  (\`tools/bench/first_page_floor.cpp\`) links the wizard's own compiled resources (the same
  dialog templates, manifest and icon), calls InitCommonControlsEx for the same classes and
  shows the same dialog 129 with a dialog procedure that does nothing; it has the wizard's
  compiler, options and link flags: static, -Os, stripped. The wizard, the floor, a copy of
  the floor and an empty program (\`noop.cpp\`, timed to its end) take turns, 100 ms apart, and
  each round starts one program later than the one before, so that each takes every place in
  the order equally often. ${SETTLE_MS} ms after the window shows, the peak working set is
  read (GetProcessMemoryInfo, PeakWorkingSetSize); then WM_CLOSE, and TerminateProcess
  after 2 s.
- Why one CPU: with Xvfb, the wineserver and the program free to move between two CPUs, the
  wineserver round trips of a start fall into two speed clusters, depending on where each
  process happens to run, and the median of a series can jump by a quarter between identical
  programs.
- Installation (\`tools/bench/install_timer.cpp\`): the wizard is walked OS page → 1009 →
  settings page → 1009 → port page, left ${SETTLE_MS} ms to settle, and timed from posting
  BM_CLICK to 1022 until a visible window of the process captioned "DriverSetup". Defaults
  throughout: model RQ-230, the preselected port, the x86 files.
- Floor (\`tools/bench/copy_floor.cpp\`): Sleep(500), then CopyFileA of the same ten files
  from \`Printer Driver\\x86\\\` into the spooler's driver directory, overwriting; the
  directory is looked up once, untimed.
- The peak working set is Wine's figure for the whole Unix process, Wine's loader, ntdll and
  the Unix libraries mapped into it included; it is far above what Windows would report for
  either program, and only the difference between the two means much.

## Runs

| series | counted runs, ms |
|---|---|
| start-up, DriverSetup.exe | $(runs_of "$work/startup.txt" 0 4) |
| start-up, first-page floor | $(runs_of "$work/startup.txt" 1 4) |
| start-up, copy of the floor | $(runs_of "$work/startup.txt" 2 4) |
| start → exit, empty program | $(runs_of "$work/startup.txt" 3 4) |
| installation | $(runs_of "$work/install.txt" - 3) |
| floor | $(runs_of "$work/floor.txt" - 3) |
EOF
cat "$out"

# ---------------------------------------------------------------------------------------------
# Quiet installation: DriverSetup.exe /model:5 /quiet, process start to exit, against a floor
# program without any window that makes the same copies and spooler and registry calls
# (tools/bench/quiet_floor.cpp); the two take turns, each first in every other round
# (tools/bench/quiet_timer.cpp). In its own
# prefix, appended to the table file as its own section. BENCH_QUIET_RUNS counted runs of each
# (default 15) after 2 uncounted rounds, the first of which creates the printer.
quiet_install_bench() (
    local runs=${BENCH_QUIET_RUNS:-15} warmups=2 limit=1.10
    local qwork=$E2E_WORK/bench-quiet qbin=$E2E_REPO/build/windows/bench
    local qprefix=$qwork/prefix
    cmake --build --preset windows --target DriverSetup stage_driver_files bench_quiet >/dev/null
    rm -rf "$qwork"
    mkdir -p "$qwork"
    # A subshell does not inherit the script's traps, so this section keeps its own.
    # shellcheck disable=SC2317  # run by the trap
    q_cleanup() {
        e2e_wine_stop "$qprefix"
        [ "${BENCH_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$qprefix"
    }
    trap q_cleanup EXIT
    e2e_prefix_new win32 "$qprefix"
    WINEPREFIX=$qprefix wineserver -p
    e2e_set_version "$qprefix" win10
    echo "quiet installation: $runs runs each after $warmups warm-up rounds" >&2
    e2e_wine "$qprefix" 600 "$qbin/quiet_timer.exe" "$(e2e_winpath "$E2E_REPO/dist")" \
        "$runs" "$warmups" \
        "\"$(e2e_winpath "$E2E_REPO/dist/DriverSetup.exe")\" /model:5 /quiet" \
        "\"$(e2e_winpath "$qbin/quiet_floor.exe")\"" | tr -d '\r' >"$qwork/quiet.txt"

    # "median min max" of the counted runs of series A or B; the exit codes that are not 0.
    q_stats() {
        awk -v s="$1" '$1 == "run" && $3 == s { print $4 }' "$qwork/quiet.txt" | sort -n |
            awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                  printf "%.1f %.1f %.1f\n", m, v[1], v[NR] }'
    }
    q_failed() { awk '$1 == "run" && $5 != 0 { n++ } END { print n + 0 }' "$qwork/quiet.txt"; }
    local q_med q_min q_max f_med f_min f_max ratio min_ratio met
    read -r q_med q_min q_max < <(q_stats A)
    read -r f_med f_min f_max < <(q_stats B)
    ratio=$(awk -v a="$q_med" -v b="$f_med" 'BEGIN { printf "%.3f", a / b }')
    min_ratio=$(awk -v a="$q_min" -v b="$f_min" 'BEGIN { printf "%.3f", a / b }')
    met=$(awk -v r="$ratio" -v l="$limit" 'BEGIN { print (r <= l ? "yes" : "no") }')
    {
        echo
        echo "## Quiet installation"
        echo
        echo "| measure | DriverSetup.exe /model:5 /quiet | floor | ratio of medians (of minima) | target | met |"
        echo "|---|---|---|---|---|---|"
        echo "| process start → exit, ms | $q_med ($q_min–$q_max) | $f_med ($f_min–$f_max) | ${ratio}x (${min_ratio}x) | ≤ ${limit}x | $met |"
        echo
        echo "$runs counted runs of each after $warmups uncounted rounds (the first creates the"
        echo "printer), taking turns (each first in every other round), in a fresh win32 prefix (win10) with a persistent wineserver;"
        echo "runs that did not exit with 0: $(q_failed). The wizard writes its log to %TEMP% and takes"
        echo "the machine-wide lock; the floor (\`tools/bench/quiet_floor.cpp\`) enumerates the ports,"
        echo "asks for the driver directory, checks, copies and moves the ten files, registers the"
        echo "driver, adds the printer (or reads the existing one's driver) and writes \"Device\", all"
        echo "with imported functions, no window, no parsing, no lock, no log. Timed by"
        echo "\`tools/bench/quiet_timer.cpp\` from CreateProcessW to the end of the process."
    } | tee -a "$out"
)
quiet_install_bench
