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
  # No display: show the window in a private virtual display, take a
  # picture of it, and end the program.
  shot="$PWD/build/$preset/run-screenshot.png"
  echo "run: no display; running in a private virtual display"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$WINE" "$1" & program=$!
    for _ in $(seq 1 100); do
      xwininfo -root -tree 2>/dev/null | grep -q "Corvane - " && break
      kill -0 $program 2>/dev/null || break
      sleep 0.2
    done
    if xwininfo -root -tree 2>/dev/null | grep -q "Corvane - "; then
      sleep 1
      import -window root -crop 660x730+0+0 "$2" && echo "run: the main window is in $2"
    else
      echo "run: the main window did not appear"
    fi
    wineserver -k >/dev/null 2>&1
    wait $program
    exit 0' run "$program" "$shot" </dev/null || status=$?
fi
echo "run: corvane.exe ended with exit code $status"
exit $status
