#!/usr/bin/env bash
# The port page and the port creation dialog against Wine's spooler: the listed ports and the
# preselection, the keys, new ports through the Local Port monitor, and port configuration.
source "$(dirname "$0")/../table.sh"

PORT_PAGE="选择端口 (x86/x64)"
CREATE_DIALOG="创建端口"
# Wine's Local Port monitor names every port's type so in Chinese.
LOCAL_PORT="本地端口"

# A fresh prefix's ports in enumeration order; LPT1: at 5 is the preselected row.
WINE_PORTS=(COM1: COM2: COM3: COM4: FILE: LPT1: LPT2: LPT3:)

# The port page's columns and progress bar as initialisation leaves them; only an installation
# changes them.
page_layout() {
    cat <<EOF
expect-lv-columns 1021 2
expect-lv-width 1021 0 150
expect-lv-width 1021 1 280
expect-progress 1025 0 100 0
EOF
}

initial() {
    local row
    {
        to_port_page
        echo "expect-lv-header 1021 0 端口"
        echo "expect-lv-header 1021 1 类型"
        echo "expect-lv-rows 1021 ${#WINE_PORTS[@]}"
        for row in "${!WINE_PORTS[@]}"; do
            echo "expect-lv-text 1021 $row 0 ${WINE_PORTS[$row]}"
            echo "expect-lv-text 1021 $row 1 $LOCAL_PORT"
        done
        echo "expect-lv-selected 1021 5"
        echo "expect-focus 1021"
        echo "expect-hidden 1007"
        echo "expect-visible 1025"
        page_layout
        echo "screenshot port-page.bmp"
        cancel_and_exit
    } | play -v win10
}
add_case initial-state initial

# Enter with the focus on the list is ignored: no installation, no completion message, the page
# stays. The tab typed after it reaching 1008 shows that Enter was handled before.
enter() {
    {
        to_port_page
        echo "expect-focus 1021"
        echo "mark"
        echo "key enter"
        echo "key tab"
        echo "expect-focus 1008"
        echo "expect-open"
        echo "expect-no-new-window"
        echo "expect-lv-selected 1021 5"
        cancel_and_exit
    } | play -v win10
}
add_case enter enter

# The creation dialog lists Wine's one monitor, selected. However it is closed, the port page
# lists its ports anew: the row the user had chosen gives way to the preselection again, while
# the columns and the progress bar stay as they were.
create_close() {
    {
        to_port_page
        echo "lv-select-text 1021 COM2:"
        echo "expect-lv-selected 1021 1"
        echo "click 1008"
        echo "wait $CREATE_DIALOG"
        echo "expect-lv-header 1021 0 可用端口类型"
        echo "expect-lv-columns 1021 1"
        echo "expect-lv-width 1021 0 340"
        echo "expect-lv-rows 1021 1"
        echo "expect-lv-text 1021 0 0 Local Port"
        echo "expect-lv-selected 1021 0"
        echo "expect-focus 1021"
        echo "$*"
        echo "wait-closed"
        echo "wait $PORT_PAGE"
        echo "expect-enabled 1008"
        echo "expect-lv-rows 1021 ${#WINE_PORTS[@]}"
        echo "expect-lv-text 1021 1 0 COM2:"
        echo "expect-lv-selected 1021 5"
        page_layout
        cancel_and_exit
    } | play -v win10
}
add_case create-close-button create_close click 1009
add_case create-esc create_close key esc
add_case create-close-box create_close close
add_case create-enter create_close key enter

# "新端口..." runs the Local Port monitor's own dialog (edit 101, OK 1, Cancel 2); the names
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

