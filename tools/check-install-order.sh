#!/usr/bin/env bash
# Installs the package on a throw-away Debian system (tools/debian13.sh runs it
# in a scratch copy of its root) in one of two orders and has an operator run
# a whole transfer with the installed program, on an embedded demo database
# that root made, as the README's install steps have it:
#
#   tools/check-install-order.sh package-first DEB   the package, a transfer,
#       then the Firebird server installed, and a second transfer
#   tools/check-install-order.sh server-first DEB    the Firebird server, then
#       the package, and a transfer
#
# Each ends with the nightly service's command run as the service's user.
# Both start from a machine without the server and without /tmp/firebird, as
# after a boot, with systemd-tmpfiles present as on any installed Debian.
# Prints the lock folder's owner and mode after each step; fails on the first
# step that does not work.
set -euo pipefail
order=${1:?usage: check-install-order.sh package-first|server-first DEB}
deb=$(realpath "${2:?usage: check-install-order.sh package-first|server-first DEB}")
export DEBIAN_FRONTEND=noninteractive
version=$(dpkg-query -W -f='${Version}' libfbclient2 | grep -o '^[0-9]\+\.[0-9]\+')
server=firebird$version-server
work=$(mktemp -d)
. "$(dirname "$0")/lib/display.sh"
. "$(dirname "$0")/lib/demo.sh"
cleanup() {
  display_stop
  rm -rf "$work"
}
trap cleanup EXIT

step() { printf 'install-order %s: %s\n' "$order" "$*"; }
lock_folder() {
  if [ -d /tmp/firebird ]; then stat -c '/tmp/firebird %U:%G %a' /tmp/firebird; else echo "/tmp/firebird absent"; fi
}
apt_quiet() { apt-get -y -qq -o Dpkg::Use-Pty=0 "$@" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; return 1; }; }

# As a machine that never had the server.
command -v systemd-tmpfiles >/dev/null || apt_quiet install systemd-standalone-tmpfiles
if dpkg-query -W -f='${Status}' "$server" 2>/dev/null | grep -q 'ok installed'; then apt_quiet purge "$server"; fi
getent passwd firebird >/dev/null && userdel firebird
getent group firebird >/dev/null && groupdel firebird
rm -rf /tmp/firebird /var/lib/firebird/"$version"/system/security*.fdb
getent passwd ana >/dev/null || useradd --create-home ana

install_server() {
  apt_quiet install "$server" || { step "$server did not install"; exit 1; }
  step "$server installed; $(lock_folder)"
}
install_package() {
  apt_quiet install "$deb" || { step "the package did not install"; exit 1; }
  # DIDU_LOCK_BEFORE=1 takes away what the package does for the lock folder
  # (its tmpfiles entry and the firebird account when no server made it), to
  # show what each order did without it.
  if [ "${DIDU_LOCK_BEFORE:-0}" = 1 ]; then
    rm -f /usr/lib/tmpfiles.d/diduradozori.conf
    if ! dpkg-query -W -f='${Status}' "$server" 2>/dev/null | grep -q 'ok installed'; then
      userdel firebird && rm -rf /tmp/firebird
    fi
  fi
  # The group firebird owns the server's databases: nobody joins it.
  if [ -n "$(getent group firebird | cut -d: -f4)" ]; then
    step "the group firebird has members: $(getent group firebird)"
    exit 1
  fi
  usermod -a -G diduradozori ana
  step "package installed, ana joined diduradozori; $(lock_folder)"
}

# Root makes the shop's database from the packaged examples, as an
# administrator restores a backup there.
make_database() {
  local db=/var/lib/diduradozori/TORDATA.FDB
  demo_database "$db" /usr/share/doc/diduradozori/examples || { step "root could not make the database"; exit 1; }
  chgrp diduradozori "$db"
  chmod 660 "$db"
  step "root made $db; $(lock_folder)"
}

as_ana() { setpriv --reuid=ana --regid=ana --init-groups env -i HOME=/home/ana PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$@"; }
missing_members() {
  local out
  if ! out=$(echo "SELECT COUNT(*) FROM CUSTOMER C WHERE NOT EXISTS (SELECT 1 FROM MEMBER M WHERE M.MEMBER_ID = C.CUST_ID);" |
    as_ana isql-fb -q -bail -user SYSDBA /var/lib/diduradozori/TORDATA.FDB 2>&1); then
    step "ana cannot read the database: $(echo "$out" | tr '\n' ' '); $(lock_folder)" >&2
    exit 1
  fi
  echo "$out" | awk 'NF' | tail -1 | tr -d ' '
}

# The operator presses OK in the installed program's window and closes the
# completion message; the database then has a member for every customer.
transfer() {
  local before after pid
  before=$(missing_members)
  display_start 140
  # Started by exec in its subshell, so that $! is the program's own process,
  # the one its window names.
  (exec setpriv --reuid=ana --regid=ana --init-groups env -i HOME=/home/ana PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
    DISPLAY="$DISPLAY" diduradozori) >"$work/program.log" 2>&1 &
  pid=$!
  if ! window_press_ok "$pid"; then
    import -window root "$work/screen.png" 2>/dev/null && cp "$work/screen.png" "/tmp/install-order-$order.png"
    kill "$pid" 2>/dev/null || true
    cat "$work/program.log" >&2
    step "no completion message (screen in /tmp/install-order-$order.png); $(lock_folder)"
    exit 1
  fi
  timeout 30 tail --pid="$pid" -f /dev/null || kill "$pid"
  after=$(missing_members)
  [ "$after" = 0 ] || { step "customers without a member after the transfer: $after"; exit 1; }
  step "ana's transfer: customers without a member $before before, $after after; $(lock_folder)"
}

# The nightly service's command, as the service's user (its groups as
# systemd gives them), on the same database and lock folder.
nightly() {
  local out
  command -v diduradozori-transfer >/dev/null || return 0
  out=$(setpriv --reuid=diduradozori --regid=diduradozori --init-groups env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
    diduradozori-transfer --quiet 2>&1) || { step "the nightly command failed: $out"; exit 1; }
  step "the nightly command as diduradozori worked; $(lock_folder)"
}

unset DISPLAY
case "$order" in
  package-first) install_package; make_database; transfer; install_server; transfer; nightly ;;
  server-first) install_server; install_package; make_database; transfer; nightly ;;
  *) echo "usage: check-install-order.sh package-first|server-first DEB" >&2; exit 2 ;;
esac
step "works; the lock folder holds: $(stat -c '%n %U:%G %a' /tmp/firebird/* | sed 's|/tmp/firebird/||' | tr '\n' ' ')"
