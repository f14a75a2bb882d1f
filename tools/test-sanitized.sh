#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (DIDU_SANITIZE) into build-asan and runs it. Any report fails the test that
# made it. Extra arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
build=${DIDU_ASAN_BUILD_DIR:-$top/build-asan}
cmake -S "$top" -B "$build" -G Ninja -DDIDU_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

# Leak checking is off: Firebird's client and engine, fontconfig and Qt keep
# process-lifetime allocations that the checker would report at every exit.
# Everything else (overflows, use after free, double free, UB) stays fatal.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:detect_odr_violation=0:check_initialization_order=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The slow reliability tests run smaller here: the code paths are the same.
export DIDU_CRASH_CUSTOMERS=${DIDU_CRASH_CUSTOMERS:-4000}
export DIDU_RACE_CUSTOMERS=${DIDU_RACE_CUSTOMERS:-3000}

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 121 150); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

cd "$build"
ctest --output-on-failure -j2 "$@"
