#!/usr/bin/env bash
# What tools/debian13.sh runs inside its Debian 13 root: set-up, the build and
# the suite (no fuzzers, no sanitizers) in build-trixie/, then the package,
# built in build-trixie-release/ with this release's dependencies, and its check,
# and the next build of the package for tools/check-systemd.sh's upgrade.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export DIDU_BUILD_DIR=$top/build-trixie DIDU_RELEASE_DIR=$top/build-trixie-release
export DIDU_CHECKS=package
printf '\n== debian13: build, suite and package (%s)\n' "$(date -u +%T)"
bash "$top/tools/test.sh"
bash "$top/tools/package.sh" --next
