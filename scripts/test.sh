#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the unit tests
# natively and under ASan/UBSan, then the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset native-asan
cmake --build --preset native-asan
ctest --preset native-asan

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
