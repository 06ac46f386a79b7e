#!/usr/bin/env bash
# Installs what Corvane's build and tests need on Debian 12 or 13 or Ubuntu, and
# prepares the project's own Wine prefix. Safe to run again: it only acts on
# what is missing, and a second run finishes in seconds.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/env.sh
source "$here/env.sh"

say() { printf 'setup: %s\n' "$*"; }

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  say "not root and no sudo: cannot install packages" >&2
  exit 1
fi

packages=(
  cmake ninja-build g++ make python3
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xauth x11-utils imagemagick procps
  fonts-liberation fonts-dejavu-core fonts-wine
  libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3
)
# Extra packages a caller may ask for (the fuzz script adds clang).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  # A library installed for two architectures answers with two statuses.
  status=$(dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null || true)
  grep -qx "install ok installed" <<<"$status" || missing+=("$p")
done

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture (Wine runs the 32-bit program)"
    "${SUDO[@]}" dpkg --add-architecture i386
  fi
  say "installing: ${missing[*]}"
  "${SUDO[@]}" apt-get update -q
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
else
  say "all packages present"
fi

# Re-read the Wine settings: which Wine runs here depends on what was just
# installed.
source "$here/env.sh"

# The Wine prefix: a 64-bit one (it runs 32-bit programs too wherever the
# kernel allows), with Wine's own fonts where its GDI finds
# them, replacements for the Windows fonts the dialogs ask for, and windows
# that Wine draws itself (Xvfb has no window manager).
stamp="$WINEPREFIX/.corvane-prepared-v1"
if [ "$CORVANE_WINE32" = 0 ]; then
  say "this kernel does not run 32-bit programs: Wine runs 64-bit programs only"
fi
install_fonts() {
  # Debian's Wine does not find its own fonts unless they sit in the prefix.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
}
if [ -f "$stamp" ]; then
  install_fonts
  say "Wine prefix ready at $WINEPREFIX"
  exit 0
fi

say "preparing the Wine prefix at $WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
corvane_end_wine
WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
install_fonts

reg() { "$WINE" reg add "$@" /f </dev/null >/dev/null 2>&1; }
repl='HKCU\Software\Wine\Fonts\Replacements'
reg "$repl" /v "Courier New" /t REG_SZ /d "Liberation Mono"
reg "$repl" /v "Times New Roman" /t REG_SZ /d "Liberation Serif"
reg "$repl" /v "Arial" /t REG_SZ /d "Liberation Sans"
reg "$repl" /v "Georgia" /t REG_SZ /d "DejaVu Serif"
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
wineserver -w
touch "$stamp"
say "Wine prefix prepared"
