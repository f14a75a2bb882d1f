#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run, on
# Debian 12 or 13. Each release gets the one Firebird it ships (12: 3.0,
# 13: 4.0) and the clang runtime of its own default clang; two engines side by
# side would fight over the same lock folder and client library.
# Idempotent and quiet: packages already present are skipped.
set -euo pipefail

. /etc/os-release
case "${VERSION_ID:-}" in
  12) firebird=3.0 ;;
  13) firebird=4.0 ;;
  *) echo "setup: Debian 12 or 13 is needed, this is ${PRETTY_NAME:-unknown}" >&2; exit 1 ;;
esac

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libfbclient2 firebird-dev "firebird$firebird-server-core" "firebird$firebird-server" "firebird$firebird-utils"
  libjpeg62-turbo-dev libgtest-dev libgmock-dev
  xvfb xdotool xclip x11-utils imagemagick fonts-wqy-zenhei openbox locales
  clang
  dpkg-dev fakeroot lintian desktop-file-utils appstream systemd man-db
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=0
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  if ((!updated)); then $sudo apt-get update -qq >/dev/null; updated=1; fi
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"

# The sanitizers' runtime belongs to the clang that "clang" stands for on this
# release: read its version off the installed package's dependency.
clang_version=$(dpkg-query -W -f='${Depends}' clang | grep -o 'clang-[0-9]\+' | head -1 | cut -d- -f2)
[ -n "$clang_version" ] || { echo "setup: cannot tell the version of clang" >&2; exit 1; }
install_missing "libclang-rt-$clang_version-dev"
