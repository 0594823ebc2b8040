#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Kolvane. Idempotent.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6 qt6-translations-l10n
  libasio-dev googletest libgtest-dev libgmock-dev
  fonts-noto-cjk clang-format librsvg2-bin
  xvfb xauth imagemagick
  clang libfuzzer-14-dev libclang-rt-14-dev llvm-14
  # The UI tests' second run on a desktop of its own (tests/ui/support/on_desktop.sh).
  libxcb1-dev openbox trayer x11-utils xdotool
  # The reference of the incremental-copy benchmark (bench/bench_options).
  rsync
  # The Debian package and its check (scripts/package-test.sh).
  dpkg-dev file desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
