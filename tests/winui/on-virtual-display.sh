#!/usr/bin/env bash
# Runs the window tests on a virtual display of their own: COMMAND... is the program, after the
# emulator that starts it (wine) when there is one. No access control on the display, since the
# 32-bit wine runs in a chroot that sees the display's socket but not its authority file.
# Under wine the windows also get a wine prefix of their own: a wineserver started earlier by a
# program without a display (the other tests) keeps its desktop without one, and windows made
# through it fail.
set -euo pipefail
export KOLVANE_WINE_SHARE="/tmp/.X11-unix${KOLVANE_WINE_SHARE:+:$KOLVANE_WINE_SHARE}"
if [ "$#" -gt 1 ]; then
  WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-wine-windows.XXXXXX")"
  export WINEPREFIX
  trap 'rm -rf "$WINEPREFIX"' EXIT
fi
xvfb-run -a -s "-screen 0 1024x768x24 -ac" "$@"
