# Shared settings for the project's scripts; sourced, not run.
CORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=win64
export WINEDEBUG=-all
export WINEPREFIX="${CORVANE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/corvane/wine-prefix}"
# Wine needs a kernel that runs 32-bit Linux programs to run 32-bit Windows
# programs. Where the kernel has that turned off, only 64-bit Wine works, and
# the Wine test suite runs in its 64-bit build.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export CORVANE_WINE32=1
  WINE=/usr/bin/wine
else
  export CORVANE_WINE32=0
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
fi
export WINE
# The server itself rather than Debian's wrapper script, which asks it to end
# as soon as its last client does.
if [ -x /usr/lib/wine/wineserver64 ]; then
  WINESERVER=/usr/lib/wine/wineserver64
else
  WINESERVER=/usr/lib/wine/wineserver32
fi
export WINESERVER
