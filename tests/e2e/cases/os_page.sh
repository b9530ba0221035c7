#!/usr/bin/env bash
# The operating-system page: which radio button marks the detected Windows version, its texts in
# two locales, and where its buttons and keys lead.
source "$(dirname "$0")/../table.sh"

RADIOS="1000 1001 1002 1003 1004 1005 1006 1011 1020"

# Wine's version name must come through as the platform and version the row expects, else the
# row is skipped (Wine quietly falls back to another version for a name it does not know).
#
# The focus column: checking a radio button gives it WS_TABSTOP, so a marked visible radio
# button that comes before 1009 in the tab order (1020, 1003, 1004, 1011) takes the initial
# focus; the others leave it on 1009.
#
#        case         arch  Wine name platform version marked focus
DETECT=(
    "win95        win32 win95   1 4.0  1000 1009"
    "win98        win32 win98   1 4.10 1001 1009"
    "winme        win32 winme   1 4.90 1001 1009"
    "nt40         win32 nt40    2 4.0  1002 1009"
    "nt351        win32 nt351   2 3.51 1002 1009"
    "win31-win32s win32 win31   0 3.10 1003 1003"
    "win2k        win32 win2k   2 5.0  1003 1003"
    "winxp        win32 winxp   2 5.1  1004 1004"
    "win2003      win32 win2003 2 5.2  1011 1011"
    "vista        win32 vista   2 6.0  1020 1020"
    "win7         win32 win7    2 6.1  1005 1009"
    "win8         win32 win8    2 6.2  1006 1009"
    "win81        win32 win81   2 6.2  1006 1009"
    "win10        win32 win10   2 6.2  1006 1009"
    "win64-winxp  win64 winxp   2 5.1  1004 1004"
    "win64-win10  win64 win10   2 6.2  1006 1009"
)

detect() {
    local arch=$1 version=$2 platform=$3 osver=$4 marked=$5 focus=$6 id
    {
        echo "require-os $platform $osver"
        echo "wait $OS_PAGE"
        echo "expect-checked $marked"
        for id in $RADIOS; do
            [ "$id" = "$marked" ] || echo "expect-unchecked $id"
        done
        echo "expect-focus $focus"
        echo "click 1010"
        echo "expect-exit"
    } | play -a "$arch" -v "$version"
}

for row in "${DETECT[@]}"; do
    read -r name args <<<"$row"
    # shellcheck disable=SC2086  # the row's columns become the arguments
    add_case "detect-$name" detect $args
done

# Each way to leave the page ends the program at once, with no other window on the way.
leave() {
    play -v win10 <<EOF
wait $OS_PAGE
mark
$*
expect-exit 10
expect-no-new-window
EOF
}
add_case exit-button leave click 1010
add_case exit-mnemonic leave key alt+e
add_case esc leave key esc
add_case close-box leave close

# The USB button starts the stand-in for the prefix's architecture beside the page, once per
# press.
usb() {
    local arch=$1 installer=$2
    play -a "$arch" -v win7 <<EOF
wait $OS_PAGE
expect-no-file C:\\dpinst-started.log
click 1022
expect-file-lines C:\\dpinst-started.log $installer
expect-open
click 1022
expect-file-lines C:\\dpinst-started.log $installer|$installer
expect-open
click 1010
expect-exit
EOF
}
add_case usb-win32 usb win32 dpinstx86.exe
add_case usb-win64 usb win64 dpinstx64.exe

# On to the settings page and back: the page is built anew, so the user's mark is gone and the
# detected one is set again.
next_back() {
    play -v win10 <<EOF
wait $OS_PAGE
click 1003
expect-checked 1003
expect-unchecked 1006
click 1009
wait $SETTINGS_PAGE
click 1008
wait $OS_PAGE
expect-checked 1006
expect-unchecked 1003
expect-focus 1009
click 1010
expect-exit
EOF
}
add_case next-back next_back

# Enter on the fresh page goes on to the settings page: as a click of the focused 1009, or as
# IDOK when a marked radio button holds the focus.
enter() {
    local version=$1 focus=$2
    play -v "$version" <<EOF
wait $OS_PAGE
expect-focus $focus
key enter
wait $SETTINGS_PAGE
click 1010
expect-exit
EOF
}
add_case enter-focus-button enter win10 1009
add_case enter-focus-radio enter winxp 1004

# The dialog template holds Unicode texts, so they read back the same whatever the locale.
texts() {
    play -v win7 -l "$1" <<EOF
wait $OS_PAGE
expect-caption $OS_PAGE
expect-text 1009 安装 打印机 驱动 (&N) >
expect-text 1010 退出(&E)
expect-text 1022 安装 USB 虚拟串口端口 驱动
expect-text 1008 < &Back
expect-hidden 1008
expect-disabled 1008
expect-child-text 选择安装的操作系统
expect-child-text 本驱动程序适用于Windows 32位和64位操作系统。
expect-text 1000 Windows 95
expect-text 1001 Windows 98
expect-text 1002 Windows NT4.0
expect-text 1003 Windows 2000
expect-text 1004 Windows XP
expect-text 1011 Windows 2003
expect-text 1020 Windows Vista
expect-text 1005 Windows 7
expect-text 1006 Windows 8/Windows 10
expect-hidden 1000
expect-hidden 1001
expect-hidden 1002
expect-hidden 1007
expect-visible 1003
expect-visible 1004
expect-visible 1005
expect-visible 1006
expect-visible 1011
expect-visible 1020
screenshot os-page.bmp
click 1010
expect-exit
EOF
}
add_case texts-zh_CN texts zh_CN.UTF-8
add_case texts-C texts C.UTF-8

table_main "$@"
