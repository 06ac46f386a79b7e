#!/usr/bin/env bash
# Installs what is missing, builds Corvane and starts it under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

bash scripts/setup.sh
source scripts/env.sh

preset=win32
if [ "$CORVANE_WINE32" = 0 ]; then
  echo "run: this machine's kernel does not run 32-bit programs; starting the 64-bit build instead"
  preset=win64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target corvane
program="build/$preset/corvane.exe"

status=0
if [ -n "${DISPLAY:-}" ]; then
  "$WINE" "$program" || status=$?
else
  echo "run: no display; running in a private virtual display"
  wineserver -k >/dev/null 2>&1 || true
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash -c '"$WINE" "$1"; s=$?; wineserver -k >/dev/null 2>&1; exit $s' run "$program" </dev/null || status=$?
  wineserver -k >/dev/null 2>&1 || true
fi
echo "run: corvane.exe ended with exit code $status"
exit $status
