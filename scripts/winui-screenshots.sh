#!/usr/bin/env bash
# Screenshots of the Windows program: Kolvane.exe under wine on a virtual display, in the Chinese
# locale (ANSI code page 936), with a sample defaultSet.ini written in GBK with CRLF. Writes
# main.png, editor-base.png, editor-dir.png, editor-schedule.png, editor-advanced.png and about.png.
#   winui-screenshots.sh [win32|win64|linux] [OUTPUT_DIRECTORY]
#                                            (win32; build-<target>/screenshots, build/screenshots)
# The target linux takes the same pictures of the Qt program (build/Kolvane, or the one in
# KOLVANE_LINUX_BUILD) with the same sample file and window manager, to set them side by side.
# Needs a build in build-<target> (scripts/test-windows.sh makes one) and the packages that
# scripts/setup.sh installs (Xvfb, openbox, xdotool, ImageMagick, fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:-win32}"
if [ "$target" = linux ]; then
  build="${KOLVANE_LINUX_BUILD:-build}"
  program="$build/Kolvane"
else
  build="build-$target"
  program="$build/Kolvane.exe"
fi
output="$(mkdir -p "${2:-$build/screenshots}" && cd "${2:-$build/screenshots}" && pwd)"
[ -f "$program" ] || { echo "no $program: build it first" >&2; exit 2; }

repo="$PWD"
if [ "${KOLVANE_SCREENSHOT_SESSION:-}" != 1 ]; then
work="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-screenshots.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/"
mkdir -p "$work/资料/子目录"
echo "sample" >"$work/资料/说明.txt"
echo "sample" >"$work/资料/子目录/数据.txt"
if [ "$target" = linux ]; then
  windows_path() { echo "$1"; }
else
  windows_path() { echo "Z:${1//\//\\}"; }
fi
iconv -f UTF-8 -t GBK <<EOF_INI | sed 's/$/\r/' >"$work/defaultSet.ini"
[每日备份]
taskName=每日备份
taskSource=$(windows_path "$work/资料")
taskDest=$(windows_path "$work/备份")
taskautoChild=1
taskDD=08:30:00
useDelayM=0
delayM=60
runCount=12
[单个文件]
taskName=单个文件
taskSource=$(windows_path "$work/资料/说明.txt")
taskDest=$(windows_path "$work/单个")
taskautoChild=0
taskDD=12:00:00
useDelayM=1
delayM=1
runCount=0
EOF_INI

# A prefix given from outside is used as it is, which spares making one.
export WINEPREFIX="${WINEPREFIX:-$work/prefix}"
# The 32-bit wine runs in a chroot: it sees the display's socket and the host's CJK fonts there.
export KOLVANE_WINE_SHARE="/tmp/.X11-unix:/usr/share/fonts/opentype/noto:$work"
[ "$target" = linux ] || LC_ALL=zh_CN.UTF-8 scripts/wine-run.sh "$target" wineboot --init >/dev/null 2>&1
# The same script again, inside the virtual display; without access control, since the 32-bit
# wine in its chroot cannot read the display's authority file.
KOLVANE_SCREENSHOT_SESSION=1 work="$work" xvfb-run -a -s "-screen 0 1024x768x24 -ac" \
  bash "$0" "$target" "$output"
exit 0
fi

shoot() { # shoot WINDOW-NAME FILE
  local window
  window="$(timeout 180 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)"
  [ -n "$window" ] || { echo "no window $1 on the display" >&2; exit 1; }
  sleep 1
  import -window "$window" -frame "$output/$2"
  echo "$output/$2"
}

click() { # click WINDOW-NAME X Y (client coordinates)
  local window
  window="$(xdotool search --onlyvisible --name "^$1\$" | head -1)"
  xdotool mousemove --window "$window" "$2" "$3" click 1
  sleep 1
}

session() {
  openbox >/dev/null 2>&1 &
  if [ "$target" = linux ]; then
    (cd "$work" && exec ./Kolvane) >/dev/null 2>&1 &
  else
    (cd "$work" && exec "$repo/scripts/wine-run.sh" "$target" ./Kolvane.exe) >/dev/null 2>&1 &
  fi
  shoot Kolvane3.0 main.png
  click Kolvane3.0 37 13        # "新任务"
  shoot 新任务 editor-base.png
  click 新任务 90 45             # page list entry "选择目录或文件"
  shoot 新任务 editor-dir.png
  click 新任务 90 75             # "调度设置"
  shoot 新任务 editor-schedule.png
  click 新任务 90 105            # "高级设置"
  shoot 新任务 editor-advanced.png
  click 新任务 457 351           # "关闭"
  click Kolvane3.0 278 13       # "关于"
  shoot 关于 about.png
  click 关于 253 35              # "知道了"
  # The about box's window may be gone from the list just now: one more try, then wait for the end.
  xdotool search --onlyvisible --name "^Kolvane3.0\$" windowactivate --sync key alt+F4 ||
    { sleep 2; xdotool search --onlyvisible --name "^Kolvane3.0\$" key alt+F4 || true; }
  wait "$!" || true
}

if [ "${KOLVANE_SCREENSHOT_SESSION:-}" = 1 ]; then
  session
  exit 0
fi
