# shellcheck shell=bash
# Sourced by the case tables in cases/. A table adds its cases with add_case NAME FUNCTION ARGS...
# or add_rows PREFIX FUNCTION ROW... and ends with table_main "$@": "--list" prints the names
# (CMake registers one test per name), a name runs that case. FUNCTION gets ARGS and calls play
# with case.sh options and the scenario as a here-document, built from the shared steps below.
E2E_TESTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$E2E_TESTS/../../scripts/wine-env.sh"
E2E_GROUP=$(basename "$0" .sh)
E2E_CASE_NAMES=()
declare -A E2E_CASE_CALLS

# Captions of the wizard's windows, as the scenarios wait for them.
# shellcheck disable=SC2034  # used by the tables
{
    OS_PAGE="选择操作系统 (x86/x64)"
    SETTINGS_PAGE="详细设置 (x86/x64)"
    PORT_PAGE="选择端口 (x86/x64)"
    CREATE_DIALOG="创建端口"
    ABOUT_BOX="关于 ZAVRIN"
}

# Adds a case: FUNCTION runs it with ARGS (kept exactly, blanks included).
add_case() {
    local name=$1
    shift
    E2E_CASE_NAMES+=("$name")
    E2E_CASE_CALLS[$name]=$(printf '%q ' "$@")
}

# Adds one case per row of a table: a row is "NAME ARG..." separated by blanks; the case is
# named PREFIX followed by NAME and runs FUNCTION ARG....
add_rows() {
    local prefix=$1 function=$2 row name args
    shift 2
    for row in "$@"; do
        read -r name args <<<"$row"
        # shellcheck disable=SC2086  # the row's columns become the arguments
        add_case "$prefix$name" "$function" $args
    done
}

play() {
    bash "$E2E_TESTS/case.sh" -n "$E2E_GROUP.$E2E_CASE" "$@" -
}

# The current case's output folder.
case_dir() {
    printf '%s\n' "$E2E_WORK/cases/$E2E_GROUP.$E2E_CASE"
}

# After a case played with -g +debugstr: the wizard wrote exactly these lines to the debugger
# output, in this order, one call each, every one ending in a line feed. Wine logs a call as
# ...:debugstr:OutputDebugStringA "<text>" with C escapes (a line feed is \n), so the texts are
# compared in that form, which is their own for plain ASCII.
expect_debug_lines() {
    local want have
    want=$(printf '%s\\n\n' "$@")
    have=$(sed -n 's/^[0-9a-f:]*[a-z]*:debugstr:OutputDebugStringA "\(.*\)"$/\1/p' \
        "$(case_dir)/stderr.txt")
    [ "$have" != "$want" ] || return 0
    echo "FAIL: the debugger output is not the expected one (-expected +found):"
    diff -u --label expected --label found <(printf '%s\n' "$want") <(printf '%s\n' "$have")
    return 1
}

# Copies the program folder (E2E_DIST if set) for the current case to DIR below the case's own
# folder in $E2E_WORK/dists, replacing an earlier copy, and prints the copy's path; the case
# changes the copy and runs it with E2E_DIST=<path> play ...
dist_copy() {
    local top=$E2E_WORK/dists/$E2E_GROUP.$E2E_CASE
    local dir=$top/$1
    rm -rf "$top"
    mkdir -p "$dir"
    cp -a "${E2E_DIST:-$E2E_REPO/dist}/." "$dir/"
    printf '%s\n' "$dir"
}

# Shared steps: the scenario lines that reach a window from the start of the program. The
# controls are named as in res/resource.h (the wizard's) and system_ids.h (the system's dialogs).

to_os_page() {
    echo "wait $OS_PAGE"
}

to_settings_page() {
    cat <<EOF
$(to_os_page)
click IDC_OS_INSTALL_DRIVER
wait $SETTINGS_PAGE
EOF
}

# With ROW, that model row is chosen on the settings page, and any further LINES run there
# before "下一步(&N) >".
to_port_page() {
    local lines=()
    if [ $# -gt 0 ]; then
        lines=("select IDC_SET_MODEL_LIST $1" "${@:2}")
    fi
    cat <<EOF
$(to_settings_page)
$(printf '%s\n' "${lines[@]}")
click IDC_SET_NEXT
wait $PORT_PAGE
EOF
}

# From the port page (reached with to_port_page's arguments) to the port creation dialog.
to_create_dialog() {
    cat <<EOF
$(to_port_page "$@")
click IDC_PORT_CREATE
wait $CREATE_DIALOG
EOF
}

# The about box from the system menu of the current page.
to_about_box() {
    cat <<EOF
syscmd IDM_ABOUTBOX
wait $ABOUT_BOX
EOF
}

# Shared endings.

# "退出(&E)" on the operating-system page ends the program.
exit_from_os_page() {
    cat <<EOF
click IDC_OS_EXIT
expect-exit
EOF
}

# "退出(&E)" on the settings page ends the program.
exit_from_settings_page() {
    cat <<EOF
click IDC_SET_EXIT
expect-exit
EOF
}

# The port page cancelled, and the program ended from the settings page.
cancel_and_exit() {
    cat <<EOF
wait $PORT_PAGE
click IDC_PORT_CANCEL
wait-closed
wait $SETTINGS_PAGE
$(exit_from_settings_page)
EOF
}

# "安装(&I)" on the port page through to the confirmed end of the program.
install_confirmed() {
    cat <<EOF
click IDC_PORT_INSTALL
wait-closed
expect-message 驱动安装完成
click IDOK
expect-exit
EOF
}

# "安装(&I)" on the port page through to the failure message, whose lines after "驱动安装失败。"
# begin with the given texts ("a|b"), and the end of the program.
install_failed() {
    cat <<EOF
click IDC_PORT_INSTALL
wait-closed
expect-message-lines 驱动安装失败。|$1
click IDOK
expect-exit
EOF
}

# Shared checks.

# The driver record and all ten copied files of one model in one environment, as an installation
# leaves them: $1 environment, $2 x86|x64, $3 printer name, $4 GPD base name, $5 dependent files.
# Wine records every driver of an NT environment as version 3, whatever cVersion asked.
driver_checks() {
    local env=$1 arch=$2 name=$3 gpd=$4 dependent=$5 file
    echo "expect-driver $env|$name|version=3|driver=uniDRV.DLL|data=$gpd.GPD|config=uniDRVui.DLL|help=uniDRV.HLP|dependent=$dependent|datatype=RAW|monitor="
    for file in RQPRN.DLL "$gpd.GPD" uniDRVui.DLL uniDRV.DLL UNIDRV.HLP UNIRES.DLL TTFSUB.GPD \
        STDNAMES.GPD RQPLUG.ini RQPLUG.dll; do
        echo "expect-driver-file $env|$file|Placeholder for $file ($arch)"
    done
}

table_main() {
    if [ "${1:-}" = --list ]; then
        printf '%s\n' "${E2E_CASE_NAMES[@]}"
        return 0
    fi
    E2E_CASE=${1:-}
    if [ -z "$E2E_CASE" ] || [ -z "${E2E_CASE_CALLS[$E2E_CASE]+set}" ]; then
        echo "usage: $0 --list | CASE (one of: ${E2E_CASE_NAMES[*]})" >&2
        return 2
    fi
    eval "${E2E_CASE_CALLS[$E2E_CASE]}"
}
