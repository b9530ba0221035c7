#!/usr/bin/env bash
# Installations under awkward conditions: odd program folders, a damaged package, an unwritable or
# full driver directory, locked or missing registry keys, two installers at once, planted DLLs.
# In each, nothing may be lost silently and nothing is half-written: the message names exactly
# the steps that failed; a package or copy failure leaves no driver, printer or default printer
# behind and no partial file in the driver directory.
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

# Nothing of the installation: no driver, printer, driver file or temporary file, and the default
# printer is still the one set-reg made before ($OTHER_DEVICE).
OTHER_DEVICE="Other Printer,winspool,COM2:"
nothing_installed() {
    cat <<EOF
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-printer RQ-230 Series
expect-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$(for file in "${COPIES[@]}"; do
        echo "expect-no-driver-file Windows NT x86|$file"
        echo "expect-no-driver-file Windows NT x86|$file.new"
    done)
EOF
}

# All ten copies in the driver directory, as shipped.
copied() {
    local file
    for file in "${COPIES[@]}"; do
        echo "expect-driver-file Windows NT x86|$file|Placeholder for $file ($1)"
    done
}

# A program folder whose path holds Chinese characters (ANSI code page 936): everything works,
# the USB button included.
chinese_path() {
    local dir
    dir=$(dist_copy "驱动安装/打印机") || return 1
    E2E_DIST=$dir play -v win10 <<EOF
$(to_os_page)
click IDC_OS_INSTALL_USB
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
$(to_os_page)
mark
click IDC_OS_INSTALL_USB
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

# A destination in the driver directory that cannot be replaced: the failure names that file with
# the system's reason, and the installation stops there: no driver, no printer, no default
# printer, no temporary file left. Wine running as root ignores the read-only attribute, so the
# file is held open by another program (an earlier version's file in use), or a folder stands in
# its place. The file before it in the list is complete; the one in use keeps its content.
unwritable() {
    local prepare error kept=""
    case $1 in
        in-use)
            prepare="write-file $DRIVER_DIR\\RQ230.GPD|left by an earlier installation
hold-file $DRIVER_DIR\\RQ230.GPD"
            # Wine refuses to rename over a file in use with error 5 (CopyFile gave 32).
            error=5
            kept="expect-file-lines $DRIVER_DIR\\RQ230.GPD left by an earlier installation"
            ;;
        folder)
            prepare="make-dir $DRIVER_DIR\\RQ230.GPD"
            error=5
            ;;
    esac
    play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$prepare
$(to_port_page 4)
$(install_failed "无法复制文件 RQ230.GPD（错误 $error：")
$kept
expect-driver-file Windows NT x86|RQPRN.DLL|Placeholder for RQPRN.DLL (x86)
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-printer RQ-230 Series
expect-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$(for file in "${COPIES[@]}"; do echo "expect-no-driver-file Windows NT x86|$file.new"; done)
EOF
}
add_case unwritable-in-use unwritable in-use
add_case unwritable-folder unwritable folder

# A full disk (the driver directory is a 64 KB tmpfs) and a package whose GPD is larger than that:
# the copy fails with the system's reason, the partly written file is removed, and nothing is
# installed. Before, a truncated GPD stayed under its real name with a driver registered on it.
full_disk() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    head -c 200000 /dev/zero | tr '\0' 'x' >>"$dir/Printer Driver/x86/RQ230.GPD"
    E2E_DIST=$dir play -v win10 -f 64 <<EOF
set-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$(to_port_page 4)
$(install_failed "无法复制文件 RQ230.GPD（错误 112：")
$(nothing_installed)
EOF
}
add_case full-disk full_disk

# A damaged package: the variant's folder missing (one line that names it, not ten copy lines), a
# folder in place of a file, a file of 0 bytes. Each bad file is named and nothing is installed.
#
#   case               change to the package copy
DAMAGED=(
    "no-variant-folder  rm-x86"
    "no-driver-folder   rm-all"
    "folder-in-package  folder"
    "empty-file         empty"
)
damaged() {
    local dir line
    dir=$(dist_copy DriverSetup) || return 1
    case $1 in
        rm-x86)
            # The system's code for a missing last part of a path is 2, for a missing folder
            # above it 3.
            rm -r "$dir/Printer Driver/x86"
            line='找不到驱动程序文件夹 Printer Driver\x86（错误 2：'
            ;;
        rm-all)
            rm -r "$dir/Printer Driver"
            line='找不到驱动程序文件夹 Printer Driver\x86（错误 3：'
            ;;
        folder)
            rm "$dir/Printer Driver/x86/UNIDRV.HLP"
            mkdir "$dir/Printer Driver/x86/UNIDRV.HLP"
            line='无法复制文件 UNIDRV.HLP：安装包中同名的是文件夹'
            ;;
        empty)
            : >"$dir/Printer Driver/x86/RQ230.GPD"
            line='安装包已损坏：文件 RQ230.GPD 为空'
            ;;
    esac
    E2E_DIST=$dir play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$(to_port_page 4)
