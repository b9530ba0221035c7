# shellcheck shell=bash
# Wine under Xvfb in throwaway prefixes below build/ (never ~/.wine). Sourced by scripts/run.sh
# and tests/e2e/*.sh; defines e2e_* functions and changes nothing until one is called.
#
# Settings from the environment:
#   E2E_WORK     work folder for prefixes and case output (default build/windows/e2e)
#   E2E_LOCALE   LANG and LC_ALL for Wine (default zh_CN.UTF-8)
#   E2E_DISPLAY  an X display to use instead of starting Xvfb

E2E_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
E2E_WORK=${E2E_WORK:-$E2E_REPO/build/windows/e2e}
E2E_PREFIXES=$E2E_WORK/prefixes
E2E_XVFB_PID=""

e2e_log() { printf '%s\n' "$*" >&2; }

# The clean-up of a script, run once when it ends however it ends (exit, interrupt,
# termination): Wine's processes in the registered prefixes end, registered mounts go, Xvfb
# stops, and the registered folders (prefixes) are removed, in that order.
E2E_CLEAN_PREFIXES=()
E2E_CLEAN_MOUNTS=()
E2E_CLEAN_REMOVE=()
E2E_CLEAN_TRAPPED=""

e2e_cleanup() {
    local dir
    for dir in "${E2E_CLEAN_PREFIXES[@]}"; do e2e_wine_stop "$dir"; done
    # Never leave a mount behind (nor delete through one).
    for dir in "${E2E_CLEAN_MOUNTS[@]}"; do umount "$dir" 2>/dev/null || umount -l "$dir"; done
    e2e_xvfb_stop
    for dir in "${E2E_CLEAN_REMOVE[@]}"; do rm -rf "$dir"; done
}

# Sets the traps once and registers what to undo: e2e_clean_at_exit [prefix DIR] [mount DIR]
# [remove DIR]...; "prefix" ends the prefix's processes, "remove" deletes a folder.
e2e_clean_at_exit() {
    while [ $# -ge 2 ]; do
        case $1 in
            prefix) E2E_CLEAN_PREFIXES+=("$2") ;;
            mount) E2E_CLEAN_MOUNTS+=("$2") ;;
            remove) E2E_CLEAN_REMOVE+=("$2") ;;
            *) e2e_log "e2e_clean_at_exit: unknown kind $1"; return 2 ;;
        esac
        shift 2
    done
    [ -z "$E2E_CLEAN_TRAPPED" ] || return 0
    E2E_CLEAN_TRAPPED=1
    trap e2e_cleanup EXIT
    # Interrupted runs clean up too.
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# The UI driver's --ids arguments: the wizard's control names (res/resource.h) and those of the
# system's dialogs (tests/e2e/system_ids.h), so that scenarios name controls as the code does.
e2e_driver_ids() {
    local f
    for f in "$E2E_REPO/res/resource.h" "$E2E_REPO/tests/e2e/system_ids.h"; do
        printf '%s\n' --ids "$(e2e_winpath "$f")"
    done
}

# Unix path to the Windows form Wine's drive Z: (the file system root) gives it.
e2e_winpath() {
    local p
    p=$(realpath -m "$1")
    printf 'Z:%s' "${p//\//\\}"
}

# The environment every Wine command of the harness runs in.
e2e_env() {
    export LANG=${E2E_LOCALE:-zh_CN.UTF-8}
    export LC_ALL=$LANG
    export WINEDEBUG=-all
    # No Mono or Gecko install prompts in a fresh prefix, and no menu entries or file
    # associations written into the user's home.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    unset WINEPREFIX WINEARCH
}

# Starts Xvfb on a free display and exports DISPLAY, unless E2E_DISPLAY names one.
e2e_xvfb_start() {
    if [ -n "${E2E_DISPLAY:-}" ]; then
        export DISPLAY=$E2E_DISPLAY
        return 0
    fi
    local numfile display
    numfile=$(mktemp)
    # -displayfd lets the server take the first free display and tell us which once it is ready.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$numfile" ] && break
        if ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
            e2e_log "Xvfb did not start"
            rm -f "$numfile"
            return 1
        fi
        sleep 0.1
    done
    if [ ! -s "$numfile" ]; then
        e2e_log "Xvfb did not report its display within 10 s"
        rm -f "$numfile"
        return 1
    fi
    display=$(head -n1 "$numfile")
    export DISPLAY=":$display"
    rm -f "$numfile"
}