new_ports() {
    local names=$1 rows=$2 checks=$3 selected=$4 name check
    {
        to_port_page
        echo "click 1008"
        echo "wait $CREATE_DIALOG"
        for name in ${names//,/ }; do
            echo "click 1008"
            echo "wait-ids 101 1 2"
            echo "expect-focus 101"
            echo "type $name"
            echo "expect-text 101 $name"
            echo "click 1"
            echo "wait-closed"
            echo "wait $CREATE_DIALOG"
        done
        echo "click 1009"
        echo "wait-closed"
        echo "wait $PORT_PAGE"
        echo "expect-lv-rows 1021 $rows"
        for check in ${checks//,/ }; do
            echo "expect-lv-text 1021 ${check%%:*} 0 ${check#*:}"
        done
        echo "expect-lv-selected 1021 $selected"
        cancel_and_exit
    } | play -v win10
}

for row in "${NEW_PORTS[@]}"; do
    read -r name args <<<"$row"
    # shellcheck disable=SC2086  # the row's columns become the arguments
    add_case "new-port-$name" new_ports $args
done

# The monitor's dialog cancelled: the creation dialog takes input again and no port is added.
new_port_cancel() {
    {
        to_port_page
        echo "click 1008"
        echo "wait $CREATE_DIALOG"
        echo "click 1008"
        echo "wait-ids 101 1 2"
        echo "type LPT7"
        echo "click 2"
        echo "wait-closed"
        echo "wait $CREATE_DIALOG"
        echo "expect-lv-selected 1021 0"
        echo "click 1009"
        echo "wait-closed"
        echo "wait $PORT_PAGE"
        echo "expect-lv-rows 1021 ${#WINE_PORTS[@]}"
        echo "expect-lv-selected 1021 5"
        cancel_and_exit
    } | play -v win10
}
add_case new-port-cancel new_port_cancel

# "配置端口..." on a COM port: Wine's monitor returns at once, and the page stays usable.
configure_com() {
    {
        to_port_page
        echo "lv-select-text 1021 COM1:"
        echo "mark"
        echo "click 1009"
        echo "sleep 500"
        echo "expect-no-new-window"
        echo "expect-open"
        echo "expect-enabled 1009"
        echo "expect-lv-selected 1021 0"
        cancel_and_exit
    } | play -v win10
}
add_case configure-com configure_com

# "新端口..." in the creation dialog and "配置端口..." on the page do nothing while no row is
# selected, even with the focus mark left on a row; once a row is selected, the same click shows
# the monitor's dialog, which shows that the click itself arrived.
#
#   case                     window  row  button  the monitor's dialog
NO_SELECTION=(
    "new-port-no-selection   create  0    1008    101 1 2"
    "configure-no-selection  page    6    1009    202 1 2"
)
no_selection() {
    local window=$1 row=$2 button=$3
    shift 3
    local caption=$PORT_PAGE
    {
        to_port_page
        if [ "$window" = create ]; then
            caption=$CREATE_DIALOG
            echo "click 1008"
            echo "wait $CREATE_DIALOG"
        fi
        echo "lv-select 1021 $row"
        echo "lv-deselect 1021"
        echo "expect-lv-selected 1021 -1"
        echo "mark"
        echo "click $button"
        echo "sleep 500"
        echo "expect-no-new-window"
        echo "expect-open"
        echo "expect-enabled $button"
        echo "lv-select 1021 $row"
        echo "click $button"
        echo "wait-ids $*"
        echo "click 2"
        echo "wait-closed"
        echo "wait $caption"
        if [ "$window" = create ]; then
            echo "click 1009"
            echo "wait-closed"
        fi
        cancel_and_exit
    } | play -v win10
}
for row in "${NO_SELECTION[@]}"; do
    read -r name args <<<"$row"
    # shellcheck disable=SC2086  # the row's columns become the arguments
    add_case "$name" no_selection $args
done

# The debugger output: one line per listed port at initialisation, one per monitor when the
# creation dialog opens, and the ports again when the page refills its list.
debug_output() {
    {
        to_port_page
        echo "click 1008"
        echo "wait $CREATE_DIALOG"
        echo "click 1009"
        echo "wait-closed"
        cancel_and_exit
    } | play -v win10 -g -all,+debugstr || return
    expect_debug_lines "${WINE_PORTS[@]}" "Local Port" "${WINE_PORTS[@]}"
}
add_case debug-output debug_output

# On the preselected LPT1: the monitor shows its settings dialog (edit 202) over the page;
# either way it is closed, the page is back with its selection.
configure_lpt() {
    {
        to_port_page
        echo "expect-lv-selected 1021 5"
        echo "click 1009"
        echo "wait-ids 202 1 2"
        echo "click $1"
        echo "wait-closed"
        echo "wait $PORT_PAGE"
        echo "expect-enabled 1009"
        echo "expect-lv-selected 1021 5"
        echo "expect-lv-rows 1021 ${#WINE_PORTS[@]}"
        cancel_and_exit
    } | play -v win10
}
add_case configure-lpt-ok configure_lpt 1
add_case configure-lpt-cancel configure_lpt 2

# A port whose name lies outside the ANSI code page (Korean under code page 936): the list shows
# it exactly, and "安装(&I)" on it refuses with a message that names it instead of creating a
# printer on "???" or some other port that does not exist; the page stays for another choice.
PORTS_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports'
foreign_name() {
    play -v win10 <<EOF
set-reg $PORTS_KEY|프린터:|
$(to_port_page 4)
lv-select-text 1021 프린터:
expect-lv-text 1021 8 0 프린터:
click 1022
expect-message 无法使用端口 프린터:：其名称含有本系统不支持的字符，请选择其他端口。
click 1
wait $PORT_PAGE
expect-progress 1025 0 100 0
expect-no-printer RQ-230 Series
expect-no-driver-file Windows NT x86|RQPRN.DLL
$(cancel_and_exit)
EOF
}
add_case foreign-port-name foreign_name

table_main "$@"
