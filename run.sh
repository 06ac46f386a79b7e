#!/usr/bin/env bash
# Installs what is missing, builds Corvane and starts it under Wine. Without
# a display it shows a first run instead: Corvane started on the sample
# target, steered to the sample's text heap and to that heap's first block,
# with a picture of each step under build/<preset>/.
# CORVANE_PRESET=win64 runs the 64-bit edition where both editions could run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

bash scripts/setup.sh
source scripts/env.sh

preset=${CORVANE_PRESET:-win32}
case "$preset" in
  win32 | win64) ;;
  *) echo "run: CORVANE_PRESET must be win32 or win64, not '$preset'" >&2; exit 2 ;;
esac
if [ "$preset" = win32 ] && [ "$CORVANE_WINE32" = 0 ]; then
  echo "run: this machine's kernel does not run 32-bit programs; starting the 64-bit build instead"
  preset=win64
fi
echo "run: the ${preset#win}-bit edition"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target corvane corvane_sample corvane_show
dir="$PWD/build/$preset"

if [ -n "${DISPLAY:-}" ]; then
  status=0
  "$WINE" "$dir/corvane.exe" || status=$?
  echo "run: corvane.exe ended with exit code $status"
  exit $status
fi

# The first run, inside the private virtual display. Ends Wine's programs,
# and with them Corvane and the sample, whatever happens.
first_run() {
  local dir=$1 tmp pid row
  tmp=$(mktemp -d)
  # The folder's name goes into the trap now: the local variable is gone by
  # the time the shell ends.
  trap "corvane_end_wine; wait; rm -rf '$tmp'" EXIT

  # With --report the sample also writes what it sees of its own heaps, in
  # the order it lists them, and stays until its standard input closes, which
  # happens when this shell ends.
  mkfifo "$tmp/input"
  "$WINE" "$dir/corvane_sample.exe" --report <"$tmp/input" >"$tmp/report" 2>/dev/null &
  exec 3>"$tmp/input"
  for _ in $(seq 1 100); do
    grep -qx end "$tmp/report" && break
    sleep 0.2
  done
  pid=$(sed -n '1s/^corvane_sample: process \([0-9]*\)\r*$/\1/p' "$tmp/report")
  # Corvane lists a process's heaps in the order the process does; the
  # sample's text heap is the one holding its large block of 1 MiB.
  row=$(awk '/^heap /{ n++ } /^entry / && $4 == "100000" { print n; exit }' "$tmp/report")
  if [ -z "$pid" ] || [ -z "$row" ]; then
    echo "run: the sample target did not report its process id and heaps"
    return 1
  fi
  echo "run: the sample target runs as process $pid; its text heap is heap $row"

  "$WINE" "$dir/corvane.exe" "$pid" </dev/null &
  step "$dir" nodes run-nodes.png "the sample target's heaps" &&
    step "$dir" "heaps $row" run-blocks.png "the blocks of its text heap" &&
    step "$dir" block run-dump.png "the dump of that heap's first block"
}

# One step of the driver, a moment for the window to paint what it now
# shows, and a picture of the window, which sits at the top left.
step() {
  local dir=$1 what=$2 picture=$3 shows=$4
  # shellcheck disable=SC2086 # the step and its argument are two words
  "$WINE" "$dir/corvane_show.exe" $what </dev/null || return 1
  sleep 0.5
  import -window root -crop 660x730+0+0 "$dir/$picture" || return 1
  echo "run: $shows: $dir/$picture"
}

echo "run: no display; a first run in a private virtual display, on the sample target"
status=0
corvane_in_display first_run "$dir" || status=$?
if [ $status = 0 ]; then
  echo "run: done; Corvane and the sample target have been ended"
else
  echo "run: the first run stopped short (exit code $status)"
fi
exit $status
