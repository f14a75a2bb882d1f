#!/usr/bin/env bash
# What an operator may do once the package is installed, on a throw-away
# Debian 12 or 13 system with the release's Firebird server running as the
# system's own (its configuration, /tmp/firebird, port 3050). It makes
# accounts and starts a server: run it only inside a scratch root
# (tools/least-privilege.sh does), never on a machine in use.
#
#   tools/check-least-privilege.sh DEB
#
# The operator ana is in the group diduradozori and no other. Checked:
#   - ana runs a transfer on the shop's embedded database, and on a plain path
#     to a database the server holds (through the server), both as the
#     database user DIDU_TRANSFER with the README's grants and no more;
#   - the nightly service's user does the first, root the second;
#   - ana opens neither the server's security database nor its databases;
#   - root's gbak on the embedded database while ana's window holds it is
#     refused, and nothing is restored over it; it works once the window is
#     closed.
# Fails on the first check that does not hold.
set -euo pipefail
deb=$(realpath "${1:?usage: check-least-privilege.sh DEB}")
export DEBIAN_FRONTEND=noninteractive
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/lib/release.sh
. "$here/lib/release.sh"
version=$(release_firebird "$(release_here)")
security=/var/lib/firebird/$version/system/security${version%%.*}.fdb
shopdb=/var/lib/diduradozori/TORDATA.FDB
serverdb=/var/lib/firebird/$version/data/SHOP.FDB
sysdba=least-privilege-sysdba
transfer_password=transfer-only
work=$(mktemp -d)
# shellcheck source=tools/lib/display.sh
. "$here/lib/display.sh"
server_pid=""
window_pid=""
holder_pid=""
cleanup() {
  [ -z "$holder_pid" ] || kill "$holder_pid" 2>/dev/null || true
  [ -z "$window_pid" ] || kill "$window_pid" 2>/dev/null || true
  # The server goes before the root's overlay does: one left running holds
  # port 3050 of the machine for the next check.
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    local state
    for _ in $(seq 100); do
      state=$(cut -d' ' -f3 "/proc/$server_pid/stat" 2>/dev/null) || break
      [ "$state" != Z ] || break
      sleep 0.1
    done
    kill -KILL "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  display_stop
  rm -rf "$work"
}
trap cleanup EXIT

step() { printf 'least-privilege (Firebird %s): %s\n' "$version" "$*"; }
fail() { step "FAILED: $*"; exit 1; }
oneline() { tr '\n' ' ' | tr -s ' '; }
apt_quiet() { apt-get -y -qq -o Dpkg::Use-Pty=0 "$@" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; return 1; }; }
as() {
  local user=$1
  shift
  setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME=/tmp PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$@"
}
sql_root() { isql-fb -q -bail -user SYSDBA -password "$sysdba" "$@"; }
missing_members() {
  echo "SELECT COUNT(*) FROM CUSTOMER C WHERE NOT EXISTS (SELECT 1 FROM MEMBER M WHERE M.MEMBER_ID = C.CUST_ID);" |
    sql_root "$1" | awk 'NF' | tail -1 | tr -d ' '
}

# A bare root has none of it; the root of tools/debian13.sh has most.
apt_quiet update
apt_quiet install "$deb" "firebird$version-server" "firebird$version-utils" xvfb xdotool
getent passwd ana >/dev/null || useradd --create-home ana
usermod -a -G diduradozori ana
[ "$(id -nG ana)" = "ana diduradozori" ] || fail "ana's groups: $(id -nG ana)"
[ -z "$(getent group firebird | cut -d: -f4)" ] || fail "the group firebird has members: $(getent group firebird)"
step "package and $(dpkg-query -W -f='${Package} ${Version}' "firebird$version-server") installed; ana is in: $(id -nG ana)"

# A machine's /etc/hosts names localhost; a root made by debootstrap has none.
grep -qw localhost /etc/hosts 2>/dev/null || echo "127.0.0.1 localhost" >>/etc/hosts
# The server as its unit runs it, with a SYSDBA password set beforehand
# through root's embedded engine, as an administrator would with gsec.
printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s' USING PLUGIN Srp;\nCREATE OR ALTER USER DIDU_TRANSFER PASSWORD '%s' USING PLUGIN Srp;\nCOMMIT;\n" \
  "$sysdba" "$transfer_password" | isql-fb -q -bail -user SYSDBA "$security" >/dev/null
install -d -o firebird -g firebird "/run/firebird$version"
# The root shares the machine's network: a server that already answers there
# would be taken for this one.
listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null || (exec 3<>/dev/tcp/::1/3050) 2>/dev/null; }
listening && fail "another server answers on port 3050 of this machine; stop it first"
setpriv --reuid=firebird --regid=firebird --init-groups /usr/sbin/firebird >"$work/server.log" 2>&1 &
server_pid=$!
# It listens on localhost as the configuration says: 127.0.0.1 on Debian 12,
# ::1 on Debian 13.
for _ in $(seq 100); do listening && break; sleep 0.1; done
listening || { cat "$work/server.log" >&2; fail "the server did not start"; }

# The shop's database, embedded in the package's folder, and another that the
# server holds, each with the grants the README gives.
examples=/usr/share/doc/diduradozori/examples
grants="GRANT SELECT ON CUSTOMER TO USER DIDU_TRANSFER; GRANT SELECT, INSERT ON MEMBER TO USER DIDU_TRANSFER;"
for db in "$shopdb" "localhost:$serverdb"; do
  {
    echo "CREATE DATABASE '$db' USER 'SYSDBA' PASSWORD '$sysdba' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;"
    cat "$examples/sales-schema.sql" "$examples/demo-data.sql"
    echo "$grants COMMIT;"
  } >"$work/make.sql"
  isql-fb -q -sqldialect 3 -bail -i "$work/make.sql" >"$work/isql.log" 2>&1 || { cat "$work/isql.log" >&2; fail "root could not make $db"; }
