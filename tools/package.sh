#!/usr/bin/env bash
# Builds the Debian packages for the release this machine runs (Debian 12 or
# 13) from debian/ with dpkg-buildpackage: Debian's build flags, no tests, no
# benchmarks, and the debug symbols in a package of their own. The build runs
# in a copy of the sources in build-release/ (dpkg-buildpackage writes into
# the folder above the sources), and the packages land in build/:
#   build/diduradozori_<version>_amd64.deb
#   build/diduradozori-dbgsym_<version>_amd64.deb
# with <version> such as 1.0.0-1~deb12u1. Install the first with
#   sudo apt install ./build/diduradozori_*_amd64.deb
# DEB_BUILD_OPTIONS is passed on (parallel=2 unless it says otherwise).
#
#   tools/package.sh --next   the last build's packages one Debian revision
#       on (1.0.0-2~deb12u1 after 1.0.0-1~deb12u1), as an update would ship
#       them, in build/next/: a changelog entry in the build's copy of the
#       sources and the packages made again from what was built there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
release=${DIDU_RELEASE_DIR:-$top/build-release}
out=${DIDU_BUILD_DIR:-$top/build}
case " ${DEB_BUILD_OPTIONS:-} " in
  *" parallel="*) ;;
  *) export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=2" ;;
esac

if [ "${1:-}" = --next ]; then
  [ -f "$release/src/debian/changelog" ] || { echo "package: no build in $release to follow; run tools/package.sh first" >&2; exit 1; }
  out=$out/next
  current=$(dpkg-parsechangelog -l "$release/src/debian/changelog" -S Version)
  following=${current%-*}-$((${current##*-} + 1))
  {
    echo "diduradozori ($following) unstable; urgency=medium"
    echo
    echo "  * Rebuilt, as an update of $current."
    echo
    echo " -- $(dpkg-parsechangelog -l "$release/src/debian/changelog" -S Maintainer)  $(date -R)"
    echo
    cat "$release/src/debian/changelog"
  } >"$release/changelog.next"
  mv "$release/changelog.next" "$release/src/debian/changelog"
  clean=-nc
else
  rm -rf "$release"
  mkdir -p "$release/src"
  # The sources without build folders or the repository's history.
  tar -C "$top" --exclude=./.git --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$release/src" -xf -
  clean=
fi
mkdir -p "$out"
(cd "$release/src" && dpkg-buildpackage -b -us -uc $clean >"$release/build.log" 2>&1) ||
  { tail -60 "$release/build.log" >&2; echo "package: dpkg-buildpackage failed; the whole log is $release/build.log" >&2; exit 1; }

rm -f "$out"/diduradozori_*_amd64.deb "$out"/diduradozori-dbgsym_*_amd64.deb
mv "$release"/diduradozori_*_amd64.deb "$release"/diduradozori-dbgsym_*_amd64.deb "$out"/
echo "package: built in $release (log: $release/build.log):"
ls "$out"/diduradozori_*_amd64.deb "$out"/diduradozori-dbgsym_*_amd64.deb
