# shellcheck shell=bash
# Sourced by the case tables in cases/. A table adds its cases with add_case NAME FUNCTION ARGS...
# and ends with table_main "$@": "--list" prints the names (CMake registers one test per name),
# a name runs that case. FUNCTION gets ARGS and calls play with case.sh options and a scenario
# on standard input.
E2E_TESTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$E2E_TESTS/../../scripts/wine-env.sh"
E2E_GROUP=$(basename "$0" .sh)
E2E_CASE_NAMES=()
declare -A E2E_CASE_CALLS

# Captions of the pages, as the scenarios wait for them.
# shellcheck disable=SC2034  # used by the tables
{
    OS_PAGE="选择操作系统 (x86/x64)"
    SETTINGS_PAGE="详细设置 (x86/x64)"
    PORT_PAGE="选择端口 (x86/x64)"
}

add_case() {
    local name=$1
    shift
    E2E_CASE_NAMES+=("$name")
    E2E_CASE_CALLS[$name]="$*"
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

# Scenario lines from the start to the port page. With ROW, that model row is chosen on the
# settings page, and any further LINES run there before "下一步(&N) >".
to_port_page() {
    echo "wait $OS_PAGE"
    echo "click 1009"
    echo "wait $SETTINGS_PAGE"
    if [ $# -gt 0 ]; then
        echo "select 1011 $1"
        shift
        [ $# -gt 0 ] && printf '%s\n' "$@"
    fi
    echo "click 1009"
    echo "wait $PORT_PAGE"
}

# The scenario lines that cancel the port page and end the program from the settings page.
cancel_and_exit() {
    cat <<EOF
wait $PORT_PAGE
click 1023
wait-closed
wait $SETTINGS_PAGE
click 1010
expect-exit
EOF
}

# Scenario lines for "安装(&I)" on the port page through to the confirmed end of the program.
install_confirmed() {
    printf '%s\n' "click 1022" "wait-closed" "expect-message 驱动安装完成" "click 1" "expect-exit"
}

# Scenario lines for "安装(&I)" on the port page through to the failure message, whose lines after
# "驱动安装失败。" begin with the given texts ("a|b"), and the end of the program.
install_failed() {
    printf '%s\n' "click 1022" "wait-closed" "expect-message-lines 驱动安装失败。|$1" "click 1" \
        "expect-exit"
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
    # shellcheck disable=SC2086  # the stored call is split into function and arguments
    ${E2E_CASE_CALLS[$E2E_CASE]}
}
