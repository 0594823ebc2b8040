#!/usr/bin/env bash
# Acceptance run of the Windows program: Kolvane.exe under wine on a virtual display, in the
# Chinese locale (ANSI code page 936), beside a defaultSet.ini written in GBK with CRLF that holds
# three tasks with Chinese names: a tree due a few seconds after start into the time-named
# sub-directory, a single file, and a tree every minute. The Linux program runs the same tasks
# offscreen at the same time, into a directory of its own. Once the minute task has run twice,
# the script takes a screenshot of the Windows main window, closes both programs and checks:
#   - the Windows program copied what the Linux program copied, and what the sources hold;
#   - the run counts were written back in GBK with CRLF, the same bytes as the Linux program's.
# Prints what it checked and exits non-zero when a check fails. Takes about a minute and a half.
#   winui-acceptance.sh [win32|win64] [OUTPUT_DIRECTORY]   (win32 and build-win32/acceptance)
# Needs build-<target>/Kolvane.exe (scripts/test-windows.sh makes it), build/Kolvane (the Linux
# build; KOLVANE_LINUX_BUILD names another) and the packages of scripts/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:-win32}"
output="$(mkdir -p "${2:-build-$target/acceptance}" && cd "${2:-build-$target/acceptance}" && pwd)"
program="build-$target/Kolvane.exe"
linux_program="${KOLVANE_LINUX_BUILD:-build}/Kolvane"
[ -f "$program" ] || { echo "no $program: build it first (scripts/test-windows.sh $target)" >&2; exit 2; }
[ -x "$linux_program" ] || { echo "no $linux_program: build the Linux program first" >&2; exit 2; }
repo="$PWD"

if [ "${KOLVANE_ACCEPTANCE_SESSION:-}" != 1 ]; then
  # The runs are due later today: a start just before midnight would find them tomorrow.
  if [ "$(date +%H%M)" -ge 2357 ]; then
    echo "too close to midnight for runs due later today; try again after 00:00" >&2
    exit 2
  fi
  work="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-acceptance.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/windows" "$work/linux" "$work/资料/子目录/更深" "$work/单个"
  cp "$program" "$work/windows/"
  cp "$linux_program" "$work/linux/"
  echo "说明" >"$work/资料/说明.txt"
  echo "数据" >"$work/资料/子目录/数据.txt"
  head -c 300000 /dev/urandom >"$work/资料/子目录/更深/图片.bin"
  echo "报告" >"$work/单个/报告.txt"

  export WINEPREFIX="${WINEPREFIX:-$work/prefix}"
  # The 32-bit wine runs in a chroot: it sees the display's socket, the host's CJK fonts and the
  # work directory there.
  export KOLVANE_WINE_SHARE="/tmp/.X11-unix:/usr/share/fonts/opentype/noto:$work"
  LC_ALL=zh_CN.UTF-8 scripts/wine-run.sh "$target" wineboot --init >/dev/null 2>&1
  status=0
  KOLVANE_ACCEPTANCE_SESSION=1 work="$work" xvfb-run -a -s "-screen 0 1024x768x24 -ac" \
    bash "$0" "$target" "$output" || status=$?
  exit $status
fi

failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok:   $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

windows_path() { echo "Z:${1//\//\\}"; }

# write_settings FILE PATH-FUNCTION DUE HOME: the three tasks, due at DUE, copying into HOME,
# in GBK with CRLF line ends.
write_settings() {
  local file="$1" path="$2" due="$3" home="$4"
  iconv -f UTF-8 -t GBK <<EOF_INI | sed 's/$/\r/' >"$file"
[每日备份]
taskName=每日备份
taskSource=$($path "$work/资料")
taskDest=$($path "$home/备份/每日")
taskautoChild=1
taskDD=$due
useDelayM=0
delayM=60
runCount=0
[单个文件]
taskName=单个文件
taskSource=$($path "$work/单个/报告.txt")
taskDest=$($path "$home/备份/单个")
taskautoChild=0
taskDD=$due
useDelayM=0
delayM=60
runCount=0
[每分钟]
taskName=每分钟
taskSource=$($path "$work/资料")
taskDest=$($path "$home/备份/每分钟")
taskautoChild=0
taskDD=$due
useDelayM=1
delayM=1
runCount=0
EOF_INI
}
posix_path() { echo "$1"; }

# run_count FILE SECTION: the section's runCount as the file holds it.
run_count() {
  iconv -f GBK -t UTF-8 "$1" | tr -d '\r' |
    awk -v section="[$2]" '/^\[/ { inside = ($0 == section) } inside && /^runCount=/ { sub(/^runCount=/, ""); print }'
}

