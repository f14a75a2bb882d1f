#!/usr/bin/env bash
# Installs the package on a Debian 12 or 13 system booted with systemd and
# runs what a shop's administrator does with it (tools/check-systemd-inside.sh):
#
#   tools/check-systemd.sh RELEASE [DEB NEXT_DEB]
#   tools/check-systemd.sh root RELEASE    only make the root (CI makes it
#                                          while the build runs)
#
# RELEASE is 12 or 13, DEB the package built on that release, NEXT_DEB a later
# build of it for the upgrade (default: those tools/package.sh and
# tools/package.sh --next made, in build/ on Debian 12 and, through
# tools/debian13.sh, in build-trixie/ for 13). The system is a throw-away
# overlay of a bare Debian root of that release with systemd
# (/var/tmp/didu-<codename>-systemd, or DIDU_SYSTEMD_ROOT; made once with
# tools/lib/root.sh), booted with systemd-nspawn --boot; every command inside
# runs through nsenter into the container's systemd, found as the child of
# systemd-nspawn. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/root.sh"
usage="usage: check-systemd.sh [root] 12|13 [DEB NEXT_DEB]"
only_root=0
if [ "${1:-}" = root ]; then only_root=1; shift; fi
release=${1:?$usage}
codename=$(release_codename "$release")
bare=${DIDU_SYSTEMD_ROOT:-/var/tmp/didu-$codename-systemd}
say() { printf 'check-systemd %s: %s\n' "$release" "$*"; }
elapsed() { echo "$(($(date +%s) - start)) s"; }
start=$(date +%s)

if [ ! -f "$bare/.debootstrap-done" ]; then
  say "making the root $bare"
  bash "$top/tools/setup.sh" roots
  root_make "$release" "$bare" systemd systemd-sysv dbus
  say "root made in $(elapsed)"
fi
((only_root == 0)) || exit 0

builds=$top/build
[ "$release" = 12 ] || builds=$top/build-$codename
deb=$(realpath "${2:-$(ls "$builds"/diduradozori_*_amd64.deb)}")
next=$(realpath "${3:-$(ls "$builds"/next/diduradozori_*_amd64.deb)}")

nspawn_pid=""
cleanup() {
  local status=$?
  if [ -n "$nspawn_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
    # systemd-nspawn shuts the container down on SIGTERM; after a grace
    # period it is killed.
    kill -TERM "$nspawn_pid" 2>/dev/null || true
    timeout 60 tail --pid="$nspawn_pid" -f /dev/null || kill -KILL "$nspawn_pid" 2>/dev/null || true
  fi
  if ((status != 0)) && [ -n "$root_scratch" ] && [ -s "$root_scratch/nspawn.log" ]; then
    echo "== the container's console:" >&2
    tail -30 "$root_scratch/nspawn.log" >&2
  fi
  root_scratch_close
  exit "$status"
}
trap cleanup EXIT

root_scratch_open "$bare"
root=$root_scratch/root
# The root was made for chroots, where services must not start; booted, they
# do. A machine id of its own, made at boot.
rm -f "$root/usr/sbin/policy-rc.d"
: >"$root/etc/machine-id"
mkdir -p "$root/root/check/lib"
cp "$top/tools/lib/demo.sh" "$top/tools/lib/release.sh" "$root/root/check/lib/"
cp "$deb" "$root/root/check/current.deb"
cp "$next" "$root/root/check/next.deb"
cp "$top/tools/check-systemd-inside.sh" "$root/root/check/"

say "booting $codename with systemd ($(elapsed))"
systemd-nspawn --boot --register=no --keep-unit --console=passive --quiet \
  --machine="didu-check-$release" -D "$root" >"$root_scratch/nspawn.log" 2>&1 &
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
