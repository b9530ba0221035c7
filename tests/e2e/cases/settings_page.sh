#!/usr/bin/env bash
# Where the driver settings page's buttons, keys and about box lead.
source "$(dirname "$0")/../table.sh"

# Every way off the page except "< 上一步(&B)" ends the program; the operating-system page does
# not come back, and nothing is installed. Enter counts: the closed model list has the focus, so
# it is IDOK.
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
expect-no-printer RQ-210(Cut) Series
expect-no-driver Windows NT x86|RQ-210(Cut) Series
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

# List texts of some catalogue rows, as the model list and the printer-name field show them.
#       row text
MODELS=(
    "1  RQ-210 系列热敏票据打印机（带切刀）"
    "0  RQ-210 系列热敏票据打印机（无切刀）"
    "7  RQ-B230 系列热敏票据打印机"
    "18 M-D50x 系列微型热敏打印机"
    "22 M-C51x 系列微型热敏打印机"
)
DEFAULT_NAME="RQ 系列票据打印机"
ROW1_TEXT="RQ-210 系列热敏票据打印机（带切刀）"
ROW5_TEXT="RQ-230N 系列热敏票据打印机"
PORT_PAGE="选择端口 (x86/x64)"

# The scenario lines that check a freshly opened page: row 1 chosen but the field showing the
# default printer name, the box ticked, and the hidden port group at the positions that the
# installation reads (port LPT1, 19200 8-N-1, hardware flow control) with its serial lists off.
initial_state() {
    local id
    cat <<EOF
expect-items 1011 23
expect-item 1011 0 RQ-210 系列热敏票据打印机（无切刀）
expect-item 1011 22 M-C51x 系列微型热敏打印机
expect-selected 1011 1
expect-text 1011 $ROW1_TEXT
expect-checked 1012
expect-text 1013 $DEFAULT_NAME
expect-focus 1011
expect-selected 1014 0
expect-selected 1015 5
expect-selected 1016 3
expect-selected 1019 0
expect-selected 1018 2
expect-selected 1017 2
EOF
    for id in 1014 1015 1016 1017 1018 1019; do
        echo "expect-hidden $id"
    done
    for id in 1015 1016 1017 1018 1019; do
        echo "expect-disabled $id"
    done
}

initial() {
    {
        echo "wait $OS_PAGE"
        echo "click 1009"
        echo "wait $SETTINGS_PAGE"
        initial_state
        echo "screenshot settings-page.bmp"
        echo "click 1010"
        echo "expect-exit"
    } | play -v win7
}
add_case initial-state initial

# The printer-name field takes no typing: tab into it (its text gets selected, so a writable
# field would lose it to the key), type, and tab on; the tab's arrival on 1008 shows the letter
# was handled before it.
read_only_name() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
expect-focus 1011
key tab
expect-focus 1012
key tab
expect-focus 1013
key x
key tab
expect-focus 1008
expect-text 1013 $DEFAULT_NAME
click 1010
expect-exit
EOF
}
add_case name-read-only read_only_name

# Each choice puts the chosen row's list text into the field; row 1 first, which is already
# selected, so the default printer name gives way even then.
model_choice() {
    local row r text
    {
        echo "wait $OS_PAGE"
        echo "click 1009"
        echo "wait $SETTINGS_PAGE"
        for row in "${MODELS[@]}"; do
            read -r r text <<<"$row"
            echo "select 1011 $r"
            echo "expect-text 1013 $text"
            echo "expect-text 1011 $text"
        done
        echo "expect-checked 1012"
        echo "click 1010"
        echo "expect-exit"
    } | play -v win7
}
add_case model-choice model_choice

# The system commands 0x0010 to 0x001F are all the about command (the low four bits are
# ignored).
about_syscmd() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
syscmd $1
wait 关于 ZAVRIN
expect-child-text ZAVRIN 10 版
expect-child-text 版权所有 (C) 2026 ZAVRIN
click 1
wait-closed
wait $SETTINGS_PAGE
expect-enabled 1009
click 1010
expect-exit
EOF
}
add_case about-syscmd-0x13 about_syscmd 0x13
add_case about-syscmd-0x1f about_syscmd 0x1f

# Commands beside that range open nothing. The posted click on the check box is handled after
# the command, so once the box is unticked the command has had its chance to open a window.
other_syscmd() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
mark
syscmd $1
click 1012
expect-unchecked 1012
expect-no-new-window
click 1010
expect-exit
EOF
}
add_case syscmd-0x20 other_syscmd 0x20
add_case syscmd-0x0f other_syscmd 0x0f

# Back to the operating-system page and forward again: a new page in its initial state, the
# earlier model and untick forgotten.
back_forward() {
    {
        cat <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
select 1011 5
expect-text 1013 $ROW5_TEXT
click 1012
expect-unchecked 1012
click 1008
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
EOF
        initial_state
        echo "click 1010"
        echo "expect-exit"
    } | play -v win7
}
add_case back-forward back_forward

# However the port page is left without installing, the settings page keeps its choices and
# shows no message; "下一步(&N) >" then opens a new port page with the preselection back.
port_cancel() {
    play -v win7 <<EOF
wait $OS_PAGE
click 1009
wait $SETTINGS_PAGE
select 1011 5
click 1012
expect-unchecked 1012
click 1009
wait $PORT_PAGE
expect-lv-selected 1021 5
lv-select-text 1021 COM2:
expect-lv-selected 1021 1
mark
$*
wait-closed
wait $SETTINGS_PAGE
expect-enabled 1009
expect-selected 1011 5
expect-text 1011 $ROW5_TEXT
expect-text 1013 $ROW5_TEXT
expect-unchecked 1012
expect-no-new-window
click 1009
wait $PORT_PAGE
expect-lv-selected 1021 5
$(cancel_and_exit)
EOF
}
add_case port-cancel-button port_cancel click 1023
add_case port-back-button port_cancel click 1010
add_case port-esc port_cancel key esc
add_case port-close-box port_cancel close

table_main "$@"
