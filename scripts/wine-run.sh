#!/usr/bin/env bash
# Runs one Windows program under wine: win64 with the host's wine64, win32 with the 32-bit wine
# of the i386 chroot that scripts/setup-windows.sh makes, so 32-bit code runs as 32-bit code.
#   wine-run.sh win32|win64 PROGRAM [ARGUMENT...]
# KOLVANE_WINE_SHARE (colon-separated directories) is what the 32-bit program sees of the host,
# at the same paths; the program's own directory and the working directory always are.
# WINEPREFIX defaults to a folder per user and target under the temporary directory.
# Programs run in the Chinese system locale of the machines the program serves, so the ANSI code
# page is 936; wine takes it from the locale's name, which need not be installed.
# Wine reports a program it could not start with status 0, so callers judge the program's own
# output; a non-zero status is also printed, for callers that match text only.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/windows-env.sh
source "$here/windows-env.sh"

target="${1:?usage: wine-run.sh win32|win64 PROGRAM [ARGUMENT...]}"
shift
[ $# -gt 0 ] || { echo "usage: wine-run.sh win32|win64 PROGRAM [ARGUMENT...]" >&2; exit 2; }

export WINEDEBUG=-all
# Wine mirrors every shortcut a program writes (the Startup entry, the installer's Start-menu
# entry) into the host's desktop menus, and holds the shortcut open meanwhile, so that removing
# it right after fails at random. Neither belongs to a test run.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/kolvane-wine-$(id -u)-$target}"
mkdir -p "$WINEPREFIX"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo --preserve-env=WINEDEBUG,WINEDLLOVERRIDES,WINEPREFIX "$@"; fi
}

directories_to_share() {
  local program_directory
  program_directory="$(cd "$(dirname "$1")" 2>/dev/null && pwd)" || program_directory=""
  printf '%s\n' "$PWD" "$WINEPREFIX" ${program_directory:+"$program_directory"}
  tr ':' '\n' <<<"${KOLVANE_WINE_SHARE:-}"
}

# Inside a private mount namespace: the mounts vanish with the last process in it, wineserver
# included, so nothing stays mounted on the host.
run_in_chroot() {
  if [ ! -e "$KOLVANE_CHROOT/$KOLVANE_CHROOT_READY" ]; then
    echo "wine-run: no i386 chroot in $KOLVANE_CHROOT; run scripts/setup-windows.sh" >&2
    exit 2
  fi
  local shares
  shares="$(directories_to_share "$1" | grep -v '^$' | sort -u | tr '\n' ':')"
  as_root unshare --mount bash -ec '
    root="$1" shares="$2"; shift 2
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    IFS=: read -ra directories <<<"$shares"
    for directory in "${directories[@]}"; do
      [ -d "$directory" ] || continue
      mkdir -p "$root$directory"
      mount --bind "$directory" "$root$directory"
    done
    status=0
    chroot "$root" /usr/bin/env --chdir="$PWD" LC_ALL=zh_CN.UTF-8 /usr/lib/wine/wine "$@" ||
      status=$?
    chroot "$root" /usr/lib/wine/wineserver -w
    exit $status
  ' run-in-chroot "$KOLVANE_CHROOT" "$shares" "$@"
}

run_on_host() {
  LC_ALL=zh_CN.UTF-8 /usr/lib/wine/wine64 "$@"
  local status=$?
  /usr/lib/wine/wineserver -w
  return $status
}

case "$target" in
  win32) run_in_chroot "$@" ;;
  win64) run_on_host "$@" ;;
  *) echo "wine-run: unknown target $target (win32 or win64)" >&2; exit 2 ;;
esac
status=$?
[ $status -eq 0 ] || echo "wine-run: exit status $status"
exit $status
