#!/usr/bin/env bash
# Where the driver settings page's buttons, keys and about box lead.
source "$(dirname "$0")/../table.sh"

# Every way off the page except "< 上一步(&B)" ends the program; the operating-system page does
# not come back, and nothing is installed. Enter counts: the closed model list has the focus, so
# it is IDOK.
leave() {
    play -v win7 <<EOF
$(to_settings_page)
expect-focus IDC_SET_MODEL_LIST
mark
$*
expect-exit 10
expect-no-new-window
expect-no-printer RQ-210(Cut) Series
expect-no-driver Windows NT x86|RQ-210(Cut) Series
EOF
}
add_case exit-button leave click IDC_SET_EXIT
add_case esc leave key esc
add_case close-box leave close
add_case enter leave key enter

# The about box from the system menu, however it is closed, returns to the page unchanged.
about() {
    play -v win7 <<EOF
$(to_settings_page)
select IDC_SET_MODEL_LIST 3
click IDC_SET_DEFAULT_CHECK
expect-unchecked IDC_SET_DEFAULT_CHECK
$(to_about_box)
expect-child-text ZAVRIN 10 版
expect-text IDOK 确定
$*
wait-closed
wait $SETTINGS_PAGE
expect-enabled IDC_SET_NEXT
expect-selected IDC_SET_MODEL_LIST 3
expect-unchecked IDC_SET_DEFAULT_CHECK
$(exit_from_settings_page)
EOF
}
add_case about-ok about click IDOK
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

# The checks of a freshly opened page: row 1 chosen but the field showing the default printer
# name, the box ticked, and the hidden port group at the positions that the installation reads
# (port LPT1, 19200 8-N-1, hardware flow control) with its serial lists off.
SERIAL_LISTS="IDC_SET_BAUD_LIST IDC_SET_DATABITS_LIST IDC_SET_FLOW_LIST IDC_SET_PARITY_LIST
    IDC_SET_STOPBITS_LIST"
initial_state() {
    local id
    cat <<EOF
expect-items IDC_SET_MODEL_LIST 23
expect-item IDC_SET_MODEL_LIST 0 RQ-210 系列热敏票据打印机（无切刀）
expect-item IDC_SET_MODEL_LIST 22 M-C51x 系列微型热敏打印机
expect-selected IDC_SET_MODEL_LIST 1
expect-text IDC_SET_MODEL_LIST $ROW1_TEXT
expect-checked IDC_SET_DEFAULT_CHECK
expect-text IDC_SET_PRINTER_NAME $DEFAULT_NAME
expect-focus IDC_SET_MODEL_LIST
expect-selected IDC_SET_PORT_LIST 0
expect-selected IDC_SET_BAUD_LIST 5
expect-selected IDC_SET_DATABITS_LIST 3
expect-selected IDC_SET_STOPBITS_LIST 0
expect-selected IDC_SET_PARITY_LIST 2
expect-selected IDC_SET_FLOW_LIST 2
EOF
    for id in IDC_SET_PORT_LIST $SERIAL_LISTS; do
        echo "expect-hidden $id"
    done
    for id in $SERIAL_LISTS; do
        echo "expect-disabled $id"
    done
}

initial() {
    play -v win7 <<EOF
$(to_settings_page)
$(initial_state)
screenshot settings-page.bmp
$(exit_from_settings_page)
EOF
}
add_case initial-state initial

# The printer-name field takes no typing: tab into it (its text gets selected, so a writable
# field would lose it to the key), type, and tab on; the tab's arrival on IDC_SET_BACK shows the
# letter was handled before it.
read_only_name() {
    play -v win7 <<EOF
$(to_settings_page)
expect-focus IDC_SET_MODEL_LIST
key tab
expect-focus IDC_SET_DEFAULT_CHECK
key tab
expect-focus IDC_SET_PRINTER_NAME
key x
key tab
expect-focus IDC_SET_BACK
expect-text IDC_SET_PRINTER_NAME $DEFAULT_NAME
$(exit_from_settings_page)
EOF
}
add_case name-read-only read_only_name

