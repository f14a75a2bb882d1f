# Sourced. Debian roots of either supported release, made with debootstrap
# from Debian's own packages, for checks that need a whole Debian system: a
# build on the other release, the package installed on a machine that never
# had it, systemd booted as the first process.
#
#   root_default_dir RELEASE       /var/tmp/didu-<codename>, or DIDU_ROOT_<CODENAME>
#   root_make RELEASE DIR [PKG...] debootstrap (minbase, plus PKG) once; kept between runs
#   root_mount DIR                 /proc, /sys, /dev and the source tree at its own path
#   root_run DIR COMMAND...        COMMAND in DIR, with a clean environment
#   root_scratch_open DIR          a throw-away overlay of DIR in $root_scratch
#   root_scratch_close             drops it
#   root_unmount                   takes off every mount made here, last first
#
# The caller owns its EXIT trap and calls root_unmount and root_scratch_close
# from it. Needs root (debootstrap, chroot, mount).

root_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root_top/tools/lib/release.sh"
root_mounts=()
root_scratch=""

root_default_dir() {
  local codename var
  codename=$(release_codename "$1") || return 1
  var=DIDU_ROOT_${codename^^}
  echo "${!var:-/var/tmp/didu-$codename}"
}

# The mirror this machine's apt already uses, so that a root comes from the
# same place as the host's packages.
root_host_uri() {
  grep -rhoE "^(URIs:|deb) +[a-z]+://[^ ]+/$1/?( |$)" /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
    head -1 | awk '{ print $2 }' || true
}

root_make() {
  local release=$1 dir=$2 codename mirror security include=""
  shift 2
  codename=$(release_codename "$release") || return 1
  [ -f "$dir/.debootstrap-done" ] && return 0
  bash "$root_top/tools/setup.sh" roots
  mirror=${DIDU_DEBIAN_MIRROR:-$(root_host_uri debian)}
  mirror=${mirror:-http://deb.debian.org/debian}
  security=$(root_host_uri debian-security)
  # A half-made root is made again, but never while something is mounted in
  # it: removing it would reach into the mounted folders.
  if grep -q " $dir/" /proc/self/mounts; then
    echo "root: $dir is half made and has mounts in it; unmount them first" >&2
    return 1
  fi
  rm -rf "$dir"
  (($#)) && include="--include=$(
    IFS=,
    echo "$*"
  )"
  echo "root: debootstrap $codename into $dir from $mirror"
  debootstrap --variant=minbase $include "$codename" "$dir" "$mirror" >"$dir.debootstrap.log" 2>&1 ||
    { tail -20 "$dir.debootstrap.log" >&2; return 1; }
  {
    echo "deb $mirror $codename main"
    echo "deb $mirror $codename-updates main"
    [ -z "$security" ] || echo "deb $security $codename-security main"
  } >"$dir/etc/apt/sources.list"
  # Services are started by the checks themselves (or by a booted systemd),
  # never by package scripts run from a chroot.
  printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
  chmod 755 "$dir/usr/sbin/policy-rc.d"
  touch "$dir/.debootstrap-done"
}

# Each mount is stacked on whatever another user of the root may have put
# there and is taken off again at the end, so runs side by side do not pull
# the floor from under each other.
root_bind() {
  mkdir -p "$3$2"
  mount --bind "$1" "$3$2"
  root_mounts+=("$3$2")
}

root_mount() {
  local into=$1
  mkdir -p "$into/proc" "$into/sys"
  mount -t proc proc "$into/proc"
  root_mounts+=("$into/proc")
  mount -t sysfs sysfs "$into/sys"
  root_mounts+=("$into/sys")
  root_bind /dev /dev "$into"
  root_bind /dev/pts /dev/pts "$into"
  # The source tree sits at the same path as on the host, so that paths in
  # logs are the same inside and out. The root keeps its own /tmp: the host's
  # /tmp/firebird belongs to another engine.
  root_bind "$root_top" "$root_top" "$into"
}

root_unmount() {
  local i
  for ((i = ${#root_mounts[@]} - 1; i >= 0; i--)); do
    umount "${root_mounts[i]}" 2>/dev/null || umount -l "${root_mounts[i]}" || true
  done
  root_mounts=()
}

root_run() {
  local into=$1
  shift
  chroot "$into" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb CI="${CI:-}" "$@"
}

# An overlay over DIR whose changes are dropped by root_scratch_close, for
# checks that install and remove packages: DIR stays as its maker left it for
# whoever else uses it.
root_scratch_open() {
  local lower=$1
  root_scratch=$(mktemp -d "$lower-scratch.XXXXXX")
  mkdir "$root_scratch/upper" "$root_scratch/work" "$root_scratch/root"
  mount -t overlay overlay -o "lowerdir=$lower,upperdir=$root_scratch/upper,workdir=$root_scratch/work" \
    "$root_scratch/root"
  root_mounts+=("$root_scratch/root")
}

root_scratch_close() {
  root_unmount
  [ -z "$root_scratch" ] || rm -rf "$root_scratch"
  root_scratch=""
}