e2e_xvfb_stop() {
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=""
    fi
}

# Ends every process of the prefix and waits until its wineserver is gone.
e2e_wine_stop() {
    local prefix=$1
    [ -d "$prefix" ] || return 0
    WINEPREFIX=$prefix timeout 20 wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix timeout 20 wineserver -w 2>/dev/null || true
}

# Runs a Wine command in a prefix with a time limit.
e2e_wine() {
    local prefix=$1 limit=$2
    shift 2
    WINEPREFIX=$prefix timeout -k 5 "$limit" wine "$@"
}

e2e_reg_add() {
    local prefix=$1
    shift
    e2e_wine "$prefix" 60 reg add "$@" /f >/dev/null
}

# What a template prefix depends on: a change of Wine or of this file makes it stale.
e2e_template_key() {
    printf '%s %s\n' "$(wine --version 2>/dev/null)" \
        "$(md5sum "${BASH_SOURCE[0]}" | cut -d' ' -f1)"
}

e2e_build_template() {
    local arch=$1 dir=$2
    rm -rf "$dir"
    e2e_log "creating the $arch template prefix in $dir"
    WINEPREFIX=$dir WINEARCH=$arch timeout -k 5 300 wineboot -i >/dev/null 2>&1 || {
        e2e_log "wineboot failed for $arch"
        return 1
    }
    WINEPREFIX=$dir timeout 120 wineserver -w || true
    local fs='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' face
    # The dialogs ask for SimSun; Debian's free CJK font stands in for it.
    for face in "宋体" "SimSun" "MS Shell Dlg" "MS Shell Dlg 2"; do
        e2e_reg_add "$dir" "$fs" /v "$face" /d "WenQuanYi Zen Hei" || return 1
    done
    # A fresh prefix lacks this per-user key, which the wizard writes the default printer to.
    e2e_reg_add "$dir" 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' || return 1
    # Without a window manager, managed windows make Wine wait 2 s for every hidden window;
    # unmanaged ones also get their caption bars drawn by Wine, which the screenshots want.
    e2e_reg_add "$dir" 'HKCU\Software\Wine\X11 Driver' /v Managed /d N || return 1
    # A crash must end the case, not wait on winedbg's dialog.
    e2e_reg_add "$dir" 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 ||
        return 1
    e2e_wine_stop "$dir"
}

# Makes sure the template prefix for arch (win32 or win64) exists and is complete; "fresh"
# rebuilds it anyway. Later callers find the stamp and reuse it.
e2e_template() {
    local arch=$1 fresh=${2:-}
    local dir=$E2E_PREFIXES/$arch stamp=$E2E_PREFIXES/$arch.stamp key
    mkdir -p "$E2E_PREFIXES"
    key=$(e2e_template_key)
    (
        flock -w 600 9 || {
            e2e_log "timed out waiting for the template lock"
            exit 1
        }
        if [ "$fresh" != fresh ] && [ -d "$dir" ] && [ -f "$stamp" ] &&
            [ "$(cat "$stamp")" = "$key" ]; then
            exit 0
        fi
        rm -f "$stamp"
        e2e_build_template "$arch" "$dir" || exit 1
        printf '%s\n' "$key" >"$stamp"
    ) 9>"$E2E_PREFIXES/.lock"
}

# Copies the template of arch into dir (replacing it) for one case.
e2e_prefix_new() {
    local arch=$1 dir=$2
    e2e_template "$arch" || return 1
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    cp -a "$E2E_PREFIXES/$arch" "$dir"
}

# The Windows version Wine reports to programs: win95, win98, winme, nt40, win2k, winxp,
# win2003, vista, win7, win8, win81, win10, ...
e2e_set_version() {
    local prefix=$1 version=$2
    e2e_reg_add "$prefix" 'HKCU\Software\Wine' /v Version /d "$version"
}

# BMP screenshots the driver wrote into dir become PNG files.
e2e_convert_screenshots() {
    local dir=$1 bmp
    for bmp in "$dir"/*.bmp; do
        [ -e "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
}
