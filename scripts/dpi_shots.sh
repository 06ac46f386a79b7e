#!/usr/bin/env bash
# Pictures of corvane.exe's main window, About box and list tools at 96, 120
# and 144 DPI, for people to compare: nothing drawn at 96 DPI may be lost or
# cut at the others. Wine takes the system DPI from the registry (HKCU\Control Panel\
# Desktop "LogPixels", or HKEY_CURRENT_CONFIG\Software\Fonts "LogPixels"
# when the first is missing), so the pictures are taken in a Wine prefix of
# their own, never in the one the tests use.
#
#   scripts/dpi_shots.sh [win32|win64]     # default: the 32-bit edition where it runs
#
# Leaves build/<preset>/dpi/main-<dpi>.png (a heap's blocks), dump-<dpi>.png
# (a block's dump, with the search row), about-<dpi>.png, compare-<dpi>.png,
# statistics-<dpi>.png, find-all-<dpi>.png, watch-<dpi>.png and heap-map-<dpi>.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

export CORVANE_WINEPREFIX=${CORVANE_DPI_PREFIX:-$root/build/dpi-prefix}
bash scripts/setup.sh >/dev/null
source scripts/env.sh

preset=${1:-win32}
case "$preset" in
  win32 | win64) ;;
  *) echo "dpi_shots: the preset is win32 or win64, not '$preset'" >&2; exit 2 ;;
esac
if [ "$preset" = win32 ] && [ "$CORVANE_WINE32" = 0 ]; then
  echo "dpi_shots: this machine's kernel does not run 32-bit programs; taking the 64-bit edition"
  preset=win64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target corvane corvane_sample corvane_show corvane_window_steps >/dev/null
dir=$root/build/$preset
mkdir -p "$dir/dpi"

# At each DPI: the registry set while no Wine program runs, then everything
# started afresh, so that all of Wine reads the new value. Corvane is
# started on the sample target and steered (by corvane_show.exe) to a heap's
# blocks and then to a block's dump, so that every control has something
# to show.
shots() {
  local dir=$1 dpi pid
  for dpi in 96 120 144; do
    corvane_end_wine
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    "$WINE" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1 || true
    "$WINESERVER" -p60 </dev/null >/dev/null 2>&1
    "$WINE" "$dir/corvane_sample.exe" </dev/null >"$dir/dpi/sample.txt" 2>/dev/null &
    pid=
    for _ in $(seq 1 100); do
      pid=$(sed -n 's/^corvane_sample: process \([0-9]*\)\r*$/\1/p' "$dir/dpi/sample.txt")
      [ -n "$pid" ] && break
      sleep 0.2
    done
    if [ -z "$pid" ]; then
      echo "dpi_shots: the sample target did not start" >&2
      return 1
    fi
    "$WINE" "$dir/corvane.exe" "$pid" </dev/null >/dev/null 2>&1 &
    "$WINE" "$dir/corvane_show.exe" heaps </dev/null || return 1
    shot "$dir" "$dpi" "Corvane - www.example.com" main || return 1
    "$WINE" "$dir/corvane_show.exe" block </dev/null || return 1
    shot "$dir" "$dpi" "Corvane - www.example.com" dump || return 1
    window_steps "$dir" about || return 1
    shot "$dir" "$dpi" "About Corvane" about || return 1
    window_steps "$dir" close "About Corvane" || return 1
    "$WINE" "$dir/corvane_show.exe" map </dev/null || return 1
    shot "$dir" "$dpi" "Heap Map" heap-map || return 1
    window_steps "$dir" close "Heap Map" || return 1
    for tool in "compare:Compare with Baseline" "statistics:Size Statistics" "find-all:Find in All Blocks" "watch:Watch"; do
      window_steps "$dir" tool "${tool%%:*}" || return 1
      shot "$dir" "$dpi" "${tool#*:}" "${tool%%:*}" || return 1
      window_steps "$dir" close "${tool#*:}" || return 1
    done
  done
}

# One step of tests/dpi/window_steps.cpp, as built in the preset's tree.
window_steps() {
  "$WINE" "$1/tests/dpi/corvane_window_steps.exe" "${@:2}" </dev/null
}

# Waits for the window, checks the DPI Wine now reports, and crops the
# window out of a picture of the whole screen.
shot() {
  local dir=$1 dpi=$2 caption=$3 name=$4 place
  place=$(window_steps "$dir" place "$caption" | tr -d '\r') || {
    echo "$place"
    return 1
  }
  read -r seen left top width height <<<"$place"
  if [ "$seen" != "$dpi" ]; then
    echo "dpi_shots: Wine reports $seen DPI, not $dpi" >&2
    return 1
  fi
  sleep 0.7 # time to paint
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$dir/dpi/$name-$dpi.png"
  echo "dpi_shots: $dpi DPI, $caption, ${width}x${height}: $dir/dpi/$name-$dpi.png"
}

status=0
if [ -n "${DISPLAY:-}" ]; then
  shots "$dir" || status=$?
  corvane_end_wine
else
  # Room for the main window at 144 DPI, about 1000 by 1100 pixels.
  corvane_in_display --screen 1600x1400x24 shots "$dir" || status=$?
fi
exit $status
