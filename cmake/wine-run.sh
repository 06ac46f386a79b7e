#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix. A persistent
# wineserver started with its output detached keeps Wine's helpers from
# holding ctest's pipes open, which otherwise costs seconds per test.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
wineserver -p60 </dev/null >/dev/null 2>&1
"$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
exec "$WINE" "$@"
