#!/usr/bin/env bash
# Fuzzes the readers of untrusted memory with libFuzzer, each for a bounded
# time: the snapshot reader with the block walk, the reader of Wine's heaps
# (wine_heaps), and the references between blocks (references: the block
# index, where an address lies, the pointers in a block, who points here and
# the leak search, over made-up processes).
#   scripts/fuzz.sh [seconds]     (default 60 for each)
# The corpora are kept in build/fuzz/corpus/<target> between runs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh clang libclang-rt-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in snapshot wine_heaps references; do
  echo "== fuzz: $target"
  mkdir -p "build/fuzz/corpus/$target"
  ./build/fuzz/tests/fuzz/corvane_${target}_fuzz -max_total_time="${1:-60}" -max_len=65536 -print_final_stats=1 \
    "build/fuzz/corpus/$target"
done
