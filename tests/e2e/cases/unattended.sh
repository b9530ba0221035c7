#!/usr/bin/env bash
# The program started with arguments, as deployment tools start it: installs and removals by
# command line, their exit codes and log, and no window with /quiet. Checked in the spooler, the
# driver directory and the registry from inside the prefix.
source "$(dirname "$0")/../table.sh"

DEVICE_KEY='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
OTHER_DEFAULT='Other Printer,winspool,COM2:'
LOCK='Global\DriverSetup.Installation'

ROW4_DEPENDENT=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPRN.DLL
ROW5_DEPENDENT=ttfsub.GPD,unires.DLL,stdnames.GPD,RQPLUG.ini,RQPLUG.dll,RQPRN.DLL

# A quiet installation of the model the interactive row4 case installs (the list's fifth entry,
# row 4 counted from 0) on LPT1:, the port the port page preselects here: exit 0, no window at
# any time, and the spooler and the registry exactly as after the pages' installation.
quiet_install() {
    play -v win10 <<EOF
start-with /model:5 /quiet
expect-exit-code 0
expect-no-window
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
$(driver_checks "Windows NT x86" x86 "RQ-230 Series" RQ230 "$ROW4_DEPENDENT")
expect-no-driver Windows x64|RQ-230 Series
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT1:
expect-file-bom %TEMP%\DriverSetup.log
expect-file-contains %TEMP%\DriverSetup.log ] exit code 0
EOF
}
add_case quiet-row4 quiet_install

# By printer name, quoted, with /nodefault, on a named port, with switches in other cases and
# with '-': the user's default printer stays.
by_name_nodefault() {
    play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|$OTHER_DEFAULT
start-with -MODEL:"RQ-230N Series" -NoDefault /Port:COM2: /QUIET
expect-exit-code 0
expect-no-window
expect-printer RQ-230N Series|COM2:|RQ-230N Series|WinPrint|RAW
$(driver_checks "Windows NT x86" x86 "RQ-230N Series" RQ230N "$ROW5_DEPENDENT")
expect-reg $DEVICE_KEY|Device|$OTHER_DEFAULT
EOF
}
add_case by-name-nodefault by_name_nodefault

# Refused command lines: exit 87, no window with /quiet, and nothing changed in the spooler or
# the registry. A removal that is refused must leave an installed printer in place.
refused() {
    local args=$1 installed=${2:-} before="" after
    if [ -n "$installed" ]; then
        before=$(printf '%s\n' "start-with /model:5 /nodefault /quiet" "expect-exit-code 0")
        after=$(
            cat <<EOF
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-driver Windows NT x86|RQ-230 Series
EOF
        )
    else
        after=$(
            cat <<EOF
expect-no-printer RQ-230 Series
expect-no-driver Windows NT x86|RQ-230 Series
expect-no-driver-file Windows NT x86|RQ230.GPD
expect-no-driver-file Windows NT x86|RQPRN.DLL
EOF
        )
    fi
    play -v win10 <<EOF
set-reg $DEVICE_KEY|Device|$OTHER_DEFAULT
$before
start-with $args
expect-exit-code 87
expect-no-window
expect-reg $DEVICE_KEY|Device|$OTHER_DEFAULT
expect-file-contains %TEMP%\\DriverSetup.log ] exit code 87
$after
EOF
}
add_case refused-unknown-switch refused "/model:5 /silent /quiet"
add_case refused-no-model refused "/quiet /nodefault"
add_case refused-unknown-model refused '/model:"RQ-230 series" /quiet'
add_case refused-row-0 refused "/model:0 /quiet"
add_case refused-row-24 refused "/model:24 /quiet"
add_case refused-unknown-port refused "/model:5 /port:COM9: /quiet"
add_case refused-remove-with-port refused "/remove /model:5 /port:LPT1: /quiet" installed

# Without /quiet a refused command line shows the reason and the usage, and nothing else.
refused_shows_usage() {
    play -v win10 <<EOF
start-with /model:5 /silent
expect-message-prefix 命令行无效：未知的参数 /silent
expect-message-contains DriverSetup.exe /remove /model:<型号> [/quiet] [/log:<文件>]
expect-message-contains 87 命令行无效
click IDOK
expect-exit-code 87
expect-shown DriverSetup
expect-no-printer RQ-230 Series
EOF
}
add_case refused-shows-usage refused_shows_usage

# /? shows the usage in a message box (the program has no console); with /quiet nothing.
usage() {
    play -v win10 <<EOF
start-with /?
expect-message-prefix 用法：
expect-message-contains 1618 另一个安装正在进行
click IDOK
expect-exit-code 0
expect-shown DriverSetup
start-with -? /quiet
expect-exit-code 0
expect-no-window
EOF
}
add_case usage usage