done
chgrp diduradozori "$shopdb"
chmod 660 "$shopdb"
step "root made $shopdb ($(stat -c '%U:%G %a' "$shopdb")) and, through the server, $serverdb ($(stat -c '%U:%G %a' "$serverdb"))"

# The connection file as the README has the administrator write it.
conf=/etc/diduradozori/dbxconnections.ini
sed -i "s/^User_Name=.*/User_Name=DIDU_TRANSFER/; s/^Password=.*/Password=$transfer_password/" "$conf"
sed -n '/^\[Torvik\]/,$p' "$conf" | sed "1s/.*/[Server]/; s|^Database=.*|Database=$serverdb|" >"$work/server.ini"
cat "$work/server.ini" >>"$conf"

run_transfer() {
  local user=$1 section=$2 db=$3 out
  out=$(as "$user" diduradozori-transfer --quiet --connection "$section" 2>&1) || fail "$user's transfer on [$section]: $(echo "$out" | oneline)"
  [ "$(missing_members "$db")" = 0 ] || fail "$user's transfer on [$section] left customers without a member"
  step "$user's transfer on [$section] ($db): $(echo "$out" | tail -1)"
}
# The server holds its database meanwhile (an attachment of root's through
# it): even root's own engine may not open the file, and goes through the
# server as the operator does.
mkfifo "$work/holder"
sql_root "localhost:$serverdb" <"$work/holder" >/dev/null &
holder_pid=$!
exec 4>"$work/holder"
echo "SELECT 1 FROM RDB\$DATABASE;" >&4
run_transfer ana Torvik "$shopdb"
run_transfer ana Server "localhost:$serverdb"
sql_root "$shopdb" <<<"DELETE FROM MEMBER; COMMIT;"
sql_root "localhost:$serverdb" <<<"DELETE FROM MEMBER; COMMIT;"
run_transfer diduradozori Torvik "$shopdb"
run_transfer root Server "localhost:$serverdb"
exec 4>&-
wait "$holder_pid"
holder_pid=""

# What ana may not open: the server's files, embedded (which took SYSDBA's
# name from anyone before) or through the server without its password.
for file in "$security" "$serverdb"; do
  if as ana head -c 1 "$file" >/dev/null 2>&1; then fail "ana reads $file"; fi
  out=$(echo "SELECT COUNT(*) FROM RDB\$RELATIONS;" | as ana env ISC_USER=SYSDBA isql-fb -q -bail "$file" 2>&1) &&
    fail "ana opened $file: $(echo "$out" | oneline)"
  step "ana cannot open $file: $(echo "$out" | grep -v '^$' | head -4 | oneline)"
done

# Root's gbak while ana's window holds the embedded file: the engine refuses
# a second engine, for a backup and for a restore onto the file alike. (Not
# gbak -rep: the engine empties the file before its lock refuses, README.)
# A restore would bring the server's database, which lacks this customer.
sql_root "$shopdb" <<<"INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('HELD', 'the window holds the file'); COMMIT;"
display_start 150
# Not through as(): $! must be the program itself, whose window xdotool finds
# by its process.
setpriv --reuid=ana --regid=ana --init-groups env -i HOME=/tmp PATH=/usr/bin:/bin LC_ALL=C.UTF-8 DISPLAY="$DISPLAY" \
  diduradozori >"$work/window.log" 2>&1 &
window_pid=$!
window=$(window_of "$window_pid") || { cat "$work/window.log" >&2; fail "the window did not show"; }
# --sync waits for the focus to arrive, so Enter reaches OK.
xdotool windowfocus --sync "$window"
xdotool key Return
timeout 120 xdotool search --sync --all --onlyvisible --pid "$window_pid" --name '^Information$' >/dev/null ||
  { cat "$work/window.log" >&2; fail "no completion message in ana's window"; }
step "ana's window pressed OK and holds $shopdb"
if out=$(timeout 60 gbak -b -user SYSDBA "$shopdb" "$work/shop.fbk" 2>&1); then
  fail "root's gbak backed up the file ana's window holds"
fi
step "root's gbak -b while the window holds the file: $(echo "$out" | grep -v Exiting | oneline)"
gbak -b -user SYSDBA -password "$sysdba" "localhost:$serverdb" "$work/server.fbk" >/dev/null
size=$(stat -c %s "$shopdb")
if out=$(timeout 60 gbak -c -user SYSDBA "$work/server.fbk" "$shopdb" 2>&1); then
  fail "root's gbak restored onto the file ana's window holds"
fi
[ "$(stat -c %s "$shopdb")" = "$size" ] || fail "the held file changed size under gbak -c"
step "root's gbak -c onto it: $(echo "$out" | grep -v Exiting | head -3 | oneline)"
xdotool key Return
# The message is gone once the window has the focus back; then Esc ends it.
xdotool windowfocus --sync "$window" key Escape
timeout 30 tail --pid="$window_pid" -f /dev/null || fail "the window did not close"
window_pid=""
held=$(sql_root "$shopdb" <<<"SELECT COUNT(*) FROM MEMBER WHERE MEMBER_ID = 'HELD';" | awk 'NF' | tail -1 | tr -d ' ')
[ "$held" = 1 ] && [ "$(missing_members "$shopdb")" = 0 ] || fail "the file the window held is not the window's"
gbak -b -user SYSDBA "$shopdb" "$work/shop.fbk" || fail "root's gbak after the window closed"
step "the window's member is in the file; root's gbak -b after the window closed: $(stat -c %s "$work/shop.fbk") bytes"
step "works"
