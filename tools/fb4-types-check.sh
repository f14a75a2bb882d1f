#!/usr/bin/env bash
# The Firebird 4 column types through this machine's build (on Debian 12, its
# Firebird 3 client): starts a private Firebird 4 server out of a Debian 13 root
# on the loopback address, runs build/bin/test_fb4types against it, and stops
# the server whatever the test did. Nothing of the root's own set-up changes.
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
root=${1:-/var/tmp/didu-trixie}
build=${DIDU_BUILD_DIR:-$top/build}
test=$build/bin/test_fb4types
# Debian's wrappers (in /usr/sbin, /usr/bin and the root's bin/) set FIREBIRD
# to the system's own set-up: the programs are run from fbbin instead.
fbroot=/usr/lib/x86_64-linux-gnu/firebird/4.0
fbbin=/usr/lib/firebird/4.0/bin

[ -x "$test" ] || { echo "$test is not built (cmake --build $build --target test_fb4types)" >&2; exit 1; }
[ -x "$root$fbbin/firebird" ] && [ -d "$root$fbroot" ] ||
  { echo "no Firebird 4 server in $root (firebird4.0-server)" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "run as root: the server runs as the root's firebird user" >&2; exit 1; }

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
# The server's folder, as the server sees it (inside the root) and as we do.
inner=$(mktemp -d "$root/var/tmp/didu-fb4-XXXXXX")
inner=${inner#"$root"}
dir=$root$inner
uid=$(chroot "$root" id -u firebird)
gid=$(chroot "$root" id -g firebird)
pid=
mounted=

stop_server() {
  [ -z "$mounted" ] || umount "$root/proc" || true
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap stop_server EXIT

mkdir -p "$dir/root" "$dir/data" "$dir/lock"
for f in firebird.msg intl lib; do ln -sfn "$fbroot/$f" "$dir/root/$f"; done
# The engine checks that a plugin's real path is the one it asked for: the
# plugins are linked file by file, not through a link to their folder.
cp -al "$root$fbroot/plugins" "$dir/root/plugins"
cp "$root/etc/firebird/4.0/plugins.conf" "$dir/root/plugins.conf"
cp "$root/var/lib/firebird/4.0/system/security4.fdb" "$dir/root/security4.fdb"
cat >"$dir/root/databases.conf" <<CONF
security.db = $inner/root/security4.fdb
{
    RemoteAccess = false
}
CONF
# Firebird 4's own defaults for authentication and wire encryption; only the
# address, the port and the security database are ours.
cat >"$dir/root/firebird.conf" <<CONF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $port
ServerMode = Super
SecurityDatabase = $inner/root/security4.fdb
CONF
printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" "$password" |
  chroot "$root" env FIREBIRD="$inner/root" FIREBIRD_LOCK="$inner/lock" \
    "$fbbin/isql-fb" -q -user SYSDBA "$inner/root/security4.fdb" >/dev/null
# The server's log (firebird4.0.log) goes into its root folder.
chown -R "$uid:$gid" "$dir/root/security4.fdb" "$dir/data" "$dir/lock"
chown "$uid:$gid" "$dir/root"
chmod 755 "$dir" "$dir/root"

chroot --userspec="$uid:$gid" "$root" env FIREBIRD="$inner/root" FIREBIRD_LOCK="$inner/lock" \
  "$fbbin/firebird" >"$dir/server.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || { echo "the Firebird 4 server ended:" >&2; cat "$dir/server.log" "$dir/root/firebird4.0.log" >&2 2>/dev/null; exit 1; }
  sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null ||
  { echo "the Firebird 4 server did not start:" >&2; cat "$dir/server.log" "$dir/root/firebird4.0.log" >&2 2>/dev/null; exit 1; }

echo "Firebird 4 server of $root on 127.0.0.1:$port"
export DIDU_FB4_SERVER="127.0.0.1/$port:$inner/data" DIDU_FB4_PASSWORD="$password" LC_ALL=C.UTF-8
if [ -n "${DIDU_FB4_HOLD:-}" ]; then
  # For trying things by hand: the server stays until its process is ended.
  echo "DIDU_FB4_SERVER=$DIDU_FB4_SERVER DIDU_FB4_PASSWORD=$password server pid $pid"
  wait "$pid" || true
  exit 0
fi
status=0
"$test" || status=1
if [ -n "${DIDU_FB4_ROOT_TEST:-}" ]; then
  # The same test built in the root (its path there), with Firebird 4's own
  # client library: against the same server, and embedded. The program finds
  # its plugins through /proc/self/exe.
  if [ ! -e "$root/proc/self" ]; then mount -t proc proc "$root/proc" && mounted=1; fi
  chroot "$root" env -u TMPDIR "$DIDU_FB4_ROOT_TEST" || status=1
fi
exit $status
