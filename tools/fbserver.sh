#!/usr/bin/env bash
# Starts or stops a private Firebird server for the tests: listening on the
# loopback address only, with its own configuration, security database and
# SYSDBA password, without systemd. Nothing of the system's server set-up changes.
# It runs the engine the release provides (FIREBIRD_VERSION=3.0 or 4.0 chooses
# another where it is installed), with that engine's default authentication
# and wire encryption.
#
#   tools/fbserver.sh start DIR [PORT] [PASSWORD]   prints "PORT PASSWORD" when ready
#   tools/fbserver.sh stop DIR
#   tools/fbserver.sh available -     fails, saying why, when no server can start
#
# DIR holds the server's root (config, security database, lock files, log) and
# must be empty or absent at start. Database files the server opens must belong
# to the firebird user: put them in DIR/data, which this script makes for it.
set -euo pipefail

action=${1:?usage: fbserver.sh start|stop DIR [PORT] [PASSWORD]}
dir=${2:?usage: fbserver.sh start|stop DIR [PORT] [PASSWORD]}

# The engine of this release (tools/lib/release.sh), or the one asked for.
# Its folder is where its package put it (under the machine's multiarch
# folder). Debian 13 reaches the programs through wrappers that set FIREBIRD
# themselves, so the real binaries in /usr/lib/firebird/VERSION/bin are run;
# Debian 12's are in /usr/sbin and /usr/bin.
. "$(dirname "$0")/lib/release.sh"
find_engine() {
  local v
  v=${FIREBIRD_VERSION:-$(release_firebird "$(release_here)")}
  fbroot=$(dpkg-query -L "firebird$v-server-core" 2>/dev/null | grep '/plugins\.conf$' | head -1 || true)
  fbroot=${fbroot%/plugins.conf}
  security=/var/lib/firebird/$v/system/security${v%%.*}.fdb
  if [ -x "/usr/lib/firebird/$v/bin/firebird" ]; then
    server=/usr/lib/firebird/$v/bin/firebird isql=/usr/lib/firebird/$v/bin/isql-fb
  elif [ -x /usr/sbin/firebird ] && [ ! -L /usr/sbin/firebird ]; then
    server=/usr/sbin/firebird isql=/usr/bin/isql-fb
  else
    server=""
  fi
  if [ -z "$fbroot" ] || [ -z "$server" ] || [ ! -f "$security" ]; then
    echo "no Firebird $v server is installed (firebird$v-server)" >&2
    exit 1
  fi
}

start() {
  local port=${1:-3050} password=${2:-fernquiet} engine f
  find_engine
  engine=$(basename "$(ls "$fbroot"/plugins/libEngine[0-9]*.so)" .so)
  engine=${engine#lib}
  mkdir -p "$dir/root" "$dir/data" "$dir/lock"
  for f in firebird.msg intl lib UDF; do
    [ ! -e "$fbroot/$f" ] || ln -sfn "$fbroot/$f" "$dir/root/$f"
  done
  # Firebird 4 refuses a plugin whose file it reached through a link to
  # another folder ("Actual module name does not match requested"): the
  # plugins are hard links where the file system allows, copies elsewhere.
  cp -al "$fbroot/plugins" "$dir/root/plugins" 2>/dev/null ||
    { rm -rf "$dir/root/plugins"; cp -a "$fbroot/plugins" "$dir/root/plugins"; }
  cp "$fbroot/plugins.conf" "$dir/root/plugins.conf"
  cp "$security" "$dir/root/security.fdb"
  cat > "$dir/root/databases.conf" <<CONF
security.db = $dir/root/security.fdb
{
    RemoteAccess = false
}
CONF
  # No AuthServer or WireCrypt line: each engine's defaults (Srp on 3.0,
  # Srp256 on 4.0, encryption required) are what a shop's server has.
  cat > "$dir/root/firebird.conf" <<CONF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $port
ServerMode = Super
Providers = Remote,$engine,Loopback
SecurityDatabase = $dir/root/security.fdb
UserManager = Srp
CONF
  chown -R firebird:firebird "$dir/root/security.fdb" "$dir/data" "$dir/lock"
  chmod 755 "$dir" "$dir/root"

  # The password is set through the embedded engine, before the server runs, in
  # the server's own copy of the security database (named by path: the alias
  # would lead the engine to the system's copy).
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" "$password" |
    FIREBIRD="$dir/root" FIREBIRD_LOCK="$dir/lock" "$isql" -q -user SYSDBA "$dir/root/security.fdb" >/dev/null
  chown firebird:firebird "$dir/root/security.fdb"

  su -s /bin/sh firebird -c "FIREBIRD='$dir/root' FIREBIRD_LOCK='$dir/lock' exec '$server'" \
    >"$dir/server.log" 2>&1 &
  echo $! >"$dir/server.pid"
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port $password"
      return 0
    fi
    sleep 0.1
  done
  echo "the Firebird server did not start; see $dir/server.log" >&2
  exit 1
}

stop() {
  [ -f "$dir/server.pid" ] || return 0
  local pid
  pid=$(cat "$dir/server.pid")
  # su runs the server as its child; end both.
  pkill -TERM -P "$pid" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$dir/server.pid"
}

case "$action" in
  start) start "${3:-}" "${4:-}" ;;
  stop) stop ;;
  available) find_engine ;;
  *) echo "usage: fbserver.sh start|stop|available DIR [PORT] [PASSWORD]" >&2; exit 2 ;;
esac
