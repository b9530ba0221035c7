# shellcheck shell=bash
# Sourced by the case tables in cases/. A table adds its cases with add_case NAME FUNCTION ARGS...
# and ends with table_main "$@": "--list" prints the names (CMake registers one test per name),
# a name runs that case. FUNCTION gets ARGS and calls play with case.sh options and a scenario
# on standard input.
E2E_TESTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_GROUP=$(basename "$0" .sh)
E2E_CASE_NAMES=()
declare -A E2E_CASE_CALLS

# Captions of the pages, as the scenarios wait for them.
# shellcheck disable=SC2034  # used by the tables
{
    OS_PAGE="选择操作系统 (x86/x64)"
    SETTINGS_PAGE="详细设置 (x86/x64)"
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
