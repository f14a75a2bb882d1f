#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent and quiet: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-server firebird3.0-utils
  libjpeg62-turbo-dev libgtest-dev libgmock-dev
  xvfb xdotool xclip x11-utils imagemagick fonts-wqy-zenhei openbox locales
  clang libclang-rt-14-dev
  dpkg-dev fakeroot lintian desktop-file-utils appstream systemd man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >/dev/null
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
