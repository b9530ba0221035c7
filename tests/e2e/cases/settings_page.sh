#!/usr/bin/env bash
# Where the driver settings page's buttons, keys and about box lead.
source "$(dirname "$0")/../table.sh"

# Every way off the page except "< 上一步(&B)" ends the program; the operating-system page does
# not come back. Enter counts: the closed model list has the focus, so it is IDOK.
leave() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
expect-focus 1011
mark
$*
expect-exit 10
expect-no-new-window
EOF
}
add_case exit-button leave click 1010
add_case esc leave key esc
add_case close-box leave close
add_case enter leave key enter

# The about box from the system menu, however it is closed, returns to the page unchanged.
about() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
select 1011 3
click 1012
expect-unchecked 1012
syscmd 0x10
wait 关于 ZAVRIN
expect-child-text ZAVRIN 10 版
expect-text 1 确定
$*
wait-closed
wait $SETTINGS_PAGE
expect-enabled 1009
expect-selected 1011 3
expect-unchecked 1012
click 1010
expect-exit
EOF
}
add_case about-ok about click 1
add_case about-enter about key enter
add_case about-esc about key esc
add_case about-close-box about close

table_main "$@"
