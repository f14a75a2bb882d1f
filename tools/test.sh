#!/usr/bin/env bash
# Builds everything and runs every test. Window tests that need a real X server
# get a private Xvfb when no display is set.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/build.sh"
build=${DIDU_BUILD_DIR:-$top/build}

source "$top/tools/display.sh"
start_private_display 90

cd "$build"
ctest --output-on-failure -j2 "$@"

# After the main run (which holds the server tests, each with a private server
# on loopback): the Debian package, built in release mode and checked, every
# fuzzer for a bounded time, then the whole suite once more under
# AddressSanitizer and UndefinedBehaviorSanitizer. DIDU_QUICK=1 skips them;
# DIDU_NO_FUZZ_SANITIZE=1 keeps the package check and skips the other two (the
# second release's run in CI, where they would add nothing a compiler change
# could break that the host's run does not already show).
if [ "${DIDU_QUICK:-0}" != 1 ]; then
  bash "$top/tools/check-package.sh"
  if [ "${DIDU_NO_FUZZ_SANITIZE:-0}" != 1 ]; then
    bash "$top/tests/fuzz/run.sh" "${DIDU_FUZZ_SECONDS:-60}"
    bash "$top/tools/test-sanitized.sh"
  fi
fi
