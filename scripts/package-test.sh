#!/usr/bin/env bash
# Builds the Debian package, installs it, checks its desktop entry and AppStream data, runs the
# installed program as a user who cannot write beside the executable and sees it keep its tasks in
# that user's configuration folder, then removes the package. Needs root (CI runs as root).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

(cd "$build" && rm -f kolvane_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/kolvane_*.deb)
echo "Package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
apt-get install -y -qq "$deb" >/dev/null

app_id=example.kolvane.Kolvane
desktop-file-validate /usr/share/applications/$app_id.desktop
appstreamcli validate --no-net --pedantic /usr/share/metainfo/$app_id.metainfo.xml >/dev/null

user=kolvane-check
id "$user" >/dev/null 2>&1 || useradd --create-home "$user"
home=$(getent passwd "$user" | cut -d: -f6)
work=$(runuser -u "$user" -- mktemp -d)
trap 'rm -rf "$work"' EXIT
runuser -u "$user" -- sh -c "mkdir -p '$work/source' && echo kept > '$work/source/note.txt'"
config="$home/.config/kolvane"
rm -rf "$config"
runuser -u "$user" -- mkdir -p "$config"
# A task due a few seconds after the start: its run is counted in the settings file in use.
due=$(date -d '+4 seconds' +%H:%M:%S)
runuser -u "$user" -- sh -c "printf '%s\n' '[check]' 'taskName=check' \
  'taskSource=$work/source' 'taskDest=$work/dest' 'taskautoChild=0' 'taskDD=$due' \
  'useDelayM=0' 'delayM=60' > '$config/defaultSet.ini'"
runuser -u "$user" -- env HOME="$home" XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
  timeout --signal=TERM 12 /usr/bin/Kolvane || [ $? -eq 124 ]

grep -qx 'runCount=1' "$config/defaultSet.ini" ||
  { echo "the installed program did not count its run in $config/defaultSet.ini"; exit 1; }
[ "$(cat "$work/dest/note.txt")" = kept ] || { echo "the installed program copied nothing"; exit 1; }
[ ! -e /usr/bin/defaultSet.ini ] || { echo "a settings file appeared beside /usr/bin/Kolvane"; exit 1; }

apt-get remove -y -qq kolvane >/dev/null
[ ! -e /usr/bin/Kolvane ] || { echo "removing the package left /usr/bin/Kolvane"; exit 1; }
echo "Package check: installed, validated, ran, removed."
