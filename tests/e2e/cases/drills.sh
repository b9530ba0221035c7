#!/usr/bin/env bash
# Installations under awkward conditions: odd program folders, an unwritable destination, a
# missing registry key, planted DLLs. In each, nothing may be lost silently: the message names
# exactly the steps that failed, and every other step is done.
source "$(dirname "$0")/../table.sh"

DEVICE_KEY='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
DRIVER_DIR='C:\windows\system32\spool\drivers\w32x86'
COPIES=(RQPRN.DLL RQ230.GPD uniDRVui.DLL uniDRV.DLL UNIDRV.HLP UNIRES.DLL TTFSUB.GPD
    STDNAMES.GPD RQPLUG.ini RQPLUG.dll)

# What an installation of the RQ-230 leaves when every step after the copies worked.
installed() {
    cat <<EOF
expect-driver Windows NT x86|RQ-230 Series|data=RQ230.GPD|dependent=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPRN.DLL
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT1:
EOF
}

# All ten copies in the driver directory, as shipped.
copied() {
    local file
    for file in "${COPIES[@]}"; do
        echo "expect-driver-file Windows NT x86|$file|Placeholder for $file ($1)"
    done
}

# The failure message: its first line, then one line per failed copy, each with this error.
copies_failed() {
    local error=$1 lines="驱动安装失败。" file
    for file in "${COPIES[@]}"; do
        lines+="|无法复制文件 $file（错误 $error："
    done
    echo "expect-message-lines $lines"
}

# A program folder whose path holds Chinese characters (ANSI code page 936): everything works,
# the USB button included.
chinese_path() {
    local dir
    dir=$(dist_copy "驱动安装/打印机") || return 1
    E2E_DIST=$dir play -v win10 <<EOF
wait $OS_PAGE
click 1022
expect-file-lines C:\\dpinst-started.log dpinstx86.exe
$(to_port_page 4)
$(install_confirmed)
$(installed)
$(copied x86)
EOF
}
add_case chinese-path chinese_path

# The deepest program folder Wine still starts a program from: its path is 243 characters, the
# program's 259. The sources are longer than MAX_PATH, yet Wine's CopyFileA takes them, so the
# installation succeeds. The USB installer's path is too long for Wine's ShellExecute to start;
# nothing is shown, and the page stays as it was.
long_path() {
    local top sub="" room dir
    top=$(realpath -m "$E2E_WORK/dists/$E2E_GROUP.$E2E_CASE")
    # The Windows path is "Z:" and the host path.
    room=$((243 - 2 - ${#top}))
    [ "$room" -ge 2 ] || { echo "$top is too deep already" >&2; return 1; }
    while [ "$room" -gt 52 ]; do
        sub+=/$(printf 'd%.0s' {1..50})
        room=$((room - 51))
    done
    sub+=/$(printf 'd%.0s' $(seq $((room - 1))))
    dir=$(dist_copy "${sub#/}") || return 1
    E2E_DIST=$dir play -v win10 <<EOF
wait $OS_PAGE
mark
click 1022
sleep 1000
expect-no-new-window
expect-open
$(to_port_page 4)
$(install_confirmed)
$(installed)
$(copied x86)
EOF
}
add_case long-path long_path

# A destination in the driver directory that cannot be written: the failure names that file with
# the system's reason, and the rest is done. Wine running as root ignores the read-only
# attribute, so the file is held open by another program (an earlier version's file in use), or
# a folder stands in its place.
unwritable() {
    local prepare error kept=""
    case $1 in
        in-use)
            prepare="write-file $DRIVER_DIR\\RQ230.GPD|left by an earlier installation
hold-file $DRIVER_DIR\\RQ230.GPD"
            error=32
            kept="expect-file-lines $DRIVER_DIR\\RQ230.GPD left by an earlier installation"
            ;;
        folder)
            prepare="make-dir $DRIVER_DIR\\RQ230.GPD"
            error=5
            ;;
    esac
    play -v win10 <<EOF
$prepare
$(to_port_page 4)
click 1022
wait-closed
expect-message-lines 驱动安装失败。|无法复制文件 RQ230.GPD（错误 $error：
click 1
expect-exit
$kept
expect-driver-file Windows NT x86|RQPRN.DLL|Placeholder for RQPRN.DLL (x86)
expect-driver-file Windows NT x86|RQPLUG.dll|Placeholder for RQPLUG.dll (x86)
$(installed)
EOF
}
add_case unwritable-in-use unwritable in-use
add_case unwritable-folder unwritable folder

# No "Printer Driver" folder at all: every copy fails and is named. Wine registers a driver whose
# files are missing, so the driver, the printer and the default printer follow.
no_driver_folder() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    rm -r "$dir/Printer Driver"
    E2E_DIST=$dir play -v win10 <<EOF
$(to_port_page 4)
click 1022
wait-closed
$(copies_failed 3)
click 1
expect-exit
expect-no-driver-file Windows NT x86|RQ230.GPD
$(installed)
EOF
}
add_case no-driver-folder no_driver_folder

