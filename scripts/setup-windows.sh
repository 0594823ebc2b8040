#!/usr/bin/env bash
# Installs what the Windows cross-builds, their test runs and their packages (NSIS, zip) need, and
# makes the i386 Debian 12 chroot whose wine runs the 32-bit tests as genuine 32-bit code (the
# host stays amd64 only).
# Idempotent; run as root or through sudo.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/windows-env.sh
source "$here/windows-env.sh"

packages=(
  cmake make googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64
  nsis zip unzip
  debootstrap
  locales
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  local missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
}

# The chroot is fetched from the mirror the host already uses, the only one CI may reach.
mirror_in_one_line_sources() { # deb [options] URI suite components
  awk -v suite="$KOLVANE_CHROOT_SUITE" '
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) { print $i; exit }
    }' "$1"
}

mirror_in_deb822_sources() { # stanzas of "Key: value" lines, separated by blank lines
  awk -v suite="$KOLVANE_CHROOT_SUITE" '
    function check() {
      if (!done && (" " types " ") ~ / deb / && (" " suites " ") ~ (" " suite " ") &&
          enabled != "no" && uris != "") { split(uris, u, " "); print u[1]; done = 1 }
      types = suites = uris = enabled = ""
    }
    /^[[:space:]]*$/ { check(); next }
    $1 == "Types:" { $1 = ""; types = $0 }
    $1 == "Suites:" { $1 = ""; suites = $0 }
    $1 == "URIs:" { $1 = ""; uris = $0 }
    $1 == "Enabled:" { enabled = tolower($2) }
    END { check() }' "$1"
}

host_debian_mirror() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    case "$file" in
      *.sources) mirror_in_deb822_sources "$file" ;;
      *) mirror_in_one_line_sources "$file" ;;
    esac
  done | head -n 1
}

# A chroot left half-made by an interrupted run is removed, never trusted.
remove_unfinished_chroot() {
  [ -e "$KOLVANE_CHROOT/$KOLVANE_CHROOT_READY" ] && return 0
  [ -d "$KOLVANE_CHROOT" ] || return 0
  echo "Removing the unfinished chroot $KOLVANE_CHROOT"
  if findmnt -rn -o TARGET | grep -q "^$KOLVANE_CHROOT/"; then
    echo "error: something is still mounted below $KOLVANE_CHROOT" >&2
    exit 1
  fi
  as_root rm -rf --one-file-system "$KOLVANE_CHROOT"
}

make_i386_chroot() {
  [ -e "$KOLVANE_CHROOT/$KOLVANE_CHROOT_READY" ] && return 0
  local mirror
  mirror="$(host_debian_mirror)"
  if [ -z "$mirror" ]; then
    echo "error: no Debian mirror for $KOLVANE_CHROOT_SUITE found in the host's apt sources" >&2
    exit 1
  fi
  echo "Making the i386 $KOLVANE_CHROOT_SUITE chroot in $KOLVANE_CHROOT from $mirror"
  as_root mkdir -p "$(dirname "$KOLVANE_CHROOT")"
  as_root debootstrap --arch=i386 --variant=minbase "$KOLVANE_CHROOT_SUITE" \
    "$KOLVANE_CHROOT" "$mirror" >/dev/null
  # A private mount namespace drops its mounts again even if this script is interrupted.
  as_root unshare --mount sh -ec '
    mount -t proc proc "$1/proc"
    mount --rbind /dev "$1/dev"
    chroot "$1" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    chroot "$1" env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends wine wine32 >/dev/null
    chroot "$1" apt-get clean
  ' sh "$KOLVANE_CHROOT"
  as_root touch "$KOLVANE_CHROOT/$KOLVANE_CHROOT_READY"
}

# Wine takes the ANSI code page from the locale and its file-name encoding from the locale's
# character set, so the tests need the Chinese UTF-8 locale compiled, on the host for the 64-bit
# wine and in the chroot for the 32-bit one: code page 936 as on the systems the program serves,
# with names of any character on disk.
has_chinese_locale() { # [chroot]
  ${1:+chroot "$1"} locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'
}

add_chinese_locale() {
  if ! has_chinese_locale; then
    echo "Compiling the zh_CN.UTF-8 locale"
    as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
  fi
  has_chinese_locale "$KOLVANE_CHROOT" && return 0
  echo "Compiling the zh_CN.UTF-8 locale in $KOLVANE_CHROOT"
  # The chroot's own localedef, reading the host's locale sources for the time it runs.
  as_root unshare --mount sh -ec '
    mkdir -p "$1/usr/share/i18n"
    mount --bind /usr/share/i18n "$1/usr/share/i18n"
    chroot "$1" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
  ' sh "$KOLVANE_CHROOT"
}

install_missing_packages
remove_unfinished_chroot
make_i386_chroot
add_chinese_locale
