#!/usr/bin/env bash
# Fuzzes the snapshot reader and block walk with libFuzzer for a bounded time.
#   scripts/fuzz.sh [seconds]     (default 60)
# The corpus is kept in build/fuzz/corpus between runs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh clang libclang-rt-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
./build/fuzz/tests/fuzz/corvane_snapshot_fuzz -max_total_time="${1:-60}" -max_len=65536 -print_final_stats=1 \
  build/fuzz/corpus
