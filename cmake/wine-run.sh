#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix. A persistent
# wineserver started with its output detached keeps Wine's helpers from
# holding ctest's pipes open, which otherwise costs seconds per test; when
# the prefix's server is already running, this start ends at once.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
"$WINESERVER" -p60 </dev/null >/dev/null 2>&1
exec "$WINE" "$@"