# Started by a tool from another directory with a relative /log: the log goes there, the driver
# files still come from the program's folder, and the log holds every step: the command line,
# the OS code and variant, each copy with source and destination, each spooler and registry
# call with its result, the exit code. A second run appends to it under the same byte-order mark.
log_file() {
    play -v win10 -w 'C:\windows' <<'EOF'
make-dir C:\windows\deploy
start-with /model:5 /quiet /log:deploy\setup.log
expect-exit-code 0
expect-no-window
expect-file-bom C:\windows\deploy\setup.log
expect-file-contains C:\windows\deploy\setup.log command line: "
expect-file-contains C:\windows\deploy\setup.log /model:5 /quiet /log:deploy\setup.log
expect-file-contains C:\windows\deploy\setup.log ] OS code 9, variant x86
expect-file-contains C:\windows\deploy\setup.log ] port "LPT1:"
expect-file-contains C:\windows\deploy\setup.log ] GetPrinterDriverDirectoryA "Windows NT x86" = "C:\windows\system32\spool\drivers\w32x86": ok
expect-file-contains C:\windows\deploy\setup.log ] CopyFileA "Printer Driver\x86\RQ230.GPD" -> "C:\windows\system32\spool\drivers\w32x86\RQ230.GPD.new": ok
expect-file-contains C:\windows\deploy\setup.log ] MoveFileExA "C:\windows\system32\spool\drivers\w32x86\RQ230.GPD.new" -> "C:\windows\system32\spool\drivers\w32x86\RQ230.GPD": ok
expect-file-contains C:\windows\deploy\setup.log ] CopyFileA "Printer Driver\x86\RQPLUG.dll" -> "C:\windows\system32\spool\drivers\w32x86\RQPLUG.dll.new": ok
expect-file-contains C:\windows\deploy\setup.log ] AddPrinterDriverA level 3 "RQ-230 Series" environment "Windows NT x86"
expect-file-contains C:\windows\deploy\setup.log ] AddPrinterA level 2 "RQ-230 Series" port "LPT1:" driver "RQ-230 Series": ok
expect-file-contains C:\windows\deploy\setup.log ] RegSetValueExA "Device" = "RQ-230 Series,winspool,LPT1:" (29 bytes): ok
expect-file-contains C:\windows\deploy\setup.log ] 驱动安装完成
expect-file-contains C:\windows\deploy\setup.log ] exit code 0
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
start-with /model:5 /quiet /log:deploy\setup.log /port:NONE:
expect-exit-code 87
expect-file-bom C:\windows\deploy\setup.log
expect-file-contains C:\windows\deploy\setup.log ] 命令行无效：打印机后台程序没有端口 NONE:
expect-file-contains C:\windows\deploy\setup.log ] exit code 87
EOF
}
add_case log-file log_file

# A port with a Chinese name (a local port added through the registry, as Wine's local monitor
# lists them): given as UTF-16 on the command line, handed to the spooler's ANSI calls in code
# page 936, and written to the log as UTF-8.
chinese_port() {
    play -v win10 <<'EOF'
set-reg HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports|收银台:|
start-with /model:5 /port:收银台: /quiet /log:C:\cn.log
expect-exit-code 0
expect-no-window
expect-printer RQ-230 Series|收银台:|RQ-230 Series|WinPrint|RAW
expect-reg HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows|Device|RQ-230 Series,winspool,收银台:
expect-file-contains C:\cn.log ] port "收银台:"
expect-file-contains C:\cn.log ] AddPrinterA level 2 "RQ-230 Series" port "收银台:" driver "RQ-230 Series": ok
expect-file-contains C:\cn.log ] RegSetValueExA "Device" = "RQ-230 Series,winspool,收银台:"
EOF
}
add_case chinese-port chinese_port

# A log that cannot be written (its path is a folder) changes nothing about the run.
log_unwritable() {
    play -v win10 <<'EOF'
make-dir C:\busy.log
start-with /model:5 /quiet /log:C:\busy.log
expect-exit-code 0
expect-no-window
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
EOF
}
add_case log-unwritable log_unwritable

