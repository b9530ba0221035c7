#!/usr/bin/env bash
# Runs one framework test program under Wine in a fresh copy of the win32 template prefix.
#   tests/framework/run.sh PROGRAM.exe
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh disable=SC1091
source "$(dirname "$0")/../../scripts/wine-env.sh"

program=$1
prefix=$E2E_WORK/framework/$(basename "${program%.exe}")/prefix
e2e_env
e2e_clean_at_exit prefix "$prefix" remove "$prefix"
e2e_xvfb_start || exit 1
e2e_prefix_new win32 "$prefix" || exit 1
e2e_wine "$prefix" 60 "$program"
