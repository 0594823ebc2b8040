#!/usr/bin/env bash
# Installs what is missing, builds Kolvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting Kolvane on Qt's offscreen platform; its scheduler runs, no window is shown."
  export QT_QPA_PLATFORM=offscreen
fi
exec ./build/Kolvane
