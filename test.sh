#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the
# native suite (plain and sanitized) and the Windows suite under Wine in a
# private virtual display. Ends with ctest's summary line.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

bash scripts/setup.sh
source scripts/env.sh

for preset in host win32 win64; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  if [ "$preset" = win32 ] && [ "$CORVANE_WINE32" = 0 ]; then
    # Its tests cannot run here: build the program itself.
    cmake --build --preset "$preset" --target corvane corvane_fill_bench
  else
    cmake --build --preset "$preset"
  fi
done

# One ctest run over the three build trees, so that one summary counts all.
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("host")
subdirs("win32")
subdirs("win64")
CTEST

corvane_in_display ctest --test-dir build --output-on-failure "$@"