# Each choice puts the chosen row's list text into the field; row 1 first, which is already
# selected, so the default printer name gives way even then.
model_choices() {
    local row r text
    for row in "${MODELS[@]}"; do
        read -r r text <<<"$row"
        cat <<EOF
select IDC_SET_MODEL_LIST $r
expect-text IDC_SET_PRINTER_NAME $text
expect-text IDC_SET_MODEL_LIST $text
EOF
    done
}
model_choice() {
    play -v win7 <<EOF
$(to_settings_page)
$(model_choices)
expect-checked IDC_SET_DEFAULT_CHECK
$(exit_from_settings_page)
EOF
}
add_case model-choice model_choice

# The system commands 0x0010 to 0x001F are all the about command (the low four bits are
# ignored).
about_syscmd() {
    play -v win7 <<EOF
$(to_settings_page)
syscmd $1
wait $ABOUT_BOX
expect-child-text ZAVRIN 10 版
expect-child-text 版权所有 (C) 2026 ZAVRIN
click IDOK
wait-closed
wait $SETTINGS_PAGE
expect-enabled IDC_SET_NEXT
$(exit_from_settings_page)
EOF
}
add_case about-syscmd-0x13 about_syscmd 0x13
add_case about-syscmd-0x1f about_syscmd 0x1f

# Commands beside that range open nothing. The posted click on the check box is handled after
# the command, so once the box is unticked the command has had its chance to open a window.
other_syscmd() {
    play -v win7 <<EOF
$(to_settings_page)
mark
syscmd $1
click IDC_SET_DEFAULT_CHECK
expect-unchecked IDC_SET_DEFAULT_CHECK
expect-no-new-window
$(exit_from_settings_page)
EOF
}
add_case syscmd-0x20 other_syscmd 0x20
add_case syscmd-0x0f other_syscmd 0x0f

# Back to the operating-system page and forward again: a new page in its initial state, the
# earlier model and untick forgotten.
back_forward() {
    play -v win7 <<EOF
$(to_settings_page)
select IDC_SET_MODEL_LIST 5
expect-text IDC_SET_PRINTER_NAME $ROW5_TEXT
click IDC_SET_DEFAULT_CHECK
expect-unchecked IDC_SET_DEFAULT_CHECK
click IDC_SET_BACK
wait $OS_PAGE
click IDC_OS_INSTALL_DRIVER
wait $SETTINGS_PAGE
$(initial_state)
$(exit_from_settings_page)
EOF
}
add_case back-forward back_forward

# However the port page is left without installing, the settings page keeps its choices and
# shows no message; "下一步(&N) >" then opens a new port page with the preselection back.
port_cancel() {
    play -v win7 <<EOF
$(to_port_page 5 "click IDC_SET_DEFAULT_CHECK" "expect-unchecked IDC_SET_DEFAULT_CHECK")
expect-lv-selected IDC_PORT_LIST 5
lv-select-text IDC_PORT_LIST COM2:
expect-lv-selected IDC_PORT_LIST 1
mark
$*
wait-closed
wait $SETTINGS_PAGE
expect-enabled IDC_SET_NEXT
expect-selected IDC_SET_MODEL_LIST 5
expect-text IDC_SET_MODEL_LIST $ROW5_TEXT
expect-text IDC_SET_PRINTER_NAME $ROW5_TEXT
expect-unchecked IDC_SET_DEFAULT_CHECK
expect-no-new-window
click IDC_SET_NEXT
wait $PORT_PAGE
expect-lv-selected IDC_PORT_LIST 5
$(cancel_and_exit)
EOF
}
add_case port-cancel-button port_cancel click IDC_PORT_CANCEL
add_case port-back-button port_cancel click IDC_PORT_BACK
add_case port-esc port_cancel key esc
add_case port-close-box port_cancel close

table_main "$@"
