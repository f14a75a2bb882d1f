#!/usr/bin/env bash
# Builds, tests and packages the project on Debian 13 with Firebird 4, in a
# Debian 13 root made with debootstrap from Debian's own packages, then
# installs the package there and runs one whole transfer with the installed
# program. The host's build/ is never touched: the root builds into
# build-trixie/.
#
#   tools/debian13.sh          make (or reuse) the root, then run every check
#   tools/debian13.sh root     only make the root and install what setup.sh names
#   tools/debian13.sh check    only the checks, in a root made before, and the
#                              package under systemd (tools/check-systemd.sh 13)
#   tools/debian13.sh install [ORDER...]  only the package's installation
#                              (built before; tools/check-install-order.sh)
#
# The root lives in /var/tmp/didu-trixie (DIDU_ROOT_TRIXIE; DIDU_TRIXIE_ROOT
# is still read) and is kept between runs. Needs root (debootstrap, chroot,
# mount).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/root.sh"
export DIDU_ROOT_TRIXIE=${DIDU_ROOT_TRIXIE:-${DIDU_TRIXIE_ROOT:-}}
root=$(root_default_dir 13)
stage=${1:-all}
trap root_scratch_close EXIT

in_root() { root_run "$root" "$@"; }

make_root() {
  root_make 13 "$root"
  root_mount "$root"
  in_root bash "$top/tools/setup.sh"
  root_unmount
  touch "$root/.ready-fb4"
  echo "debian13: root ready: $(in_root dpkg-query -W -f='${Package} ${Version}\n' "firebird$(release_firebird 13)-server" libfbclient2 | tr '\n' ' ')"
}

check() {
  [ -f "$root/.ready-fb4" ] || { echo "debian13: no root at $root; run tools/debian13.sh root" >&2; exit 1; }
  root_mount "$root"
  in_root bash "$top/tools/debian13-inside.sh"
  root_unmount
  install_orders
  printf '\n== debian13: the package under a booted systemd (%s)\n' "$(date -u +%T)"
  bash "$top/tools/check-systemd.sh" 13
}

install_orders() {
  local deb order status
  deb=$(ls "$top"/build-trixie/diduradozori_*_amd64.deb)
  local orders=("$@")
  ((${#orders[@]})) || orders=(package-first server-first)
  for order in "${orders[@]}"; do
    printf '\n== debian13: the package and the Firebird server, %s (%s)\n' "$order" "$(date -u +%T)"
    root_scratch_open "$root"
    root_mount "$root_scratch/root"
    status=0
    root_run "$root_scratch/root" env DIDU_LOCK_BEFORE="${DIDU_LOCK_BEFORE:-0}" \
      bash "$top/tools/check-install-order.sh" "$order" "$deb" || status=$?
    root_scratch_close
    ((status == 0)) || return "$status"
  done
}

case "$stage" in
  root) make_root ;;
  check) check ;;
  install) shift; install_orders "$@" ;;
  all) make_root; check ;;
  *) echo "usage: debian13.sh [root|check|install]" >&2; exit 2 ;;
esac
