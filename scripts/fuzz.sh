#!/usr/bin/env bash
# Builds the fuzz targets with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-fuzz
# and runs each for a bounded time: scripts/fuzz.sh [seconds per target, default 30].
# Every target with a seed corpus in tests/fuzz/corpus/<target>/ is run. A crash, a leak, a
# sanitizer report, a hang or a violated property fails the script; the input that caused it is
# kept in build-fuzz/fuzzing/<target>/ and the target's log is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

bash scripts/setup.sh
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKOLVANE_FUZZ=ON -DKOLVANE_BUILD_UI=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=()
for seeds in tests/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  work="build-fuzz/fuzzing/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  # New inputs go to the work corpus; the seeds in the repository are only read.
  if "build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds" >"$work/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s (${speed:-?}/s), no finding"
  else
    echo "fuzz_$target: FINDING; the log follows, the input is in $work/"
    tail -n 60 "$work/log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}"
  exit 1
fi
