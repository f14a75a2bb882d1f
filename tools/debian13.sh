#!/usr/bin/env bash
# Builds, tests and packages the project on Debian 13 with Firebird 4, in a
# Debian 13 root made with debootstrap from Debian's own packages, then
# installs the package there and runs one whole transfer with the installed
# program. The host's build/ is never touched: the root builds into
# build-trixie/.
#
#   tools/debian13.sh          make (or reuse) the root, then run every check
#   tools/debian13.sh root     only make the root and install what setup.sh names
#   tools/debian13.sh check    only the checks, in a root made before
#   tools/debian13.sh install [ORDER...]  only the package's installation
#                              (built before; tools/check-install-order.sh)
#
# The root lives in $DIDU_TRIXIE_ROOT (default /var/tmp/didu-trixie) and is
# kept between runs. Needs root (debootstrap, chroot, mount).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${DIDU_TRIXIE_ROOT:-/var/tmp/didu-trixie}
stage=${1:-all}

# The mirror this machine's apt already uses, so that the root comes from the
# same place as the host's packages.
host_uri() {
  grep -rhoE "^(URIs:|deb) +[a-z]+://[^ ]+/$1/?( |$)" /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
    head -1 | awk '{ print $2 }' || true
}
mirror=${DIDU_DEBIAN_MIRROR:-$(host_uri debian)}
mirror=${mirror:-http://deb.debian.org/debian}
security=$(host_uri debian-security)

mounted=()
scratch=""
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  mounted=()
}
cleanup() {
  unmount_all
  [ -z "$scratch" ] || rm -rf "$scratch"
}
trap cleanup EXIT
# Each mount is stacked on whatever another user of the root may have put
# there and is taken off again at the end, so runs side by side do not pull
# the floor from under each other.
bind() {
  mkdir -p "$3$2"
  mount --bind "$1" "$3$2"
  mounted+=("$3$2")
}
mount_system() {
  local into=$1
  mkdir -p "$into/proc" "$into/sys"
  mount -t proc proc "$into/proc"; mounted+=("$into/proc")
  mount -t sysfs sysfs "$into/sys"; mounted+=("$into/sys")
  bind /dev /dev "$into"
  bind /dev/pts /dev/pts "$into"
  # The source tree sits at the same path as on the host, so that paths in
  # logs and ccache's base folder are the same inside and out. The root keeps
  # its own /tmp: the host's /tmp/firebird belongs to another engine.
  bind "$top" "$top" "$into"
}
run_in() {
  local into=$1
  shift
  chroot "$into" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb CI="${CI:-}" DIDU_LOCK_BEFORE="${DIDU_LOCK_BEFORE:-0}" "$@"
}
in_root() { run_in "$root" "$@"; }
# A throw-away copy of the root (an overlay that is dropped afterwards), for
# checks that install and remove packages: the root stays as set-up left it
# for whoever else uses it.
in_scratch() {
  scratch=$(mktemp -d /var/tmp/didu-trixie-scratch.XXXXXX)
  mkdir "$scratch/upper" "$scratch/work" "$scratch/root"
  mount -t overlay overlay -o "lowerdir=$root,upperdir=$scratch/upper,workdir=$scratch/work" "$scratch/root"
  mounted+=("$scratch/root")
  mount_system "$scratch/root"
  local status=0
  run_in "$scratch/root" "$@" || status=$?
  unmount_all
  rm -rf "$scratch"
  scratch=""
  return "$status"
}

make_root() {
  if [ ! -f "$root/.debootstrap-done" ]; then
    echo "debian13: debootstrap trixie into $root from $mirror"
    # A half-made root is made again, but never while something is mounted in
    # it: removing it would reach into the mounted folders.
    if grep -q " $root/" /proc/self/mounts; then
      echo "debian13: $root is half made and has mounts in it; unmount them first" >&2
      exit 1
    fi
    rm -rf "$root"
    debootstrap --variant=minbase trixie "$root" "$mirror" >"/var/tmp/didu-trixie-debootstrap.log" 2>&1 ||
      { tail -20 /var/tmp/didu-trixie-debootstrap.log >&2; exit 1; }
    {
      echo "deb $mirror trixie main"
      echo "deb $mirror trixie-updates main"
      [ -z "$security" ] || echo "deb $security trixie-security main"
    } >"$root/etc/apt/sources.list"
    # Services are started by the tests themselves, never by package scripts.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
    touch "$root/.debootstrap-done"
  fi
  mount_system "$root"
  in_root bash "$top/tools/setup.sh"
  unmount_all
  touch "$root/.ready-fb4"
  echo "debian13: root ready: $(in_root dpkg-query -W -f='${Package} ${Version}\n' firebird4.0-server libfbclient2 | tr '\n' ' ')"
}

check() {
  [ -f "$root/.ready-fb4" ] || { echo "debian13: no root at $root; run tools/debian13.sh root" >&2; exit 1; }
  mount_system "$root"
  in_root bash "$top/tools/debian13-inside.sh"
  unmount_all
  install_orders
}

install_orders() {
  local deb order
  deb=$(ls "$top"/build-trixie/diduradozori_*_amd64.deb)
  local orders=("$@")
  ((${#orders[@]})) || orders=(package-first server-first)
  for order in "${orders[@]}"; do
    printf '\n== debian13: the package and the Firebird server, %s (%s)\n' "$order" "$(date -u +%T)"
    in_scratch bash "$top/tools/check-install-order.sh" "$order" "$deb"
  done
}

case "$stage" in
  root) make_root ;;
  check) check ;;
  install) shift; install_orders "$@" ;;
  all) make_root; check ;;
  *) echo "usage: debian13.sh [root|check|install]" >&2; exit 2 ;;
esac
