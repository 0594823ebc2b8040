#!/usr/bin/env bash
# Runs one program on a desktop of its own: a virtual X display on a free display number, a
# reparenting window manager and a notification-area host, each waited for with a bound; then
# tears all of it down, whatever the program did. The program's exit code is the script's.
#
#   on_desktop.sh WINDOW_MANAGER TRAY_HOST PROGRAM [ARGUMENT...]
#
# WINDOW_MANAGER is openbox; TRAY_HOST is trayer or tint2 (both XEmbed hosts). A missing tool is
# an error, never a skip: scripts/setup.sh installs them.
set -euo pipefail

readonly wm="$1" tray="$2"
shift 2
readonly deadline_seconds=20

for tool in Xvfb xprop xwininfo xdotool "$wm" "$tray"; do
  command -v "$tool" >/dev/null || { echo "on_desktop: $tool is not installed" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-desktop.XXXXXX")"
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits until the command succeeds, polling, for at most deadline_seconds.
wait_until() {
  local what="$1"
  shift
  local end=$((SECONDS + deadline_seconds))
  until "$@" >/dev/null 2>&1; do
    if ((SECONDS >= end)); then
      echo "on_desktop: $what did not come up within ${deadline_seconds}s" >&2
      return 1
    fi
    sleep 0.05
  done
}

# The tools keep their settings and caches here, not in the user's home.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
# No session bus: the tray host is the XEmbed one started here, not a StatusNotifier watcher.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY

# Xvfb picks a free display number itself and writes it once it accepts connections.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until "Xvfb" test -s "$work/display"
export DISPLAY=":$(head -n 1 "$work/display")"

"$wm" >"$work/wm.log" 2>&1 &
pids+=($!)
wait_until "$wm" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

case "$tray" in
trayer) "$tray" --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel \
  --height 24 --SetDockType true >"$work/tray.log" 2>&1 & ;;
*) "$tray" >"$work/tray.log" 2>&1 & ;;
esac
pids+=($!)
wait_until "$tray" sh -c "xwininfo -root -tree | grep -q '(\"$tray\"'"

export QT_QPA_PLATFORM=xcb KOLVANE_TEST_DESKTOP="$wm+$tray"
status=0
"$@" || status=$?
exit "$status"
