#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, for ctest.
# Wine starts helper processes (the desktop, services) that outlive the
# program; had they inherited ctest's output pipe, ctest would wait for them
# to end after every test. So the program's output goes through a file that
# is shown once it ends, and the persistent server starts detached (when the
# prefix's server already runs, this start ends at once).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
"$WINESERVER" -p60 </dev/null >/dev/null 2>&1
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
"$WINE" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit $status
