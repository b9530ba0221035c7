#!/usr/bin/env bash
# Runs one UI scenario against dist/DriverSetup.exe under Wine, in a fresh copy of a template
# prefix, and exits 0 (pass), 1 (fail) or 77 (skipped: Wine cannot give the requested version).
# Its options are in usage() below; the scenario commands in tests/e2e/README.md.
set -uo pipefail

usage() {
    cat >&2 <<'EOF'
usage: tests/e2e/case.sh [-n NAME] [-a win32|win64] [-v VERSION] [-l LOCALE] [-t SECONDS]
                         [-w WINDIR] [-d OVERRIDES] [-g CHANNELS] [-f KB] SCENARIO

  SCENARIO  a scenario file for the UI driver (commands: tests/e2e/README.md), or - for stdin
  -n NAME   case name; its log, scenario copy and screenshots go to build/windows/e2e/cases/NAME
            (default: the scenario file's base name)
  -a ARCH   prefix architecture (default win32); a 32-bit program runs under WoW64 in win64
  -v VER    Windows version Wine reports: win95, win98, winme, nt40, win2k, winxp, win2003,
            vista, win7, win8, win81, win10 (default win10)
  -l LOC    LANG and LC_ALL (default zh_CN.UTF-8)
  -t SEC    time limit for the whole scenario (default 120)
  -w DIR    the program's current directory, a Windows path (default: the program's folder)
  -d OVR    DLL overrides added to the harness' own WINEDLLOVERRIDES, e.g. "winspool.drv=n,b"
  -g CHAN   WINEDEBUG for the wizard alone, e.g. "+debugstr"; the standard error of the driver
            and the wizard then goes to stderr.txt in the case folder instead of the log
  -f KB     a full disk: the prefix's 32-bit driver directory becomes a tmpfs of KB kilobytes
            (needs root; unmounted at the end, whatever happens)

Needs the windows build: dist/DriverSetup.exe and build/windows/e2e/uidriver.exe. Starts its
own Xvfb unless E2E_DISPLAY is set; E2E_DIST names another folder to run instead of dist/.
The prefix is removed afterwards unless E2E_KEEP_PREFIX=1. Controls are named as in
res/resource.h and tests/e2e/system_ids.h. Example:

  tests/e2e/case.sh -n try -v winxp - <<'END'
  wait 选择操作系统 (x86/x64)
  expect-checked IDC_OS_WINXP
  click IDC_OS_EXIT
  expect-exit
  END
EOF
    exit 2
}

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$HERE/../../scripts/wine-env.sh"

name="" arch=win32 version=win10 locale=zh_CN.UTF-8 limit=120 cwd="" overrides="" winedebug=""
fullkb=""
while getopts "hn:a:v:l:t:w:d:g:f:" opt; do
    case $opt in
        n) name=$OPTARG ;;
        a) arch=$OPTARG ;;
        v) version=$OPTARG ;;
        l) locale=$OPTARG ;;
        t) limit=$OPTARG ;;
        w) cwd=$OPTARG ;;
        d) overrides=$OPTARG ;;
        g) winedebug=$OPTARG ;;
        f) fullkb=$OPTARG ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] || usage
scenario=$1
case $arch in win32 | win64) ;; *) e2e_log "unknown architecture $arch"; exit 2 ;; esac
if [ -z "$name" ]; then
    [ "$scenario" != - ] || { e2e_log "-n is needed with -"; exit 2; }
    name=$(basename "${scenario%.*}")
fi

dist=${E2E_DIST:-$E2E_REPO/dist}
driver=${E2E_UIDRIVER:-$E2E_WORK/uidriver.exe}
for f in "$dist/DriverSetup.exe" "$driver"; do
    if [ ! -f "$f" ]; then
        e2e_log "missing $f: build with cmake --preset windows && cmake --build --preset windows"
        exit 1
    fi
done

outdir=$E2E_WORK/cases/$name
prefix=$outdir/prefix
rm -rf "$outdir"
mkdir -p "$outdir"
if [ "$scenario" = - ]; then
    cat >"$outdir/scenario.txt"
else
    cp "$scenario" "$outdir/scenario.txt"
fi

E2E_LOCALE=$locale
e2e_env
[ -z "$overrides" ] || WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$overrides"
e2e_clean_at_exit prefix "$prefix"
[ "${E2E_KEEP_PREFIX:-0}" = 1 ] || e2e_clean_at_exit remove "$prefix"

start=$SECONDS
e2e_xvfb_start || exit 1
e2e_prefix_new "$arch" "$prefix" || exit 1
e2e_set_version "$prefix" "$version" || exit 1
if [ -n "$fullkb" ]; then
    drivers=$prefix/drive_c/windows/system32/spool/drivers/w32x86
    mount -t tmpfs -o "size=${fullkb}k" ds-full-disk "$drivers" || {
        e2e_log "cannot mount a tmpfs over $drivers (root needed)"
        exit 1
    }
    e2e_clean_at_exit mount "$drivers"
    mkdir -p "$drivers/3"
fi

echo "case $name: $arch prefix, version $version, $locale, display $DISPLAY"
# The driver's own deadline ends a stuck scenario with a window dump; the host's is the backstop.
start_in=(--cwd "$(e2e_winpath "$dist")")
[ -z "$cwd" ] || start_in=(--exe "$(e2e_winpath "$dist")\DriverSetup.exe" --cwd "$cwd")
[ -z "$winedebug" ] || start_in+=(--winedebug "$winedebug")
mapfile -t ids < <(e2e_driver_ids)
run_driver() {
    e2e_wine "$prefix" $((limit + 30)) "$driver" --deadline "$limit" \
        "${start_in[@]}" "${ids[@]}" --out "$(e2e_winpath "$outdir")" \
        "$(e2e_winpath "$outdir/scenario.txt")"
}
# Wine writes the wizard's traces to the standard error it inherits from the driver.
if [ -n "$winedebug" ]; then
    run_driver 2>"$outdir/stderr.txt" | tee "$outdir/log.txt"
else
    run_driver 2>&1 | tee "$outdir/log.txt"
fi
rc=${PIPESTATUS[0]}
e2e_convert_screenshots "$outdir"
case $rc in
    0) echo "case $name: PASS in $((SECONDS - start)) s" ;;
    77) echo "case $name: SKIPPED" ;;
    124 | 137) echo "case $name: FAIL: no result within $((limit + 30)) s"; rc=1 ;;
    *) echo "case $name: FAIL (exit status $rc); log in $outdir/log.txt"; rc=1 ;;
esac
exit "$rc"
