#!/usr/bin/env bash
# The port page and the port creation dialog against Wine's spooler: the listed ports and the
# preselection, the keys, new ports through the Local Port monitor, and port configuration.
source "$(dirname "$0")/../table.sh"

# Wine's Local Port monitor names every port's type so in Chinese.
LOCAL_PORT="本地端口"

# A fresh prefix's ports in enumeration order; LPT1: at 5 is the preselected row.
WINE_PORTS=(COM1: COM2: COM3: COM4: FILE: LPT1: LPT2: LPT3:)

# The port page's columns and progress bar as initialisation leaves them; only an installation
# changes them.
page_layout() {
    cat <<EOF
expect-lv-columns IDC_PORT_LIST 2
expect-lv-width IDC_PORT_LIST 0 150
expect-lv-width IDC_PORT_LIST 1 280
expect-progress IDC_PORT_PROGRESS 0 100 0
EOF
}

# Every row of a fresh prefix's port list.
wine_port_rows() {
    local row
    for row in "${!WINE_PORTS[@]}"; do
        echo "expect-lv-text IDC_PORT_LIST $row 0 ${WINE_PORTS[$row]}"
        echo "expect-lv-text IDC_PORT_LIST $row 1 $LOCAL_PORT"
    done
}

initial() {
    play -v win10 <<EOF
$(to_port_page)
expect-lv-header IDC_PORT_LIST 0 端口
expect-lv-header IDC_PORT_LIST 1 类型
expect-lv-rows IDC_PORT_LIST ${#WINE_PORTS[@]}
$(wine_port_rows)
expect-lv-selected IDC_PORT_LIST 5
expect-focus IDC_PORT_LIST
expect-hidden IDC_PORT_SLIDER
expect-visible IDC_PORT_PROGRESS
$(page_layout)
screenshot port-page.bmp
$(cancel_and_exit)
EOF
}
add_case initial-state initial

# Enter with the focus on the list is ignored: no installation, no completion message, the page
# stays. The tab typed after it reaching IDC_PORT_CREATE shows that Enter was handled before.
enter() {
    play -v win10 <<EOF
$(to_port_page)
expect-focus IDC_PORT_LIST
mark
key enter
key tab
expect-focus IDC_PORT_CREATE
expect-open
expect-no-new-window
expect-lv-selected IDC_PORT_LIST 5
$(cancel_and_exit)
EOF
}
add_case enter enter

# The creation dialog lists Wine's one monitor, selected. However it is closed, the port page
# lists its ports anew: the row the user had chosen gives way to the preselection again, while
# the columns and the progress bar stay as they were.
create_close() {
    play -v win10 <<EOF
$(to_port_page)
lv-select-text IDC_PORT_LIST COM2:
expect-lv-selected IDC_PORT_LIST 1
click IDC_PORT_CREATE
wait $CREATE_DIALOG
expect-lv-header IDC_MONITOR_LIST 0 可用端口类型
expect-lv-columns IDC_MONITOR_LIST 1
expect-lv-width IDC_MONITOR_LIST 0 340
expect-lv-rows IDC_MONITOR_LIST 1
expect-lv-text IDC_MONITOR_LIST 0 0 Local Port
expect-lv-selected IDC_MONITOR_LIST 0
expect-focus IDC_MONITOR_LIST
$*
wait-closed
wait $PORT_PAGE
expect-enabled IDC_PORT_CREATE
expect-lv-rows IDC_PORT_LIST ${#WINE_PORTS[@]}
expect-lv-text IDC_PORT_LIST 1 0 COM2:
expect-lv-selected IDC_PORT_LIST 5
$(page_layout)
$(cancel_and_exit)
EOF
}
add_case create-close-button create_close click IDC_MONITOR_CLOSE
add_case create-esc create_close key esc
add_case create-close-box create_close close
add_case create-enter create_close key enter

# "新端口..." runs the Local Port monitor's own dialog (its name field, OK, Cancel); the names
# given are added in one run of the creation dialog. After it closes, the port page lists them
# where Wine sorts them, and the preselection follows the last port whose name begins with
# "LPT1". A name that begins with "COM1" comes second to any "LPT1" match.
#
#        case          names        rows  row:name checks              selected
NEW_PORTS=(
    "lpt1-prefix   LPT1X        9     6:LPT1X,5:LPT1:,7:LPT2:         6"
    "com1-prefix   COM1X        9     1:COM1X,6:LPT1:                 6"
    "other         LPT9         9     8:LPT9,5:LPT1:                  5"
    "two-in-a-run  LPT9,LPT1X   10    6:LPT1X,9:LPT9                  6"
)

# The monitor's dialog for a new port, given this name and confirmed.
add_port_named() {
    cat <<EOF
click IDC_MONITOR_NEW_PORT
wait-ids IDC_LOCALUI_PORT_NAME IDOK IDCANCEL
expect-focus IDC_LOCALUI_PORT_NAME
type $1
expect-text IDC_LOCALUI_PORT_NAME $1
click IDOK
wait-closed
wait $CREATE_DIALOG
EOF
}

new_ports() {
    local names=$1 rows=$2 checks=$3 selected=$4 name check
    play -v win10 <<EOF
$(to_create_dialog)
$(for name in ${names//,/ }; do add_port_named "$name"; done)
click IDC_MONITOR_CLOSE
wait-closed
wait $PORT_PAGE
expect-lv-rows IDC_PORT_LIST $rows
$(for check in ${checks//,/ }; do
        echo "expect-lv-text IDC_PORT_LIST ${check%%:*} 0 ${check#*:}"
    done)
expect-lv-selected IDC_PORT_LIST $selected
$(cancel_and_exit)
EOF
}
add_rows new-port- new_ports "${NEW_PORTS[@]}"

# The monitor's dialog cancelled: the creation dialog takes input again and no port is added.
new_port_cancel() {
    play -v win10 <<EOF
$(to_create_dialog)
click IDC_MONITOR_NEW_PORT
wait-ids IDC_LOCALUI_PORT_NAME IDOK IDCANCEL
type LPT7
click IDCANCEL
wait-closed
wait $CREATE_DIALOG
expect-lv-selected IDC_MONITOR_LIST 0
click IDC_MONITOR_CLOSE
wait-closed
wait $PORT_PAGE
expect-lv-rows IDC_PORT_LIST ${#WINE_PORTS[@]}
expect-lv-selected IDC_PORT_LIST 5
$(cancel_and_exit)
EOF
}
add_case new-port-cancel new_port_cancel

# "配置端口..." on a COM port: Wine's monitor returns at once, and the page stays usable.
configure_com() {
    play -v win10 <<EOF
$(to_port_page)
lv-select-text IDC_PORT_LIST COM1:
mark
click IDC_PORT_CONFIGURE
sleep 500
expect-no-new-window
expect-open
expect-enabled IDC_PORT_CONFIGURE
expect-lv-selected IDC_PORT_LIST 0
$(cancel_and_exit)
EOF
}
add_case configure-com configure_com

# "新端口..." in the creation dialog and "配置端口..." on the page do nothing while no row is
# selected, even with the focus mark left on a row; once a row is selected, the same click shows
# the monitor's dialog, which shows that the click itself arrived.
#
#   case                    window  row  button                the monitor's dialog
NO_SELECTION=(
    "new-port-no-selection  create  0    IDC_MONITOR_NEW_PORT  IDC_LOCALUI_PORT_NAME"
    "configure-no-selection page    6    IDC_PORT_CONFIGURE    IDC_LOCALUI_LPT_TIMEOUT"
)
no_selection() {
    local window=$1 row=$2 button=$3 field=$4 list=IDC_PORT_LIST caption=$PORT_PAGE
    local start ending=""
    start=$(to_port_page)
    if [ "$window" = create ]; then
        start=$(to_create_dialog)
        list=IDC_MONITOR_LIST caption=$CREATE_DIALOG
        ending=$(printf '%s\n' "click IDC_MONITOR_CLOSE" "wait-closed")
    fi
    play -v win10 <<EOF
$start
lv-select $list $row
lv-deselect $list
expect-lv-selected $list -1
mark
click $button
sleep 500
expect-no-new-window
expect-open
expect-enabled $button
lv-select $list $row
click $button
wait-ids $field IDOK IDCANCEL
click IDCANCEL
wait-closed
wait $caption
$ending
$(cancel_and_exit)
EOF
}
add_rows "" no_selection "${NO_SELECTION[@]}"

# The debugger output: one line per listed port at initialisation, one per monitor when the
# creation dialog opens, and the ports again when the page refills its list.
debug_output() {
    play -v win10 -g -all,+debugstr <<EOF || return
$(to_create_dialog)
click IDC_MONITOR_CLOSE
wait-closed
$(cancel_and_exit)
EOF
    expect_debug_lines "${WINE_PORTS[@]}" "Local Port" "${WINE_PORTS[@]}"
}
add_case debug-output debug_output

# On the preselected LPT1: the monitor shows its settings dialog over the page; either way it is
# closed, the page is back with its selection.
configure_lpt() {
    play -v win10 <<EOF
$(to_port_page)
expect-lv-selected IDC_PORT_LIST 5
click IDC_PORT_CONFIGURE
wait-ids IDC_LOCALUI_LPT_TIMEOUT IDOK IDCANCEL
click $1
wait-closed
wait $PORT_PAGE
expect-enabled IDC_PORT_CONFIGURE
expect-lv-selected IDC_PORT_LIST 5
expect-lv-rows IDC_PORT_LIST ${#WINE_PORTS[@]}
$(cancel_and_exit)
EOF
}
add_case configure-lpt-ok configure_lpt IDOK
add_case configure-lpt-cancel configure_lpt IDCANCEL

# A port whose name lies outside the ANSI code page (Korean under code page 936): the list shows
# it exactly, and "安装(&I)" on it refuses with a message that names it instead of creating a
# printer on "???" or some other port that does not exist; the page stays for another choice.
PORTS_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports'
foreign_name() {
    play -v win10 <<EOF
set-reg $PORTS_KEY|프린터:|
$(to_port_page 4)
lv-select-text IDC_PORT_LIST 프린터:
expect-lv-text IDC_PORT_LIST 8 0 프린터:
click IDC_PORT_INSTALL
expect-message 无法使用端口 프린터:：其名称含有本系统不支持的字符，请选择其他端口。
click IDOK
wait $PORT_PAGE
expect-progress IDC_PORT_PROGRESS 0 100 0
expect-no-printer RQ-230 Series
expect-no-driver-file Windows NT x86|RQPRN.DLL
$(cancel_and_exit)
EOF
}
add_case foreign-port-name foreign_name

table_main "$@"
