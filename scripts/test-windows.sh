#!/usr/bin/env bash
# Cross-builds the core and its tests for Windows into build-win32 / build-win64 and runs every
# test program once under wine: the 64-bit ones with the host's wine64, the 32-bit ones inside
# the i386 chroot. Installs what is missing first.
#   test-windows.sh [win32|win64|all]      (all by default)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="${KOLVANE_JOBS:-$(nproc)}"

triple_of() {
  case "$1" in
    win32) echo i686-w64-mingw32 ;;
    win64) echo x86_64-w64-mingw32 ;;
  esac
}

pe_format_of() {
  case "$1" in
    win32) echo pei-i386 ;;
    win64) echo pei-x86-64 ;;
  esac
}

build_target() {
  cmake -S . -B "build-$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_BUILD_UI=OFF \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$(triple_of "$1").cmake" >/dev/null &&
    cmake --build "build-$1" -j"$jobs"
}

# The 32-bit tests prove nothing about 32-bit code unless each program really is 32-bit.
check_machine_types() {
  local program format wrong=0
  format="$(pe_format_of "$1")"
  while IFS= read -r program; do
    if ! "$(triple_of "$1")-objdump" -f "$program" | grep -q "file format $format\$"; then
      echo "$1: $program is not $format" >&2
      wrong=1
    fi
  done < <(find "build-$1" -name '*.exe' -not -path '*/CMakeFiles/*')
  return $wrong
}

# Counts GoogleTest's summaries; CTest has already judged each program by them.
print_summary() {
  awk -v target="$1" '
    /^[0-9]+\/[0-9]+ Testing: / { programs++ }
    /\[  PASSED  \] [0-9]+ tests?\./ { passed += $4; summaries++ }
    /\[  FAILED  \] [0-9]+ tests?, listed below:/ { failed += $4 }
    END {
      printf "%s: %d passed, %d failed", target, passed, failed
      if (programs > summaries) printf ", %d of %d programs printed no summary", programs - summaries, programs
      printf "\n"
    }
  ' "build-$1/Testing/Temporary/LastTest.log"
}

# One fresh wine prefix per target (a 32-bit wine cannot use a 64-bit prefix), made before the
# tests start so that no test pays for it and parallel programs never race to create it.
run_tests() {
  local status=0
  WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/kolvane-wine-$1.XXXXXX")"
  export WINEPREFIX
  if scripts/wine-run.sh "$1" wineboot --init >/dev/null 2>&1; then
    ctest --test-dir "build-$1" --output-on-failure -j"$jobs" || status=$?
    print_summary "$1"
  else
    echo "$1: wine could not make its prefix" >&2
    status=1
  fi
  rm -rf "$WINEPREFIX"
  return $status
}

# Called where errexit does not apply, so every step that can fail is checked.
test_target() {
  local started=$SECONDS status=0
  build_target "$1" && check_machine_types "$1" || return 1
  echo "$1: built in $((SECONDS - started)) s"
  started=$SECONDS
  run_tests "$1" || status=$?
  echo "$1: tested in $((SECONDS - started)) s"
  return $status
}

case "${1:-all}" in
  win32 | win64) targets=("$1") ;;
  all) targets=(win32 win64) ;;
  *) echo "usage: test-windows.sh [win32|win64|all]" >&2; exit 2 ;;
esac

bash scripts/setup-windows.sh
failed=()
for target in "${targets[@]}"; do
  test_target "$target" || failed+=("$target")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows tests failed on: ${failed[*]}" >&2
  exit 1
fi
