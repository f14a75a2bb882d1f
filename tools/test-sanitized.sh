#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (DIDU_SANITIZE) into build-asan and runs it. Any report fails the test that
# made it. Extra arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
build=${DIDU_ASAN_BUILD_DIR:-$top/build-asan}
cmake -S "$top" -B "$build" -G Ninja -DDIDU_SANITIZE=ON -DDIDU_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

# Leak checking is off: Firebird's client and engine, fontconfig and Qt keep
# process-lifetime allocations that the checker would report at every exit.
# Everything else (overflows, use after free, double free, UB) stays fatal.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:detect_odr_violation=0:check_initialization_order=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The slow reliability tests run smaller here: the code paths are the same.
export DIDU_CRASH_CUSTOMERS=${DIDU_CRASH_CUSTOMERS:-4000}
export DIDU_RACE_CUSTOMERS=${DIDU_RACE_CUSTOMERS:-3000}

. "$top/tools/lib/display.sh"
trap display_stop EXIT
display_start 121

cd "$build"
ctest --output-on-failure -j2 "$@"
