#!/usr/bin/env bash
# Runs tools/check-least-privilege.sh in a throw-away overlay of a Debian root
# of the given release (the one tools/check-systemd.sh makes), with that
# release's package: the operator's account, the Firebird server and everything
# the check installs are gone afterwards. Needs root.
#
#   tools/least-privilege.sh 12|13 DEB
#
# DEB is the package built on that release: build/ on Debian 12
# (tools/package.sh), build-trixie/ for Debian 13 (tools/debian13.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/lib/root.sh
. "$top/tools/lib/root.sh"
release=${1:?usage: least-privilege.sh 12|13 DEB}
deb=$(realpath "${2:?usage: least-privilege.sh 12|13 DEB}")
# The bare root of tools/check-systemd.sh (minbase and systemd), made the same
# way when missing; the check installs the rest into its overlay.
dir=${DIDU_SYSTEMD_ROOT:-/var/tmp/didu-$(release_codename "$release")-systemd}
[[ $deb == "$top"/* ]] || { echo "least-privilege: $deb must lie in $top, which the root sees" >&2; exit 2; }

trap root_scratch_close EXIT
if [ ! -f "$dir/.debootstrap-done" ]; then
  bash "$top/tools/setup.sh" roots
  root_make "$release" "$dir" systemd systemd-sysv dbus
fi
root_scratch_open "$dir"
root_mount "$root_scratch/root"
# /tmp as a booted system has it, empty: the lock folder is made by the
# package, as at boot.
mount -t tmpfs tmpfs "$root_scratch/root/tmp"
root_mounts+=("$root_scratch/root/tmp")
root_run "$root_scratch/root" bash "$top/tools/check-least-privilege.sh" "$deb"
