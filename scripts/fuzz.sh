#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one for a while, default 600
# seconds each:  bash scripts/fuzz.sh [seconds] [target...]
# New inputs collect in build/fuzz/tests/fuzz/corpus/<target>/, crashes in
# build/fuzz/tests/fuzz/artifacts/. The committed seeds are only read.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH="${1:-600}"
shift || true
TARGETS=("$@")
if [ "${#TARGETS[@]}" -eq 0 ]; then TARGETS=(decoder_fuzz port_preselect_fuzz command_line_fuzz); fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

BIN=build/fuzz/tests/fuzz
for t in "${TARGETS[@]}"; do
  extra=()
  if [ -f "tests/fuzz/$t.dict" ]; then extra+=("-dict=tests/fuzz/$t.dict"); fi
  mkdir -p "$BIN/corpus/$t" "$BIN/artifacts"
  echo "== $t for ${SECONDS_EACH}s"
  "$BIN/$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
    -artifact_prefix="$BIN/artifacts/$t-" "${extra[@]}" \
    "$BIN/corpus/$t" "tests/fuzz/corpus/$t"
done
