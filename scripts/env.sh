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

# Ends every Wine program of this prefix and its server, and waits until
# they are gone.
corvane_end_wine() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

#   corvane_in_display [--screen WxHxD] COMMAND [ARG...]
# Runs the command, with no input, in a private virtual display (a screen of
# 1280x1024x24 unless named). The prefix's server starts inside the display
# first, so that every Wine program the command starts shows there (a server
# started without it makes later windows fail to open); Wine's programs are
# ended before the display opens and again before it closes. Returns the
# command's exit code. The command may be one of the calling script's own
# functions: xvfb-run's /bin/sh passes no exported functions on, so a
# script's functions go along as text (an interactive shell's, such as its
# completions, stay behind).
corvane_in_display() {
  local screen=1280x1024x24 functions status=0
  if [ "${1:-}" = --screen ]; then
    screen=$2
    shift 2
  fi
  if [[ $- == *i* ]]; then
    functions=$(declare -f corvane_end_wine)
  else
    functions=$(declare -f)
  fi
  corvane_end_wine
  xvfb-run -a -s "-screen 0 $screen" bash -c "$functions"'
    "$WINESERVER" -p60 </dev/null >/dev/null 2>&1
    "$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
    status=0
    "$@" || status=$?
    corvane_end_wine
    exit $status' corvane_in_display "$@" </dev/null || status=$?
  corvane_end_wine
  return $status
}
