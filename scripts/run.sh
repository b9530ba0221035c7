#!/usr/bin/env bash
# Runs the wizard, dist/DriverSetup.exe, under Wine in a throwaway prefix below build/ (never
# ~/.wine): on your display, or walked through on Xvfb with screenshots. See usage() below.
set -uo pipefail

source "$(dirname "$0")/wine-env.sh"

usage() {
    cat >&2 <<'EOF'
usage: scripts/run.sh [--headless] [-a win32|win64] [-v VERSION] [--dpi N]

Build first: cmake --preset windows && cmake --build --preset windows.
With a usable $DISPLAY the wizard opens for you. Without one (or with --headless) it starts
Xvfb, walks through the pages with the UI driver (tests/e2e/scenarios/walkthrough.txt) and
saves a PNG screenshot of each page in build/screenshots/.
  -a ARCH   the prefix architecture (default win32)
  -v VER    the Windows version Wine reports (default win10)
  --dpi N   the screen's dots per inch (LogPixels; 144 is 150 %)
E2E_LOCALE sets the locale (default zh_CN.UTF-8).
EOF
    exit 2
}

headless=0 arch=win32 version=win10 dpi=""
while [ $# -gt 0 ]; do
    case $1 in
        --headless) headless=1 ;;
        -a) arch=$2; shift ;;
        -v) version=$2; shift ;;
        --dpi) dpi=$2; shift ;;
        *) usage ;;
    esac
    shift
done

dist=${E2E_DIST:-$E2E_REPO/dist}
driver=$E2E_WORK/uidriver.exe
shots=$E2E_REPO/build/screenshots
prefix=$E2E_REPO/build/run/prefix
if [ ! -f "$dist/DriverSetup.exe" ]; then
    e2e_log "missing dist/DriverSetup.exe: cmake --preset windows && cmake --build --preset windows"
    exit 1
fi
if [ "$headless" = 0 ] && { [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; }; then
    headless=1
fi
if [ "$headless" = 1 ] && [ ! -f "$driver" ]; then
    e2e_log "missing $driver: cmake --build --preset windows builds it"
    exit 1
fi

e2e_env
e2e_clean_at_exit prefix "$prefix" remove "$prefix"

if [ "$headless" = 1 ]; then
    E2E_DISPLAY="" e2e_xvfb_start || exit 1
fi
e2e_prefix_new "$arch" "$prefix" || exit 1
e2e_set_version "$prefix" "$version" || exit 1
if [ -n "$dpi" ]; then
    e2e_reg_add "$prefix" 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" || exit 1
fi

if [ "$headless" = 0 ]; then
    # On a real desktop the window manager frames the windows.
    e2e_reg_add "$prefix" 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y || exit 1
    echo "running the wizard on $DISPLAY ($arch, $version); close it to end"
    (cd "$dist" && WINEPREFIX=$prefix wine DriverSetup.exe)
    exit 0
fi

rm -rf "$shots"
mkdir -p "$shots"
echo "walking through the wizard on Xvfb $DISPLAY ($arch, $version)"
mapfile -t ids < <(e2e_driver_ids)
e2e_wine "$prefix" 200 "$driver" --deadline 170 --cwd "$(e2e_winpath "$dist")" "${ids[@]}" \
    --out "$(e2e_winpath "$shots")" \
    "$(e2e_winpath "$E2E_REPO/tests/e2e/scenarios/walkthrough.txt")"
rc=$?
e2e_convert_screenshots "$shots"
echo "screenshots in $shots:"
ls -1 "$shots"
if [ "$rc" != 0 ]; then
    e2e_log "the walkthrough stopped early (exit status $rc)"
fi
exit "$rc"
