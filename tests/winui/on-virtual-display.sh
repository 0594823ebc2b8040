#!/usr/bin/env bash
# Runs the window tests on a virtual display of their own: COMMAND... is the program, after the
# emulator that starts it (wine) when there is one. No access control on the display, since the
# 32-bit wine runs in a chroot that sees the display's socket but not its authority file.
set -euo pipefail
export KOLVANE_WINE_SHARE="/tmp/.X11-unix${KOLVANE_WINE_SHARE:+:$KOLVANE_WINE_SHARE}"
exec xvfb-run -a -s "-screen 0 1024x768x24 -ac" "$@"
