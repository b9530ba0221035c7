#!/usr/bin/env bash
# Whole installations, driven through the pages as a user would, then checked in the spooler, the
# driver directory and the registry from inside the prefix.
source "$(dirname "$0")/../table.sh"

DEVICE_KEY='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'

# The model rows as the spooler must end up with them: row|display name|GPD base name|dependent
# files. Wine records every driver of an NT environment as version 3, whatever cVersion asked.
# shellcheck disable=SC2034  # named by the cases below
{
    ROW4="4|RQ-230 Series|RQ230|ttfsub.GPD,unires.DLL,stdnames.GPD,RQPRN.DLL"
    ROW5="5|RQ-230N Series|RQ230N|ttfsub.GPD,unires.DLL,stdnames.GPD,RQPLUG.ini,RQPLUG.dll,RQPRN.DLL"
}

# The full installation in a 32-bit prefix: completion message, the program ends, and the
# driver, its files, the printer and the default printer are all there. $1 names the row, $2
# the locale (default: the harness' Chinese one).
full() {
    local row name gpd dependent locale=${2:-zh_CN.UTF-8}
    IFS='|' read -r row name gpd dependent <<<"${!1}"
    play -v win10 -l "$locale" <<EOF
$(to_port_page "$row")
$(install_confirmed)
expect-printer $name|LPT1:|$name|WinPrint|RAW
$(driver_checks "Windows NT x86" x86 "$name" "$gpd" "$dependent")
expect-no-driver Windows x64|$name
expect-reg $DEVICE_KEY|Device|$name,winspool,LPT1:
EOF
}
add_case row4 full ROW4
add_case row5-plugin full ROW5
# Wine gives this locale the ANSI code page 1252: the program's own texts, held in code page
# 936, must come out the same.
add_case row4-c-locale full ROW4 C.UTF-8

# "安装(&I)" with no row selected (the focus mark left on LPT2:; on a machine with 256 foreign
# ports before COM, FILE and LPT nothing is preselected either): Wine's AddPrinterA would create
# a printer without a port and it would become the default. The page asks for a port instead and
# stays, untouched; with LPT2: chosen the installation then goes through.
no_port() {
    play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|Other Printer,winspool,COM2:
$(to_port_page 4)
lv-select-text IDC_PORT_LIST LPT2:
lv-deselect IDC_PORT_LIST
expect-lv-selected IDC_PORT_LIST -1
click IDC_PORT_INSTALL
expect-message 请选择打印机端口。
click IDOK
wait $PORT_PAGE
expect-progress IDC_PORT_PROGRESS 0 100 0
expect-no-printer RQ-230 Series
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-driver-file Windows NT x86|RQPRN.DLL
expect-reg $DEVICE_KEY|Device|Other Printer,winspool,COM2:
lv-select-text IDC_PORT_LIST LPT2:
$(install_confirmed)
expect-printer RQ-230 Series|LPT2:|RQ-230 Series|WinPrint|RAW
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT2:
EOF
}
add_case no-port no_port

# A second installation over the first one's printer counts as success, and leaves one printer.
reinstall() {
    play -v win10 <<EOF
$(to_port_page 4)
$(install_confirmed)
start-again
$(to_port_page 4)
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
$(driver_checks "Windows NT x86" x86 "RQ-230 Series" RQ230 "${ROW4##*|}")
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT1:
EOF
}
add_case reinstall reinstall

# "设为默认打印机" unticked: the user's default printer stays what it was.
no_default() {
    play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|Other Printer,winspool,COM2:
$(to_port_page 4 "click IDC_SET_DEFAULT_CHECK" "expect-unchecked IDC_SET_DEFAULT_CHECK")
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-reg $DEVICE_KEY|Device|Other Printer,winspool,COM2:
EOF
}
add_case no-default no_default

# A driver file missing from the program folder: the failure names it and nothing else, and the
# installation stops before copying anything: no driver whose data file is missing, no printer
# on it, no default printer naming it.
missing_file() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    rm "$dir/Printer Driver/x86/RQ230.GPD"
    E2E_DIST=$dir play -v win10 <<EOF
$(to_port_page 4)
$(install_failed "无法复制文件 RQ230.GPD（错误 2：")
expect-no-driver-file Windows NT x86|RQ230.GPD
expect-no-driver-file Windows NT x86|RQPRN.DLL
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-printer RQ-230 Series
expect-no-reg $DEVICE_KEY|Device
EOF
}
add_case missing-file missing_file

# A 64-bit prefix: the x64 files and environment. Wine's AddPrinterA in the 32-bit program finds
# no driver for "Windows x64", so no printer comes about; the message has to say so, and the
# default printer must not name a printer that does not exist.
win64() {
    play -a win64 -v win10 <<EOF
$(to_port_page 4)
$(install_failed "无法创建打印机 RQ-230 Series（错误 87：|无法设为默认打印机：打印机 RQ-230 Series 不存在")
expect-no-printer RQ-230 Series
$(driver_checks "Windows x64" x64 "RQ-230 Series" RQ230 "${ROW4##*|}")
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-reg $DEVICE_KEY|Device
EOF
}
add_case win64 win64

# OS codes 1 and 2 (Windows 95, 98, Me): no completion message after a successful installation,
# but a failure is still reported. A program that Wine tells it runs on Windows 9x creates its
# printers with the drivers of "Windows 4.0", so success needs a driver of that name there.
#
#   case           version platform/version  outcome
OLD_WINDOWS=(
    "win95-success win95 1 4.0  success"
    "win98-success win98 1 4.10 success"
    "winme-failure winme 1 4.90 failure"
)

# What follows "安装(&I)" on Windows 9x for each outcome.
old_windows_outcome() {
    if [ "$1" = success ]; then
        cat <<EOF
expect-exit
expect-no-new-window
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT1:
EOF
    else
        cat <<EOF
expect-message-lines 驱动安装失败。|无法创建打印机 RQ-230 Series（错误 87：|无法设为默认打印机：打印机 RQ-230 Series 不存在
click IDOK
expect-exit
expect-no-printer RQ-230 Series
expect-no-reg $DEVICE_KEY|Device
EOF
    fi
}

old_windows() {
    local version=$1 platform=$2 osver=$3 outcome=$4 prepare=""
    [ "$outcome" != success ] || prepare="add-driver Windows 4.0|RQ-230 Series"
    play -v "$version" <<EOF
require-os $platform $osver
$prepare
$(to_port_page 4)
mark
click IDC_PORT_INSTALL
wait-closed
$(old_windows_outcome "$outcome")
expect-driver Windows NT x86|RQ-230 Series|data=RQ230.GPD
EOF
}
add_rows "" old_windows "${OLD_WINDOWS[@]}"

table_main "$@"
