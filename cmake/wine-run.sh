#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, for ctest.
# Wine starts helper processes (the desktop, services) that outlive the
# program; had they inherited ctest's output pipe, ctest would wait for them
# to end after every test. So the program's output goes through a file that
# is shown once it ends, and the persistent server starts detached (when the
# prefix's server already runs, this start ends at once).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
#
# Now and then, on a loaded machine, Wine fails to start the program at all
# ("Application could not be started"); the program never ran, so it is
# started again, up to three times.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
  "$WINESERVER" -p60 </dev/null >/dev/null 2>&1
  status=0
  "$WINE" "$@" >"$output" 2>&1 </dev/null || status=$?
  if [ $status -ne 0 ] && grep -q "Application could not be started" "$output" && ! grep -q "\[==========\]" "$output"; then
    echo "wine-run: Wine could not start $1 (attempt $attempt)" >&2
    sleep 1
    continue
  fi
  break
done
cat "$output"
exit $status
