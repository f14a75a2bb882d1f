#!/usr/bin/env bash
# Builds everything and runs every test. Window tests that need a real X server
# get a private Xvfb when no display is set.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/build.sh"
build=${DIDU_BUILD_DIR:-$top/build}

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
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

# After the main run (which holds the server tests, each with a private server
# on loopback): every fuzzer for a bounded time, then the whole suite once more
# under AddressSanitizer and UndefinedBehaviorSanitizer. DIDU_QUICK=1 skips both.
if [ "${DIDU_QUICK:-0}" != 1 ]; then
  bash "$top/tests/fuzz/run.sh" "${DIDU_FUZZ_SECONDS:-60}"
  bash "$top/tools/test-sanitized.sh"
fi
