#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix. A persistent
# wineserver started with its output detached keeps Wine's helpers from
# holding ctest's pipes open, which otherwise costs seconds per test; while
# one is running, starting another does nothing.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
if ! pgrep -f "$WINESERVER" >/dev/null 2>&1; then
  "$WINESERVER" -p60 </dev/null >/dev/null 2>&1
  "$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
fi
exec "$WINE" "$@"
