#!/usr/bin/env bash
# Builds the program in release mode in its own folder (build-release/, only
# the program, its plugins and the package's files: no tests, no benchmarks)
# and makes the Debian package build/diduradozori_<version>_amd64.deb.
# Install it with: sudo apt install ./build/diduradozori_*_amd64.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
release=${DIDU_RELEASE_DIR:-$top/build-release}
out=${DIDU_BUILD_DIR:-$top/build}

# Debian's own compiler and linker flags: hardening (stack protector,
# fortified calls, read-only relocations) as every Debian binary has it.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$top" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DDIDU_BENCHMARKS=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  --no-warn-unused-cli >/dev/null
cmake --build "$release" -j2 --target DiduRaDozori diduradozori-transfer dbxint midas didu_package_files

rm -f "$release"/diduradozori_*.deb
(cd "$release" && fakeroot cpack -G DEB >cpack.log 2>&1) || { cat "$release/cpack.log" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/diduradozori_*_amd64.deb
mv "$release"/diduradozori_*_amd64.deb "$out"/
ls "$out"/diduradozori_*_amd64.deb