wait_for_counts() { # both files show two runs of the minute task; at most 150 s
  local deadline=$((SECONDS + 150))
  while [ $SECONDS -lt $deadline ]; do
    if [ "$(run_count "$work/windows/defaultSet.ini" 每分钟)" = 2 ] &&
      [ "$(run_count "$work/linux/defaultSet.ini" 每分钟)" = 2 ]; then
      return 0
    fi
    sleep 1
  done
  return 1
}

# The files of a tree with their contents' digests, by relative path.
tree_digest() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

# Settings without the lines that hold paths, which differ between the systems.
settings_without_paths() { grep -av '^task\(Source\|Dest\)=' "$1"; }

every_line_ends_in_crlf() {
  local lines
  lines="$(wc -l <"$1")"
  [ "$lines" -gt 0 ] && [ "$(grep -c $'\r$' "$1")" = "$lines" ] && [ -z "$(tail -c 1 "$1" | tr -d '\n')" ]
}

openbox >/dev/null 2>&1 &
written=$SECONDS
due="$(date -d '+15 seconds' +%H:%M:%S)"
write_settings "$work/windows/defaultSet.ini" windows_path "$due" "$work/windows"
write_settings "$work/linux/defaultSet.ini" posix_path "$due" "$work/linux"
echo "runs due at $due (the minute task again a minute later)"
(cd "$work/windows" && exec "$repo/scripts/wine-run.sh" "$target" ./Kolvane.exe) >"$work/wine.log" 2>&1 &
wine_pid=$!
(cd "$work/linux" && QT_QPA_PLATFORM=offscreen exec ./Kolvane) >"$work/linux.log" 2>&1 &
linux_pid=$!

window="$(timeout 60 xdotool search --sync --onlyvisible --name '^Kolvane3.0$' | head -1)" || true
[ -n "$window" ] || { echo "FAIL: no Windows main window on the display"; cat "$work/wine.log"; exit 1; }
echo "Windows main window up $((SECONDS - written)) s after the settings were written"
check "the minute task ran twice in both programs" wait_for_counts
sleep 3 # the last copies and their completion lines
import -window "$window" -frame "$output/acceptance-main.png"
echo "screenshot: $output/acceptance-main.png"

xdotool windowactivate --sync "$window" key alt+F4 2>/dev/null || true
timeout 30 tail --pid="$wine_pid" -f /dev/null || { echo "FAIL: the Windows program did not end"; failures=$((failures + 1)); }
kill -TERM "$linux_pid" 2>/dev/null || true
wait "$linux_pid" 2>/dev/null || true

win_ini="$work/windows/defaultSet.ini"
linux_ini="$work/linux/defaultSet.ini"
echo "run counts (Windows): 每日备份=$(run_count "$win_ini" 每日备份) 单个文件=$(run_count "$win_ini" 单个文件) 每分钟=$(run_count "$win_ini" 每分钟)"
check "run counts 1, 1 and 2" test "$(run_count "$win_ini" 每日备份)/$(run_count "$win_ini" 单个文件)/$(run_count "$win_ini" 每分钟)" = 1/1/2
check "the settings file is still GBK: valid GBK" iconv -f GBK -t UTF-8 -o /dev/null "$win_ini"
check "the settings file is still GBK: not UTF-8" bash -c '! iconv -f UTF-8 -t UTF-8 -o /dev/null "$1" 2>/dev/null' _ "$win_ini"
check "every line of the settings file ends in CR LF" every_line_ends_in_crlf "$win_ini"
check "the settings file, paths aside, has the Linux program's bytes" \
  cmp -s <(settings_without_paths "$win_ini") <(settings_without_paths "$linux_ini")
echo "bytes of the section headers and run counts the Windows program left:"
grep -a -e '^\[' -e '^runCount=' "$win_ini" | od -An -tx1 -c

echo "copied by the Windows program:"
(cd "$work/windows/备份" && find . | sort)
subdirectories=("$work/windows/备份/每日"/*)
check "one time-named sub-directory" test ${#subdirectories[@]} = 1 -a -d "${subdirectories[0]}"
check "its name is yyyymmdd-hhnnss of the run" \
  test "$(basename "${subdirectories[0]}")" = "$(date +%Y%m%d)-${due//:/}"
check "the tree task copied the source tree" \
  cmp -s <(tree_digest "$work/资料") <(tree_digest "${subdirectories[0]}")
check "the minute task copied the source tree" \
  cmp -s <(tree_digest "$work/资料") <(tree_digest "$work/windows/备份/每分钟")
check "the single-file task copied its file" cmp -s "$work/单个/报告.txt" "$work/windows/备份/单个/报告.txt"
check "the Windows program copied what the Linux program copied" \
  cmp -s <(tree_digest "$work/windows/备份") <(tree_digest "$work/linux/备份")

if [ $failures -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "all checks passed"
