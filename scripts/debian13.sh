#!/usr/bin/env bash
# Runs a command on a copy of this working tree inside a minimal Debian 13
# (trixie) system, whose Wine is 10.0: what a new user of Debian's current
# stable release meets.
#
#   scripts/debian13.sh              # ./test.sh inside it
#   scripts/debian13.sh ./run.sh     # or any other command, run in the copy
#   scripts/debian13.sh --fresh ...  # the same, building from nothing
#
# The system is made once with debootstrap (variant minbase: bash and apt,
# nothing else) from the Debian mirror this machine's own apt sources name,
# and kept in ~/.cache/corvane/debian13 (CORVANE_DEBIAN13 names another
# folder). Each run copies the working tree, committed or not, to /corvane
# inside it; the copy's build/ folder is kept between runs, so that a second
# run builds only what changed. CORVANE_DEBIAN_MIRROR names a mirror where the
# apt sources hold no Debian one (on Ubuntu, say). Needs root, or sudo.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
here=$PWD

say() { printf 'debian13: %s\n' "$*"; }

if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    say "not root and no sudo: a chroot cannot be made" >&2
    exit 1
  fi
  exec sudo --preserve-env=CORVANE_DEBIAN13,CORVANE_DEBIAN_MIRROR,XDG_CACHE_HOME HOME="$HOME" \
    "$here/scripts/debian13.sh" "$@"
fi

fresh=0
if [ "${1:-}" = --fresh ]; then
  fresh=1
  shift
fi
root=${CORVANE_DEBIAN13:-${XDG_CACHE_HOME:-$HOME/.cache}/corvane/debian13}
command=${*:-./test.sh}

# The first Debian archive among this machine's apt sources: one-line
# entries ("deb URI suite ...") and deb822 stanzas ("URIs: ...").
debian_mirror() {
  local file uri
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -r "$file" ] || continue
    uri=$(awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; exit } }' "$file" |
      grep -E '/debian/?$' | head -n 1 || true)
    [ -n "$uri" ] && { echo "${uri%/}"; return; }
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -r "$file" ] || continue
    uri=$(awk 'tolower($1) == "uris:" { for (i = 2; i <= NF; i++) print $i }' "$file" |
      grep -E '/debian/?$' | head -n 1 || true)
    [ -n "$uri" ] && { echo "${uri%/}"; return; }
  done
}

if ! command -v debootstrap >/dev/null 2>&1; then
  say "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap </dev/null ||
    { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap </dev/null; }
fi

if [ ! -f "$root/.corvane-ready" ]; then
  mirror=${CORVANE_DEBIAN_MIRROR:-$(debian_mirror)}
  if [ -z "$mirror" ]; then
    say "this machine's apt sources name no Debian mirror; set CORVANE_DEBIAN_MIRROR" >&2
    exit 1
  fi
  say "making a minimal Debian 13 in $root from $mirror (a few minutes, about 200 MB)"
  rm -rf "$root"
  mkdir -p "$root"
  debootstrap --variant=minbase trixie "$root" "$mirror"
  echo "deb $mirror trixie main" >"$root/etc/apt/sources.list"
  touch "$root/.corvane-ready"
fi

# The system's own folders, this machine's name service, and the host's
# /tmp, so that the virtual displays of both sides see each other's locks
# (X's abstract sockets are shared) and never take the same number.
mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
}
trap unmount_all EXIT
for place in /proc /sys /dev /dev/pts /dev/shm /tmp; do
  mountpoint -q "$root$place" && continue
  mkdir -p "$root$place"
  case $place in
    /proc) mount -t proc proc "$root$place" ;;
    /sys) mount -t sysfs sys "$root$place" ;;
    *) mount --bind "$place" "$root$place" ;;
  esac
  mounted+=("$root$place")
done
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

# The working tree as it is, tracked or new, but never what git ignores.
# Only files whose contents differ are copied, so that the kept build sees
# just those as changed; files gone from the tree go from the copy too.
copy=$root/corvane
mkdir -p "$copy"
[ $fresh = 0 ] || rm -rf "$copy/build"
files=$(mktemp)
git -C "$here" ls-files --cached --others --exclude-standard | while IFS= read -r f; do
  [ -f "$here/$f" ] && printf '%s\n' "$f"
done | sort >"$files"
(cd "$copy" && find . -path ./build -prune -o -type f -print | sed 's|^\./||' | sort) | comm -23 - "$files" |
  while IFS= read -r f; do rm -f "$copy/$f"; done
while IFS= read -r f; do
  if ! cmp -s "$here/$f" "$copy/$f"; then
    mkdir -p "$(dirname "$copy/$f")"
    cp "$here/$f" "$copy/$f"
  fi
done <"$files"
rm -f "$files"

say "running '$command' in a copy of the working tree on Debian 13"
status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /corvane && eval "$1"' debian13 "$command" </dev/null || status=$?
say "'$command' ended with exit code $status"
exit $status
