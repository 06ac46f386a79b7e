#!/usr/bin/env bash
# Builds the native benchmarks and runs them; extra arguments go to Google
# Benchmark (for example --benchmark_filter=Walk).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host --target corvane_bench
./build/host/bench/corvane_bench "$@"
