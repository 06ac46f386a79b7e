#!/usr/bin/env bash
# Builds the native benchmarks and runs them; extra arguments go to Google
# Benchmark (for example --benchmark_filter=Walk).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host --target corvane_bench
./build/host/bench/corvane_bench "$@"

# The window fills, the reading of Wine's heaps (and one watch sample of the
# process read) and Find leaks on the sample target run under Wine, in a
# private virtual display.
source scripts/env.sh
preset=win32
[ "$CORVANE_WINE32" = 1 ] || preset=win64
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target corvane_fill_bench corvane_wine_heaps_bench corvane_references_bench corvane_watch_chart_bench corvane_sample
echo "== under Wine: the main window's list fills, reading Wine's heaps, Find leaks, the watch's chart ($preset build)"
# Every one runs; where any fails, the script ends with the exit code of the
# last that failed.
wine_benchmarks() {
  local program status=0
  for program in "$@"; do
    "$WINE" "$program" || status=$?
  done
  return $status
}
corvane_in_display wine_benchmarks "build/$preset/bench/win32/corvane_fill_bench.exe" \
  "build/$preset/bench/win32/corvane_wine_heaps_bench.exe" "build/$preset/bench/win32/corvane_references_bench.exe" \
  "build/$preset/bench/win32/corvane_watch_chart_bench.exe"
uptime
