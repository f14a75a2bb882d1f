#!/usr/bin/env bash
# Runs CI as it runs on a new machine: a clone of this tree's HEAD in a throw-away
# overlay of a minimal Debian 12 root made with debootstrap (nothing else
# installed), then `CI=true bash .ci/run` there. A program that only this
# machine has, installed by hand, is missing there as on CI's machine.
#
#   tools/ci-on-a-new-machine.sh          .ci/run (as root; takes as long as CI)
#   tools/ci-on-a-new-machine.sh set-up   only every group of the set-up, then
#                                         tools/check-commands.sh: whether the
#                                         set-up brings every program the
#                                         scripts call (minutes, not CI's time)
#
# The clone is made from outside, so not even git is in the root: the set-up
# installs what the scripts call. The minimal root is kept in
# /var/tmp/didu-fresh-bookworm for the next run; each run starts from it as
# debootstrap left it. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/root.sh"
base=${DIDU_FRESH_ROOT:-/var/tmp/didu-fresh-bookworm}
stage=${1:-all}
case "$stage" in
  all) run='bash .ci/run' ;;
  set-up) run='bash tools/setup.sh build test package roots checks && bash tools/check-commands.sh' ;;
  *) echo "usage: ci-on-a-new-machine.sh [set-up]" >&2; exit 2 ;;
esac
var_tmp=""
cleanup() {
  root_scratch_close
  [ -z "$var_tmp" ] || rm -rf "$var_tmp"
}
trap cleanup EXIT

root_make 12 "$base"
root_scratch_open "$base"
machine=$root_scratch/root
root_mount "$machine"
# CI makes its own roots and overlays under /var/tmp; an overlay cannot be
# written on top of another, so that folder is a plain one of the host's.
var_tmp=$(mktemp -d /var/tmp/didu-fresh-var-tmp.XXXXXX)
root_bind "$var_tmp" /var/tmp "$machine"
# The systemd checks boot containers, which need the control groups.
root_bind /sys/fs/cgroup /sys/fs/cgroup "$machine"
git clone -q --no-local "$top" "$machine/ci/DiduRaDozori"
echo "ci-on-a-new-machine: $run, in a new Debian 12 root ($(git -C "$top" log -1 --format='%h %s'))"
root_run "$machine" env CI=true bash -c "cd /ci/DiduRaDozori && $run </dev/null"
