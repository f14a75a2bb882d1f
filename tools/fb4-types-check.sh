#!/usr/bin/env bash
# The Firebird 4 column types through this machine's build (on Debian 12, its
# Firebird 3 client): starts a private Firebird 4 server out of a Debian 13 root
# on the loopback address (the root's own tools/fbserver.sh), runs
# build/bin/test_fb4types against it, and stops the server whatever the test
# did. Nothing of the root's own set-up changes: the mounts it needs are made
# in a mount namespace of this script's own and go with it.
#
#   tools/fb4-types-check.sh [ROOT]   ROOT defaults to /var/tmp/didu-trixie
#
# The root needs firebird4.0-server and firebird4.0-utils. DIDU_BUILD_DIR names
# the build (default build/), DIDU_FB4_PORT the port (default: a free one).
# DIDU_FB4_ROOT_TEST, a path inside the root to test_fb4types built there,
# runs that too (Firebird 4's client, against the server and embedded).
# DIDU_FB4_HOLD=1 only starts the server and prints how to reach it.
# Run as root: the server runs as the root's firebird user.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/root.sh"
root=${1:-$(root_default_dir 13)}
firebird=$(release_firebird 13)
build=${DIDU_BUILD_DIR:-$top/build}
test=$build/bin/test_fb4types

[ -x "$test" ] || { echo "$test is not built (cmake --build $build --target test_fb4types)" >&2; exit 1; }
[ -x "$root/usr/lib/firebird/$firebird/bin/firebird" ] ||
  { echo "no Firebird $firebird server in $root (firebird$firebird-server)" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "run as root: the server runs as the root's firebird user" >&2; exit 1; }

if [ -z "${DIDU_FB4_IN_NAMESPACE:-}" ]; then
  export DIDU_FB4_IN_NAMESPACE=1
  exec unshare --mount --propagation private "$0" "$@"
fi

free_port() {
  local p
  for p in $(shuf -i 20000-60000 -n 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
  echo "no free port on 127.0.0.1" >&2
  exit 1
}
port=${DIDU_FB4_PORT:-$(free_port)}
password=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')

# The source tree at the same path inside the root, and what the server needs.
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mkdir -p "$root$top"
mount --bind "$top" "$root$top"
# The server's folder, as the server sees it (inside the root) and as we do.
inner=$(mktemp -u /var/tmp/didu-fb4-XXXXXX)
inroot() { chroot "$root" env -u TMPDIR "$@"; }
trap 'inroot bash "$top/tools/fbserver.sh" stop "$inner" || true; rm -rf "$root$inner"' EXIT
inroot bash "$top/tools/fbserver.sh" start "$inner" "$port" "$password" >/dev/null

echo "Firebird 4 server of $root on 127.0.0.1:$port"
export DIDU_FB4_SERVER="127.0.0.1/$port:$inner/data" DIDU_FB4_PASSWORD="$password" LC_ALL=C.UTF-8
if [ -n "${DIDU_FB4_HOLD:-}" ]; then
  # For trying things by hand: the server stays until this script is ended.
  echo "DIDU_FB4_SERVER=$DIDU_FB4_SERVER DIDU_FB4_PASSWORD=$password"
  sleep infinity || true
  exit 0
fi
status=0
"$test" || status=1
if [ -n "${DIDU_FB4_ROOT_TEST:-}" ]; then
  # The same test built in the root (its path there), with Firebird 4's own
  # client library: against the same server, and embedded.
  inroot "$DIDU_FB4_ROOT_TEST" || status=1
fi
exit $status
