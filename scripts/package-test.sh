#!/usr/bin/env bash
# Builds the Debian package, installs it, checks its desktop entry and AppStream data, runs the
# installed program as a user who cannot write beside the executable and sees it keep its tasks in
# that user's configuration folder, then removes the package. Needs root (CI runs as root).
# Usage: package-test.sh [BUILD_DIRECTORY], a configured build (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || exec sudo bash "$0" "$@"
bash scripts/setup.sh
build=$(realpath "${1:-build}")
apt_get() { env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }
fail() { echo "package check: $*" >&2; exit 1; }
is_installed() { dpkg-query -W -f='${Status}' kolvane 2>/dev/null | grep -q 'install ok installed'; }
user=kolvane-check
work=""
# A failed check leaves neither the package nor its user behind.
clean_up() {
  [ -z "$work" ] || rm -rf "$work"
  ! is_installed || apt_get remove -y -qq kolvane >/dev/null
  ! id "$user" >/dev/null 2>&1 || userdel --remove "$user" 2>/dev/null || true
}
trap clean_up EXIT

cmake --build "$build" -j2 >/dev/null
(cd "$build" && rm -f kolvane_*.deb && cpack -G DEB >/dev/null)
deb=$(basename "$(ls "$build"/kolvane_*.deb)")
echo "Package: $deb, $(stat -c %s "$build/$deb") bytes"
(cd "$build" && apt_get install -y -qq "./$deb" >/dev/null)
installed_files=$(dpkg-query -L kolvane | while read -r path; do [ -f "$path" ] && echo "$path"; done)
echo "Installed files (bytes):"
for path in $installed_files; do printf '  %9d  %s\n' "$(stat -c %s "$path")" "$path"; done

app_id=example.kolvane.Kolvane
desktop-file-validate /usr/share/applications/$app_id.desktop
appstreamcli validate --no-net --pedantic /usr/share/metainfo/$app_id.metainfo.xml >/dev/null

id "$user" >/dev/null 2>&1 || useradd --create-home "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() { runuser -u "$user" -- env HOME="$home" XDG_CONFIG_HOME= "$@"; }
! as_user test -w /usr/bin || fail "$user may write into /usr/bin"
work=$(as_user mktemp -d)
config="$home/.config/kolvane"
rm -rf "$home/.config"
# The installed program, for the given seconds, offscreen; SIGTERM ends it as a closed window.
run_installed() {
  as_user env QT_QPA_PLATFORM=offscreen timeout --signal=TERM "$1" /usr/bin/Kolvane \
    2>"$work/stderr" || [ $? -eq 124 ] || { cat "$work/stderr"; fail "the installed program failed"; }
}

# Starting alone writes nothing: the folder waits for the first write.
run_installed 3
[ ! -e "$config" ] || fail "starting the program made $config"

# A task due a few seconds after the start: the program counts its run in the file it uses.
as_user sh -c "mkdir -p '$work/source' && echo kept > '$work/source/note.txt' && mkdir -p '$config'"
due=$(date -d '+4 seconds' +%H:%M:%S)
as_user sh -c "printf '%s\n' '[check]' 'taskName=check' 'taskSource=$work/source' \
  'taskDest=$work/dest' 'taskautoChild=0' 'taskDD=$due' 'useDelayM=0' 'delayM=60' \
  > '$config/defaultSet.ini'"
run_installed 12
grep -qx 'runCount=1' "$config/defaultSet.ini" ||
  fail "the installed program did not count its run in $config/defaultSet.ini"
[ "$(cat "$work/dest/note.txt")" = kept ] || fail "the installed program copied nothing"
[ ! -e /usr/bin/defaultSet.ini ] || fail "a settings file appeared beside /usr/bin/Kolvane"

apt_get remove -y -qq kolvane >/dev/null
for path in $installed_files; do [ ! -e "$path" ] || fail "removing the package left $path"; done
! is_installed || fail "the package is still installed"
[ -f "$config/defaultSet.ini" ] || fail "removing the package took the user's settings"
echo "Package check: installed, validated, ran, removed."
