#!/usr/bin/env bash
# Builds the 32-bit and 64-bit template prefixes (or finds them complete) before the cases run.
# With E2E_FRESH_PREFIXES=1 it rebuilds them even if their stamps say complete.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"

e2e_env
e2e_clean_at_exit
e2e_xvfb_start
for arch in win32 win64; do
    e2e_template "$arch" "$([ "${E2E_FRESH_PREFIXES:-0}" = 1 ] && echo fresh)"
    echo "template $arch: $E2E_PREFIXES/$arch"
done