# Removal: the printer and the driver registration go, another model's printer and driver and
# the driver files (which other drivers share) stay; the default printer value goes only when
# it names the removed printer. A second removal finds nothing and still answers 0.
removal() {
    play -v win10 <<EOF
start-with /model:5 /quiet
expect-exit-code 0
start-with /model:6 /quiet
expect-exit-code 0
expect-reg $DEVICE_KEY|Device|RQ-230N Series,winspool,LPT1:
start-with /remove /model:5 /quiet /log:C:\remove.log
expect-exit-code 0
expect-no-window
expect-no-printer RQ-230 Series
expect-no-driver Windows NT x86|RQ-230 Series
expect-printer RQ-230N Series|LPT1:|RQ-230N Series|WinPrint|RAW
expect-driver Windows NT x86|RQ-230N Series
expect-reg $DEVICE_KEY|Device|RQ-230N Series,winspool,LPT1:
expect-driver-file Windows NT x86|RQ230.GPD
expect-driver-file Windows NT x86|uniDRV.DLL
expect-driver-file Windows NT x86|RQPRN.DLL
expect-file-contains C:\remove.log ] DeletePrinter: ok
expect-file-contains C:\remove.log ] DeletePrinterDriverA "RQ-230 Series" environment "Windows NT x86": ok
expect-file-contains C:\remove.log ] the driver files were left in the driver directory
expect-file-contains C:\remove.log ] 驱动删除完成
start-with /remove /model:"RQ-230N Series" /quiet /log:C:\remove.log
expect-exit-code 0
expect-no-printer RQ-230N Series
expect-no-driver Windows NT x86|RQ-230N Series
expect-no-reg $DEVICE_KEY|Device
start-with /remove /model:6 /quiet /log:C:\remove.log
expect-exit-code 0
expect-no-window
expect-file-contains C:\remove.log ] 没有需要删除的打印机或驱动
EOF
}
add_case removal removal

# Without /quiet the pages stay closed and only the outcome message box appears, with the
# texts of the interactive outcome; a removal confirms itself the same way.
outcome_box() {
    play -v win10 <<EOF
start-with /model:5
expect-message 驱动安装完成
click IDOK
expect-exit-code 0
expect-shown DriverSetup
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
start-with /remove /model:5
expect-message 驱动删除完成
click IDOK
expect-exit-code 0
expect-shown DriverSetup
EOF
}
add_case outcome-box outcome_box

# A driver file missing from the program folder: 1603, no window, and the log names the file
# with the system's error.
missing_file() {
    local dir
    dir=$(dist_copy DriverSetup) || return 1
    rm "$dir/Printer Driver/x86/RQ230.GPD"
    E2E_DIST=$dir play -v win10 <<'EOF'
start-with /model:5 /quiet /log:C:\missing.log
expect-exit-code 1603
expect-no-window
expect-file-contains C:\missing.log ] GetFileAttributesExA "Printer Driver\x86\RQ230.GPD": error 2:
expect-file-contains C:\missing.log ] 驱动安装失败。
expect-file-contains C:\missing.log ] 无法复制文件 RQ230.GPD（错误 2：
expect-file-contains C:\missing.log ] exit code 1603
EOF
}
add_case missing-file missing_file

# Another installation holds the machine-wide lock: 1618 and nothing changed; once it is free
# the same command line succeeds.
another_running() {
    play -v win10 <<EOF
hold-mutex $LOCK
start-with /model:5 /quiet /log:C:\lock.log
expect-exit-code 1618
expect-no-window
expect-no-printer RQ-230 Series
expect-no-driver-file Windows NT x86|RQ230.GPD
expect-file-contains C:\lock.log ] exit code 1618
EOF
}
add_case another-running another_running

# Quiet installations started at the same moment: each ends with 0 or 1618, at least one with
# 0, the spooler holds one complete installation, and the log they share has one byte-order
# mark, at its start.
together() {
    play -v win10 <<EOF
run-together 3 /model:5 /quiet
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
$(driver_checks "Windows NT x86" x86 "RQ-230 Series" RQ230 "$ROW4_DEPENDENT")
expect-reg $DEVICE_KEY|Device|RQ-230 Series,winspool,LPT1:
run-together 2 /remove /model:5 /quiet
expect-no-printer RQ-230 Series
expect-no-driver Windows NT x86|RQ-230 Series
expect-file-bom %TEMP%\DriverSetup.log
EOF
}
add_case together together

# A 64-bit prefix: the x64 files and environment, and this spooler refuses the printer for a
# driver of another environment, so the quiet installation ends with 1603 and says why. The
# removal then deletes the x64 driver registration it left.
win64() {
    play -a win64 -v win10 <<'EOF'
start-with /model:5 /quiet /log:C:\x64.log
expect-exit-code 1603
expect-no-window
expect-file-contains C:\x64.log ] OS code 9, variant x64
expect-file-contains C:\x64.log ] CopyFileA "Printer Driver\x64\RQ230.GPD" ->
expect-file-contains C:\x64.log ] AddPrinterDriverA level 3 "RQ-230 Series" environment "Windows x64"
expect-file-contains C:\x64.log ] AddPrinterA level 2 "RQ-230 Series" port "LPT1:" driver "RQ-230 Series": error 
expect-file-contains C:\x64.log ] 无法创建打印机 RQ-230 Series
expect-file-contains C:\x64.log ] exit code 1603
expect-no-printer RQ-230 Series
expect-driver Windows x64|RQ-230 Series
start-with /remove /model:5 /quiet /log:C:\x64.log
expect-exit-code 0
expect-no-window
expect-no-driver Windows x64|RQ-230 Series
expect-file-contains C:\x64.log ] EnumPrinterDriversA "Windows x64" lists "RQ-230 Series": ok
EOF
}
add_case win64 win64

table_main "$@"
