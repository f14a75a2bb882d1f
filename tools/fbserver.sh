#!/usr/bin/env bash
# Starts or stops a private Firebird 3 server for the tests: listening on the
# loopback address only, with its own configuration, security database and
# SYSDBA password, without systemd. Nothing of the system's server set-up changes.
#
#   tools/fbserver.sh start DIR [PORT] [PASSWORD]   prints "PORT PASSWORD" when ready
#   tools/fbserver.sh stop DIR
#
# DIR holds the server's root (config, security database, lock files, log) and
# must be empty or absent at start. Database files the server opens must belong
# to the firebird user: put them in DIR/data, which this script makes for it.
set -euo pipefail

fbroot=/usr/lib/x86_64-linux-gnu/firebird/3.0
action=${1:?usage: fbserver.sh start|stop DIR [PORT] [PASSWORD]}
dir=${2:?usage: fbserver.sh start|stop DIR [PORT] [PASSWORD]}

start() {
  local port=${1:-3050} password=${2:-fernquiet}
  command -v /usr/sbin/firebird >/dev/null || { echo "firebird3.0-server is not installed" >&2; exit 1; }
  mkdir -p "$dir/root" "$dir/data" "$dir/lock"
  for f in firebird.msg intl lib plugins UDF; do ln -sfn "$fbroot/$f" "$dir/root/$f"; done
  cp "$fbroot/plugins.conf" "$dir/root/plugins.conf"
  cp /var/lib/firebird/3.0/system/security3.fdb "$dir/root/security3.fdb"
  cat > "$dir/root/databases.conf" <<CONF
security.db = $dir/root/security3.fdb
{
    RemoteAccess = false
}
CONF
  cat > "$dir/root/firebird.conf" <<CONF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $port
ServerMode = Super
SecurityDatabase = $dir/root/security3.fdb
AuthServer = Srp
UserManager = Srp
WireCrypt = Enabled
CONF
  chown -R firebird:firebird "$dir/root/security3.fdb" "$dir/data" "$dir/lock"
  chmod 755 "$dir" "$dir/root"

  # The password is set through the embedded engine, before the server runs, in
  # the server's own copy of the security database (named by path: the alias
  # would lead the engine to the system's copy).
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" "$password" |
    FIREBIRD="$dir/root" FIREBIRD_LOCK="$dir/lock" isql-fb -q -user SYSDBA "$dir/root/security3.fdb" >/dev/null
  chown firebird:firebird "$dir/root/security3.fdb"

  su -s /bin/sh firebird -c "FIREBIRD='$dir/root' FIREBIRD_LOCK='$dir/lock' exec /usr/sbin/firebird" \
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
  *) echo "usage: fbserver.sh start|stop DIR [PORT] [PASSWORD]" >&2; exit 2 ;;
esac
