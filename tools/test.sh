#!/usr/bin/env bash
# Builds everything and runs every test. Window tests that need a real X server
# get a private Xvfb when no display is set.
#
# DIDU_CHECKS says how far to go after the suite (which holds the server
# tests, each with a private server on loopback):
#   quick    the suite alone
#   package  and the Debian package, built in release mode and checked (the
#            second release's run in CI: the fuzzers and the sanitizers would
#            add nothing a compiler change could break that the host's run
#            does not already show)
#   full     and every fuzzer for a bounded time, then the whole suite once more
#            under AddressSanitizer and UndefinedBehaviorSanitizer (default)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/display.sh"
checks=${DIDU_CHECKS:-full}
case "$checks" in
  quick | package | full) ;;
  *) echo "DIDU_CHECKS is quick, package or full, not $checks" >&2; exit 2 ;;
esac
bash "$top/tools/build.sh"
build=${DIDU_BUILD_DIR:-$top/build}

trap display_stop EXIT
display_start 90
(cd "$build" && ctest --output-on-failure -j2 "$@")

[ "$checks" != quick ] || exit 0
bash "$top/tools/check-package.sh"
[ "$checks" != package ] || exit 0
bash "$top/tests/fuzz/run.sh" "${DIDU_FUZZ_SECONDS:-60}"
bash "$top/tools/test-sanitized.sh"