# Started with another current directory that holds a driver package and a USB installer of its
# own (a shortcut's "Start in", or System32 for some elevated starts): the wizard takes neither.
# Its own USB installer starts, and the driver directory gets its own package. The foreign
# installer is the DLL probe beside a planted WINSPOOL.DRV, so starting it would leave
# C:\hijack.log.
other_cwd() {
    local foreign file
    foreign=$(dist_copy foreign) || return 1
    rm -rf "${foreign:?}"/*
    mkdir -p "$foreign/Printer Driver/x86" "$foreign/USB Driver/x86"
    for file in "${COPIES[@]}"; do
        echo "Foreign $file" >"$foreign/Printer Driver/x86/$file"
    done
    cp "$E2E_WORK/dllprobe.exe" "$foreign/USB Driver/x86/dpinstx86.exe"
    cp "$E2E_WORK/hijack.dll" "$foreign/USB Driver/x86/winspool.drv"
    play -v win10 -w "$(e2e_winpath "$foreign")" -d "winspool.drv=n,b" <<EOF
wait $OS_PAGE
click 1022
expect-file-lines C:\\dpinst-started.log dpinstx86.exe
$(to_port_page 4)
$(install_confirmed)
$(installed)
$(copied x86)
expect-no-file C:\\hijack.log
EOF
}
add_case other-cwd other_cwd

# Two installations of different models one after the other: both succeed, both printers stay,
# and the default printer is the second.
two_models() {
    play -v win10 <<EOF
$(to_port_page 4)
$(install_confirmed)
start-again
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
select 1011 5
click 1009
wait $PORT_PAGE
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-printer RQ-230N Series|LPT1:|RQ-230N Series|WinPrint|RAW
expect-driver Windows NT x86|RQ-230 Series|data=RQ230.GPD|dependent=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPRN.DLL
expect-driver Windows NT x86|RQ-230N Series|data=RQ230N.GPD|dependent=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPLUG.ini,RQPLUG.dll,RQPRN.DLL
expect-reg $DEVICE_KEY|Device|RQ-230N Series,winspool,LPT1:
EOF
}
add_case two-models two_models

# A profile without the per-user Windows key: the default-printer step is skipped quietly, and
# the key is not created.
no_device_key() {
    play -v win10 <<EOF
delete-reg-key $DEVICE_KEY
$(to_port_page 4)
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-no-reg $DEVICE_KEY
EOF
}
add_case no-device-key no_device_key

# DLLs planted in the program folder as WINSPOOL.DRV and COMCTL32, with Wine told to prefer
# native DLLs: the wizard loads neither (C:\hijack.log stays absent) and installs. A program that
# imports both the ordinary way, run from the same folder, does load them: the check has teeth.
planted_dlls() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    cp "$E2E_WORK/hijack.dll" "$dir/winspool.drv"
    cp "$E2E_WORK/hijack.dll" "$dir/comctl32.dll"
    cp "$E2E_WORK/dllprobe.exe" "$dir/"
    E2E_DIST=$dir play -v win10 -d "winspool.drv,comctl32=n,b" <<EOF
wait $OS_PAGE
click 1022
expect-file-lines C:\\dpinst-started.log dpinstx86.exe
$(to_port_page 4)
$(install_confirmed)
$(installed)
expect-no-file C:\\hijack.log
run dllprobe.exe
expect-file-line C:\\hijack.log WINSPOOL.DRV
expect-file-line C:\\hijack.log COMCTL32.DLL
EOF
}
add_case planted-dlls planted_dlls

table_main "$@"
