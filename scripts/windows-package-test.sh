#!/usr/bin/env bash
# Packs the 32-bit Windows program and checks the packages: the installer kolvane-setup.exe
# (makensis around build-win32/Kolvane.exe, stripped) and the portable zip (Kolvane.exe alone), in
# build-win32/packages. The installer is run silently under the 32-bit wine of the i386 chroot in
# a wine prefix of its own, then its uninstaller; each step is judged by the files and registry
# keys it leaves, since wine's exit status says nothing. Prints the sizes of what is installed.
#   windows-package-test.sh [BUILD_DIRECTORY]      (build-win32 by default)
# Run scripts/test-windows.sh win32 (or all) first: it builds the program. Installs what is
# missing (NSIS, zip, the chroot) through scripts/setup-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-windows.sh

started=$SECONDS

fail() {
  echo "windows-package-test: $*" >&2
  exit 1
}

build="${1:-build-win32}"
[ -d "$build" ] || fail "no $build: run scripts/test-windows.sh win32 first"
build="$(cd "$build" && pwd)"
program="$build/Kolvane.exe"
packages="$build/packages"

[ -f "$program" ] || fail "no $program: run scripts/test-windows.sh win32 first"
i686-w64-mingw32-objdump -f "$program" | grep -q 'file format pei-i386$' ||
  fail "$program is not a 32-bit Windows program"
version="$(sed -n 's/^project(Kolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || fail "no version in CMakeLists.txt"

rm -rf "$packages"
mkdir -p "$packages/staging"
# Users get the program without its debugging information, as from the Debian package.
shipped="$packages/staging/Kolvane.exe"
i686-w64-mingw32-strip -o "$shipped" "$program"
installer="$packages/kolvane-setup.exe"
portable="$packages/kolvane-$version-win32.zip"

# ---- the packages ---------------------------------------------------------------------------

# Warnings are errors: a page or string that NSIS drops would otherwise pass unseen.
makensis -V2 -WX -DKOLVANE_EXE="$shipped" -DOUTFILE="$installer" -DVERSION="$version" \
  resources/windows/kolvane.nsi
zip -q -X -j "$portable" "$shipped"
listing="$(unzip -Z1 "$portable")"
[ "$listing" = "Kolvane.exe" ] || fail "the zip holds $(tr '\n' ' ' <<<"$listing")instead of Kolvane.exe alone"
unzip -p "$portable" Kolvane.exe | cmp -s - "$shipped" || fail "the zipped Kolvane.exe differs from $shipped"

# ---- a wine prefix of the test's own --------------------------------------------------------

WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-wine-package.XXXXXX")"
export WINEPREFIX
trap 'rm -rf "$WINEPREFIX"' EXIT
scripts/wine-run.sh win32 wineboot --init >/dev/null 2>&1 || true
[ -f "$WINEPREFIX/system.reg" ] || fail "wine could not make its prefix"

drive="$WINEPREFIX/drive_c"
install_directory="$drive/Program Files/Kolvane"
start_menu_entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Kolvane.lnk"
uninstall_key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kolvane]'
user_home="$(find "$drive/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
[ -n "$user_home" ] || fail "the prefix has no user folder"
user_settings="$user_home/AppData/Roaming/Kolvane/defaultSet.ini"
user_programs="$user_home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"

has_uninstall_key() {
  grep -qF "$uninstall_key" "$WINEPREFIX/system.reg"
}

install_silently() {
  scripts/wine-run.sh win32 "$installer" /S >/dev/null 2>&1 || true
  [ -f "$install_directory/Kolvane.exe" ] || fail "the installer left no $install_directory/Kolvane.exe"
  cmp -s "$install_directory/Kolvane.exe" "$shipped" || fail "the installed Kolvane.exe differs from $shipped"
  [ -f "$install_directory/uninstall.exe" ] || fail "the installer left no uninstaller"
  [ -f "$start_menu_entry" ] || fail "the installer made no Start-menu entry"
  has_uninstall_key || fail "the installer wrote no entry in the list of installed programs"
  # Wine makes the user's folders as programs first ask for them, and spells this one StartUp.
  user_login_entry="$(find "$user_programs" -maxdepth 1 -type d -iname startup | head -n 1)/Kolvane.lnk"
  [ "$user_login_entry" != /Kolvane.lnk ] || fail "the prefix has no Startup folder"
}

