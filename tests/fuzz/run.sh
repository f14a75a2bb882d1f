#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own folder and runs each for
# a bounded time, starting from the seeds in corpus/. Prints, per target, how
# long it ran and how many inputs it tried; exits non-zero when one crashed or
# broke a property (the input that did it is left in the build folder).
#
#   tests/fuzz/run.sh [SECONDS]      default 60, or DIDU_FUZZ_SECONDS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
seconds=${1:-${DIDU_FUZZ_SECONDS:-60}}
build=${DIDU_FUZZ_BUILD_DIR:-$top/build-fuzz}

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for target in fuzz_configfile fuzz_markerscanner fuzz_datapacket; do
  mkdir -p "$work/$target"
  cp "$here/corpus/$target/"* "$work/$target/" 2>/dev/null || true
  log="$work/$target.log"
  # The wall-clock bound is a little above the fuzzer's own, so that a hung
  # input still ends the run.
  if (cd "$build" && timeout $((seconds + 120)) "./$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 "$work/$target") >"$log" 2>&1; then
    inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ran ${seconds} s, ${inputs:-?} inputs, no crash"
  else
    failed=1
    echo "$target: FAILED" >&2
    grep -E "ERROR|property broken|SUMMARY|Test unit written" "$log" >&2 || tail -20 "$log" >&2
  fi
done
exit $failed