$(install_failed "$line")
$(nothing_installed)
EOF
}
add_rows "" damaged "${DAMAGED[@]}"

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
$(to_os_page)
click IDC_OS_INSTALL_USB
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
$(to_port_page 5)
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-printer RQ-230N Series|LPT1:|RQ-230N Series|WinPrint|RAW
expect-driver Windows NT x86|RQ-230 Series|data=RQ230.GPD|dependent=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPRN.DLL
expect-driver Windows NT x86|RQ-230N Series|data=RQ230N.GPD|dependent=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPLUG.ini,RQPLUG.dll,RQPRN.DLL
expect-reg $DEVICE_KEY|Device|RQ-230N Series,winspool,LPT1:
EOF
}
add_case two-models two_models

# A profile without the per-user Windows key: with "设为默认打印机" ticked the key is created and
# the printer becomes the default (it used to be skipped quietly while the wizard said it was
# done).
no_device_key() {
    play -v win10 <<EOF
delete-reg-key $DEVICE_KEY
$(to_port_page 4)
$(install_confirmed)
$(installed)
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
$(to_os_page)
click IDC_OS_INSTALL_USB
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

# A COM port chosen on the settings page (115200 baud) while the machine-wide Ports key refuses
# writes: the registry message, then the failure names the Ports value, and the settings are as
# they were. The rest of the installation is done.
PORTS_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports'
locked_ports() {
    play -v win10 <<EOF
deny-reg-write $PORTS_KEY
$(to_port_page 4 "select IDC_SET_PORT_LIST 3" "select IDC_SET_BAUD_LIST 8")
click IDC_PORT_INSTALL
expect-message 错误：无法设置有关的注册表信息
click IDOK
wait-closed
expect-message-lines 驱动安装失败。|无法写入端口 COM1: 设置的注册表信息（错误 5：
click IDOK
expect-exit
expect-reg $PORTS_KEY|COM1:|9600,n,8,1
$(installed)
EOF
}
add_case locked-ports-key locked_ports

# A printer of the same name on another driver is the user's: Wine's spooler would replace it
# without a word. The failure names the other driver; the printer, its driver and the default
# printer stay as they were.
other_driver() {
    play -v win10 <<EOF
add-driver Windows NT x86|Other Driver
add-printer RQ-230 Series|COM2:|Other Driver
set-reg $DEVICE_KEY|Device|$OTHER_DEVICE
$(to_port_page 4)
$(install_failed "打印机 RQ-230 Series 已存在并使用其他驱动程序 Other Driver，未作更改")
expect-printer RQ-230 Series|COM2:|Other Driver|WinPrint|RAW
expect-reg $DEVICE_KEY|Device|$OTHER_DEVICE
EOF
}
add_case same-name-other-driver other_driver

# Under a locale outside code page 936 the system's reason comes in its own language and stays
# whole (it used to become question marks).
korean_reason() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    rm "$dir/Printer Driver/x86/RQ230.GPD"
    E2E_DIST=$dir play -v win10 -l ko_KR.UTF-8 <<EOF
$(to_port_page 4)
$(install_failed "无法复制文件 RQ230.GPD（错误 2：파일을 찾을 수 없습니다.）")
EOF
}
add_case korean-reason korean_reason

# The installation that was waiting ends, confirmed.
install_ended() {
    cat <<EOF
wait-closed
expect-message 驱动安装完成
click IDOK
expect-exit
EOF
}

# Two wizards from two package copies installing at once. Another installer holds the lock
# (the driver owns the mutex), so the first wizard waits with its bar at 0 and says why in its
# title; the second wizard, started from another copy, is made to install just after the first
# got the lock and waits for it in turn. Both finish, and the driver directory holds the second
# copy's files, all ten of them: no mix of the two.
LOCK_NAME='Global\DriverSetup.Installation'
WAITING="正在等待另一个安装程序完成…"
two_installers() {
    local first second file
    first=$(dist_copy first) || return 1
    second=$E2E_WORK/dists/$E2E_GROUP.$E2E_CASE/second
    mkdir -p "$second"
    cp -a "$first/." "$second/"
    for file in "${COPIES[@]}"; do
        echo "Second copy of $file" >"$second/Printer Driver/x86/$file"
    done
    E2E_DIST=$first play -v win10 <<EOF
hold-mutex $LOCK_NAME
$(to_port_page 4)
click IDC_PORT_INSTALL
expect-caption $WAITING
expect-progress IDC_PORT_PROGRESS 0 100 0
start-other $(e2e_winpath "$second")\\DriverSetup.exe
$(to_port_page 4)
release-mutex
click IDC_PORT_INSTALL
expect-caption $WAITING
expect-progress IDC_PORT_PROGRESS 0 100 0
switch
$(install_ended)
switch
$(install_ended)
$(for file in "${COPIES[@]}"; do echo "expect-driver-file Windows NT x86|$file|Second copy of $file"; done)
$(installed)
EOF
}
add_case two-installers two_installers

# An installer killed while it held the lock leaves the mutex abandoned: the next installation
# takes it and runs as usual.
abandoned_lock() {
    play -v win10 <<EOF
abandon-mutex $LOCK_NAME
$(to_port_page 4)
$(install_confirmed)
$(installed)
EOF
}
add_case abandoned-lock abandoned_lock

table_main "$@"
