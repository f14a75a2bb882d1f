#!/usr/bin/env bash
# Installs the package on a Debian 12 or 13 system booted with systemd and
# runs what a shop's administrator does with it (tools/check-systemd-inside.sh):
#
#   tools/check-systemd.sh RELEASE DEB NEXT_DEB
#
# RELEASE is 12 or 13, DEB the package built on that release, NEXT_DEB a later
# build of it (tools/package.sh --next) for the upgrade. The system is a
# throw-away overlay of a bare Debian root of that release
# ($DIDU_BARE_ROOT, default /var/tmp/didu-<codename>-bare, made with
# debootstrap when missing), given systemd and booted with
# systemd-nspawn --boot; every command inside runs through nsenter into the
# container's systemd, found as the child of systemd-nspawn. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: check-systemd.sh 12|13 DEB NEXT_DEB"
release=${1:?$usage}
deb=$(realpath "${2:?$usage}")
next=$(realpath "${3:?$usage}")
case "$release" in
  12) codename=bookworm ;;
  13) codename=trixie ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
bare=${DIDU_BARE_ROOT:-/var/tmp/didu-$codename-bare}
mirror=${DIDU_DEBIAN_MIRROR:-http://deb.debian.org/debian}
say() { printf 'check-systemd %s: %s\n' "$release" "$*"; }
elapsed() { echo "$(($(date +%s) - start)) s"; }
start=$(date +%s)

if [ ! -f "$bare/.debootstrap-done" ]; then
  say "debootstrap $codename into $bare"
  rm -rf "$bare"
  debootstrap --variant=minbase "$codename" "$bare" "$mirror" >"/var/tmp/didu-$codename-bare.log" 2>&1 ||
    { tail -20 "/var/tmp/didu-$codename-bare.log" >&2; exit 1; }
  touch "$bare/.debootstrap-done"
fi

scratch=$(mktemp -d "/var/tmp/didu-systemd-$release.XXXXXX")
root=$scratch/root
nspawn_pid=""
mounted=()
cleanup() {
  local status=$? i
  if [ -n "$nspawn_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
    # systemd-nspawn shuts the container down on SIGTERM; after a grace
    # period it is killed.
    kill -TERM "$nspawn_pid" 2>/dev/null || true
    timeout 60 tail --pid="$nspawn_pid" -f /dev/null || kill -KILL "$nspawn_pid" 2>/dev/null || true
  fi
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  if ((status != 0)) && [ -s "$scratch/nspawn.log" ]; then
    echo "== the container's console:" >&2
    tail -30 "$scratch/nspawn.log" >&2
  fi
  rm -rf "$scratch"
  exit "$status"
}
trap cleanup EXIT

mkdir "$scratch/upper" "$scratch/work" "$root"
mount -t overlay overlay -o "lowerdir=$bare,upperdir=$scratch/upper,workdir=$scratch/work" "$root"
mounted+=("$root")

# systemd, to boot, installed as a chroot (the only thing not installed with
# the system running). A root made for chroots may forbid starting services.
say "systemd into the root ($(elapsed))"
rm -f "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"; mounted+=("$root/proc")
cp /etc/resolv.conf "$root/etc/resolv.conf"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
  sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends systemd systemd-sysv dbus' \
  >"$scratch/chroot-apt.log" 2>&1 || { tail -20 "$scratch/chroot-apt.log" >&2; exit 1; }
umount "$root/proc"
unset 'mounted[${#mounted[@]}-1]'
# A machine id of its own, and a console that never asks for a login.
: >"$root/etc/machine-id"
mkdir -p "$root/root/check"
cp "$deb" "$root/root/check/current.deb"
cp "$next" "$root/root/check/next.deb"
cp "$top/tools/check-systemd-inside.sh" "$root/root/check/"

say "booting $codename with systemd ($(elapsed))"
systemd-nspawn --boot --register=no --keep-unit --console=passive --quiet \
  --machine="didu-check-$release" -D "$root" >"$scratch/nspawn.log" 2>&1 &
nspawn_pid=$!

# The container's systemd is the child of systemd-nspawn whose command is
# systemd, in a mount namespace other than this shell's: only that one is
# entered, so that nothing runs on this machine by mistake.
init=""
for _ in $(seq 1 100); do
  for pid in $(ps --ppid "$nspawn_pid" -o pid= 2>/dev/null); do
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = systemd ] &&
      [ "$(readlink "/proc/$pid/ns/mnt")" != "$(readlink /proc/self/ns/mnt)" ]; then
      init=$pid
    fi
  done
  [ -z "$init" ] || break
  kill -0 "$nspawn_pid" 2>/dev/null || { say "systemd-nspawn ended"; exit 1; }
  sleep 0.2
done
[ -n "$init" ] || { say "no systemd under systemd-nspawn ($nspawn_pid)"; exit 1; }
inside() { nsenter -t "$init" -a /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
# Its bus comes up a moment after it starts.
for _ in $(seq 1 100); do
  [ -S "/proc/$init/root/run/systemd/private" ] && break
  sleep 0.2
done
state=$(inside timeout 120 systemctl is-system-running --wait 2>&1) || true
say "systemd $(inside systemctl --version | head -1 | awk '{ print $2 }') is up as process $init: $state ($(elapsed))"
[ "$state" = running ] || [ "$state" = degraded ] || { say "the system did not come up: $state"; exit 1; }
[ "$state" = running ] || inside systemctl --failed --no-legend >&2 || true

inside bash /root/check/check-systemd-inside.sh "$release"
say "passed in $(elapsed)"
