#!/usr/bin/env bash
# The operating-system page: which radio button marks the detected Windows version, its texts in
# two locales, and where its buttons and keys lead.
source "$(dirname "$0")/../table.sh"

RADIOS="IDC_OS_WIN95 IDC_OS_WIN98 IDC_OS_WINNT4 IDC_OS_WIN2000 IDC_OS_WINXP IDC_OS_WIN7
    IDC_OS_WIN8 IDC_OS_WIN2003 IDC_OS_VISTA"

# Wine's version name must come through as the platform and version the row expects, else the
# row is skipped (Wine quietly falls back to another version for a name it does not know).
#
# The focus column: checking a radio button gives it WS_TABSTOP, so a marked visible radio
# button that comes before IDC_OS_INSTALL_DRIVER in the tab order (Vista, 2000, XP, 2003) takes
# the initial focus; the others leave it on IDC_OS_INSTALL_DRIVER.
#
#        case         arch  Wine name platform version marked         focus
DETECT=(
    "win95        win32 win95   1 4.0  IDC_OS_WIN95   IDC_OS_INSTALL_DRIVER"
    "win98        win32 win98   1 4.10 IDC_OS_WIN98   IDC_OS_INSTALL_DRIVER"
    "winme        win32 winme   1 4.90 IDC_OS_WIN98   IDC_OS_INSTALL_DRIVER"
    "nt40         win32 nt40    2 4.0  IDC_OS_WINNT4  IDC_OS_INSTALL_DRIVER"
    "nt351        win32 nt351   2 3.51 IDC_OS_WINNT4  IDC_OS_INSTALL_DRIVER"
    "win31-win32s win32 win31   0 3.10 IDC_OS_WIN2000 IDC_OS_WIN2000"
    "win2k        win32 win2k   2 5.0  IDC_OS_WIN2000 IDC_OS_WIN2000"
    "winxp        win32 winxp   2 5.1  IDC_OS_WINXP   IDC_OS_WINXP"
    "win2003      win32 win2003 2 5.2  IDC_OS_WIN2003 IDC_OS_WIN2003"
    "vista        win32 vista   2 6.0  IDC_OS_VISTA   IDC_OS_VISTA"
    "win7         win32 win7    2 6.1  IDC_OS_WIN7    IDC_OS_INSTALL_DRIVER"
    "win8         win32 win8    2 6.2  IDC_OS_WIN8    IDC_OS_INSTALL_DRIVER"
    "win81        win32 win81   2 6.2  IDC_OS_WIN8    IDC_OS_INSTALL_DRIVER"
    "win10        win32 win10   2 6.2  IDC_OS_WIN8    IDC_OS_INSTALL_DRIVER"
    "win64-winxp  win64 winxp   2 5.1  IDC_OS_WINXP   IDC_OS_WINXP"
    "win64-win10  win64 win10   2 6.2  IDC_OS_WIN8    IDC_OS_INSTALL_DRIVER"
)

# The checks that only the marked one of the radio buttons is checked.
only_marked() {
    local marked=$1 id
    echo "expect-checked $marked"
    for id in $RADIOS; do
        [ "$id" = "$marked" ] || echo "expect-unchecked $id"
    done
}

detect() {
    local arch=$1 version=$2 platform=$3 osver=$4 marked=$5 focus=$6
    play -a "$arch" -v "$version" <<EOF
require-os $platform $osver
$(to_os_page)
$(only_marked "$marked")
expect-focus $focus
$(exit_from_os_page)
EOF
}
add_rows detect- detect "${DETECT[@]}"

# Each way to leave the page ends the program at once, with no other window on the way.
leave() {
    play -v win10 <<EOF
$(to_os_page)
mark
$*
expect-exit 10
expect-no-new-window
EOF
}
add_case exit-button leave click IDC_OS_EXIT
add_case exit-mnemonic leave key alt+e
add_case esc leave key esc
add_case close-box leave close

# The USB button starts the stand-in for the prefix's architecture beside the page, once per
# press.
usb() {
    local arch=$1 installer=$2
    play -a "$arch" -v win7 <<EOF
$(to_os_page)
expect-no-file C:\\dpinst-started.log
click IDC_OS_INSTALL_USB
expect-file-lines C:\\dpinst-started.log $installer
expect-open
click IDC_OS_INSTALL_USB
expect-file-lines C:\\dpinst-started.log $installer|$installer
expect-open
$(exit_from_os_page)
EOF
}
add_case usb-win32 usb win32 dpinstx86.exe
add_case usb-win64 usb win64 dpinstx64.exe

# On to the settings page and back: the page is built anew, so the user's mark is gone and the
# detected one is set again.
next_back() {
    play -v win10 <<EOF
$(to_os_page)
click IDC_OS_WIN2000
expect-checked IDC_OS_WIN2000
expect-unchecked IDC_OS_WIN8
click IDC_OS_INSTALL_DRIVER
wait $SETTINGS_PAGE
click IDC_SET_BACK
wait $OS_PAGE
expect-checked IDC_OS_WIN8
expect-unchecked IDC_OS_WIN2000
expect-focus IDC_OS_INSTALL_DRIVER
$(exit_from_os_page)
EOF
}
add_case next-back next_back

# Enter on the fresh page goes on to the settings page: as a click of the focused
# IDC_OS_INSTALL_DRIVER, or as IDOK when a marked radio button holds the focus.
enter() {
    local version=$1 focus=$2
    play -v "$version" <<EOF
$(to_os_page)
expect-focus $focus
key enter
wait $SETTINGS_PAGE
$(exit_from_settings_page)
EOF
}
add_case enter-focus-button enter win10 IDC_OS_INSTALL_DRIVER
add_case enter-focus-radio enter winxp IDC_OS_WINXP

# The dialog template holds Unicode texts, so they read back the same whatever the locale.
texts() {
    play -v win7 -l "$1" <<EOF
$(to_os_page)
expect-caption $OS_PAGE
expect-text IDC_OS_INSTALL_DRIVER 安装 打印机 驱动 (&N) >
expect-text IDC_OS_EXIT 退出(&E)
expect-text IDC_OS_INSTALL_USB 安装 USB 虚拟串口端口 驱动
expect-text IDC_OS_BACK < &Back
expect-hidden IDC_OS_BACK
expect-disabled IDC_OS_BACK
expect-child-text 选择安装的操作系统
expect-child-text 本驱动程序适用于Windows 32位和64位操作系统。
expect-text IDC_OS_WIN95 Windows 95
expect-text IDC_OS_WIN98 Windows 98
expect-text IDC_OS_WINNT4 Windows NT4.0
expect-text IDC_OS_WIN2000 Windows 2000
expect-text IDC_OS_WINXP Windows XP
expect-text IDC_OS_WIN2003 Windows 2003
expect-text IDC_OS_VISTA Windows Vista
expect-text IDC_OS_WIN7 Windows 7
expect-text IDC_OS_WIN8 Windows 8/Windows 10
expect-hidden IDC_OS_WIN95
expect-hidden IDC_OS_WIN98
expect-hidden IDC_OS_WINNT4
expect-hidden IDC_OS_SLIDER
expect-visible IDC_OS_WIN2000
expect-visible IDC_OS_WINXP
expect-visible IDC_OS_WIN7
expect-visible IDC_OS_WIN8
expect-visible IDC_OS_WIN2003
expect-visible IDC_OS_VISTA
screenshot os-page.bmp
$(exit_from_os_page)
EOF
}
add_case texts-zh_CN texts zh_CN.UTF-8
add_case texts-C texts C.UTF-8

table_main "$@"
