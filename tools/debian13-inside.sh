#!/usr/bin/env bash
# The checks tools/debian13.sh runs inside its Debian 13 root: set-up, the
# build and the suite (no fuzzers, no sanitizers) in build-trixie/, the package
# with its check, then the package installed and one whole transfer by an
# operator with the installed program on an embedded demo database, and the
# lock folder with the Firebird server installed before and after the package.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export DIDU_BUILD_DIR=$top/build-trixie DIDU_RELEASE_DIR=$top/build-trixie-release
export DIDU_NO_FUZZ_SANITIZE=1 DEBIAN_FRONTEND=noninteractive
export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
section() { printf '\n== debian13: %s (%s)\n' "$1" "$(date -u +%T)"; }

section "suite"
bash "$top/tools/test.sh"

section "install order of the package and the Firebird server"
bash "$top/tools/check-install-order.sh" "$DIDU_BUILD_DIR"/diduradozori_*_amd64.deb

section "one transfer with the installed program"
bash "$top/tools/check-installed.sh" "$DIDU_BUILD_DIR"/diduradozori_*_amd64.deb
