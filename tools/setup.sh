#!/usr/bin/env bash
# Installs the Debian packages the project needs, on Debian 12 or 13, by what
# they are needed for:
#
#   tools/setup.sh [GROUP...]        install the groups (default: build test package)
#   tools/setup.sh --list [GROUP...] print the packages of the groups, one a line
#
#   build    compile and run the program, make the demo database
#   test     the suite: GoogleTest, a Firebird server, a private X display, the
#            window's tools, the fuzzers' and sanitizers' clang
#   package  make and check the Debian package
#   roots    make Debian roots of either release and boot them with systemd
#   checks   CI's check that every command the scripts call is installed here
#
# The README's two commands and tools/package.sh need the default groups; the
# scripts that make roots ask for "roots" themselves. Each release gets the one
# Firebird it ships (tools/lib/release.sh): two engines side by side would
# fight over the same lock folder and client library. Idempotent and quiet:
# packages already present are skipped.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/release.sh"
release=$(release_here)
firebird=$(release_firebird "$release")

group_packages() {
  case "$1" in
    build) echo build-essential cmake ninja-build pkg-config \
      qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg62-turbo-dev \
      libfbclient2 firebird-dev "firebird$firebird-server-core" "firebird$firebird-utils" locales ;;
    test) echo libgtest-dev libgmock-dev "firebird$firebird-server" \
      xvfb xdotool xclip x11-utils imagemagick fonts-wqy-zenhei openbox clang ;;
    package) echo dpkg-dev debhelper lintian desktop-file-utils appstream systemd man-db imagemagick ;;
    roots) echo debootstrap systemd-container ;;
    checks) echo shfmt jq git ;;
    *) echo "setup: no group $1 (build, test, package, roots, checks)" >&2; return 1 ;;
  esac
}

list=0
if [ "${1:-}" = --list ]; then list=1; shift; fi
groups=("$@")
((${#groups[@]})) || groups=(build test package)
packages=()
for group in "${groups[@]}"; do
  read -r -a more <<<"$(group_packages "$group")"
  packages+=("${more[@]}")
done
if ((list)); then
  printf '%s\n' "${packages[@]}" | sort -u
  exit 0
fi

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
  # Another step of CI may be installing at the same moment (the roots are
  # made beside the build): wait for its lock rather than fail.
  if ((!updated)); then $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq >/dev/null; updated=1; fi
  $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"

# The sanitizers' runtime belongs to the clang that "clang" stands for on this
# release: read its version off the installed package's dependency.
if [[ " ${groups[*]} " == *" test "* ]]; then
  clang_version=$(dpkg-query -W -f='${Depends}' clang | grep -o 'clang-[0-9]\+' | head -1 | cut -d- -f2)
  [ -n "$clang_version" ] || { echo "setup: cannot tell the version of clang" >&2; exit 1; }
  install_missing "libclang-rt-$clang_version-dev"
fi