check_uninstalled() {
  [ ! -e "$install_directory/uninstall.exe" ] || fail "the uninstaller left itself"
  [ ! -e "$install_directory/Kolvane.exe" ] || fail "the uninstaller left Kolvane.exe"
  [ ! -e "$start_menu_entry" ] || fail "the uninstaller left the Start-menu entry"
  [ ! -e "$user_login_entry" ] || fail "the uninstaller left the user's start at login"
  ! has_uninstall_key || fail "the uninstaller left its entry in the list of installed programs"
}

# As the list of installed programs starts it: the uninstaller copies itself to the temporary
# folder, starts the copy and returns at once. wine-run.sh waits for every process of the prefix
# to end; the wait below for its file to go covers a wine that does not. Under wine the copy
# cannot remove the folder then, even empty: the file of the uninstaller it was started from
# stays until that one has ended, which is after the copy's last step.
uninstall_from_its_folder() {
  scripts/wine-run.sh win32 "$install_directory/uninstall.exe" /S >/dev/null 2>&1 || true
  local waited=0
  while [ -e "$install_directory/uninstall.exe" ] && [ $waited -lt 60 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  check_uninstalled
}

# What that copy is started with, done by hand: a copy elsewhere, told the folder with _?=. It runs
# to its end before wine-run.sh returns, and no uninstaller runs from the folder. _?= must be the
# command line's last word, unquoted whatever its spaces, so cmd hands the line on as it stands.
uninstall_from_a_copy() {
  mkdir -p "$drive/uninstaller-copy"
  cp "$install_directory/uninstall.exe" "$drive/uninstaller-copy/uninstall.exe"
  scripts/wine-run.sh win32 cmd /c \
    'C:\uninstaller-copy\uninstall.exe /S _?=C:\Program Files\Kolvane' >/dev/null 2>&1 || true
  rm -rf "$drive/uninstaller-copy"
  check_uninstalled
}

# ---- install, then uninstall with the user's settings in %APPDATA% --------------------------

install_silently
echo "Installed (bytes):"
find "$install_directory" "$start_menu_entry" -type f -printf '%10s  %p\n' | sed "s|$drive/|C:/|"
settings="$WINEPREFIX/defaultSet.ini"
printf '[daily]\r\ntaskName=daily\r\ntaskSource=C:\\data\r\ntaskDest=D:\\backup\r\n' >"$settings"
mkdir -p "$(dirname "$user_settings")"
cp "$settings" "$user_settings"
: >"$user_login_entry"
uninstall_from_a_copy
[ ! -e "$install_directory" ] || fail "the uninstaller left $install_directory"
cmp -s "$user_settings" "$settings" || fail "the uninstaller changed the user's settings"
echo "Uninstalled: the program, its Start-menu entry, the user's start at login and its list entry are gone; %APPDATA%\\Kolvane\\defaultSet.ini is kept"

# ---- a copy whose settings were written beside it keeps them --------------------------------

install_silently
cp "$settings" "$install_directory/defaultSet.ini"
: >"$user_login_entry"
uninstall_from_its_folder
[ "$(ls -A "$install_directory")" = "defaultSet.ini" ] ||
  fail "after uninstalling, $install_directory holds $(ls -A "$install_directory" | tr '\n' ' ')"
cmp -s "$install_directory/defaultSet.ini" "$settings" || fail "the uninstaller changed the settings beside the program"
echo "Uninstalled from its own folder, beside settings written by the program: only defaultSet.ini stays"

echo "Packages:"
find "$packages" -maxdepth 1 -type f -printf '%10s  %f\n'
echo "windows-package-test: passed in $((SECONDS - started)) s"
