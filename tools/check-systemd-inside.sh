#!/usr/bin/env bash
# What tools/check-systemd.sh runs inside the booted Debian system, as its
# root, with the packages in /root/check (current.deb, next.deb) and the demo
# shop's and the releases' libraries (lib/demo.sh, lib/release.sh): a shop's administrator installs the package
# with apt, makes three shops' embedded databases, runs the nightly service
# and two instances of the template (sections 台北店 and "Main Street"),
# enables the timers, upgrades to the next build with an edited connection
# file, removes the package and purges it. Fails at the first step that does
# not do what the README says.
set -euo pipefail
release=${1:?usage: check-systemd-inside.sh 12|13}
export DEBIAN_FRONTEND=noninteractive
cd /root/check
say() { printf 'check-systemd %s: %s\n' "$release" "$*"; }
fail() { say "FAILED: $*"; exit 1; }
apt_do() {
  apt-get -y -q -o Dpkg::Use-Pty=0 "$@" </dev/null >apt.log 2>&1 || { cat apt.log >&2; fail "apt-get $*"; }
}
. /root/check/lib/release.sh
firebird=$(release_firebird "$release")

ini=/etc/diduradozori/dbxconnections.ini
data=/var/lib/diduradozori
taipei=$(systemd-escape '台北店')
main=$(systemd-escape 'Main Street')
timers=(diduradozori-transfer.timer "diduradozori-transfer@$taipei.timer" "diduradozori-transfer@$main.timer")
journal() { journalctl --no-pager -o cat -u "$1"; }
enabled() { systemctl is-enabled "$1" 2>/dev/null || true; }
active() { systemctl is-active "$1" 2>/dev/null || true; }
our_timers() { systemctl list-timers --all --no-pager --no-legend | grep -c diduradozori || true; }

# Installed with apt, with the release's Firebird tools to make the databases.
apt_do update
apt_do install --no-install-recommends ./current.deb "firebird$firebird-utils"
say "installed diduradozori $(dpkg-query -W -f='${Version}' diduradozori)"
[ "$(enabled diduradozori-transfer.timer)" = disabled ] || fail "the timer is $(enabled diduradozori-transfer.timer) after install"
[ "$(our_timers)" = 0 ] || fail "a timer runs after install"
[ -z "$(journal diduradozori-transfer.service)" ] || fail "the service ran at install"
[ -z "$(getent group firebird | cut -d: -f4)" ] || fail "the group firebird has members: $(getent group firebird)"
[ "$(stat -c '%U:%G %a' "$ini")" = "root:diduradozori 640" ] || fail "$ini is $(stat -c '%U:%G %a' "$ini")"
[ "$(stat -c '%U:%G %a' "$data")" = "root:diduradozori 2770" ] || fail "$data is $(stat -c '%U:%G %a' "$data")"

# Three shops' databases, as root restores them, and a section for each of
# the two shops of the chain: the administrator's edit of the conffile.
. /root/check/lib/demo.sh
make_database() {
  demo_database "$1" /usr/share/doc/diduradozori/examples || fail "isql-fb could not make $1"
  chgrp diduradozori "$1"
  chmod 660 "$1"
}
make_database "$data/TORDATA.FDB"
make_database "$data/TAIPEI.FDB"
make_database "$data/MAINST.FDB"
torvik=$(sed -n '/^\[Torvik\]/,$p' "$ini" | tail -n +2)
{
  printf '\n[台北店]\n'
  echo "$torvik" | sed "s|^Database=.*|Database=$data/TAIPEI.FDB|"
  printf '\n[Main Street]\n'
  echo "$torvik" | sed "s|^Database=.*|Database=$data/MAINST.FDB|"
} >>"$ini"
cp "$ini" edited.ini

# The nightly service, started by hand, and both shops' instances at once.
systemctl start diduradozori-transfer.service || { journal diduradozori-transfer.service >&2; fail "the service failed"; }
summary="32 customers read, 27 members added, 5 already members"
run=$(journal diduradozori-transfer.service)
grep -qx '資料轉移完成.' <<<"$run" && grep -q "^$summary, " <<<"$run" || { echo "$run" >&2; fail "the journal lacks the summary"; }
say "the journal of diduradozori-transfer.service:"
journalctl --no-pager -u diduradozori-transfer.service | sed 's/^/    /'
systemctl start "diduradozori-transfer@$taipei.service" "diduradozori-transfer@$main.service" ||
  { journal "diduradozori-transfer@$taipei.service" "diduradozori-transfer@$main.service" >&2; fail "an instance failed"; }
for unit in "diduradozori-transfer@$taipei.service" "diduradozori-transfer@$main.service"; do
  grep -q "^$summary, " <<<"$(journal "$unit")" || { journal "$unit" >&2; fail "$unit: no summary"; }
done
say "the journal of diduradozori-transfer@$taipei.service:"
journalctl --no-pager -u "diduradozori-transfer@$taipei.service" | sed 's/^/    /'
say "Main Street: $(journal "diduradozori-transfer@$main.service" | grep " customers read")"
# A second run of one shop finds every customer a member: the instances
# wrote their own databases, not the default one.
systemctl start "diduradozori-transfer@$taipei.service"
grep -q "^32 customers read, 0 members added, 32 already members, " <<<"$(journal "diduradozori-transfer@$taipei.service")" ||
  fail "the second run of 台北店 did not find every customer a member"
timeout=$(systemctl show -p TimeoutStartUSec --value diduradozori-transfer.service)
[ "$timeout" = 1h ] || fail "the start time-out is $timeout"

# Every night: the timers enabled, and listed.
systemctl enable --quiet --now "${timers[@]}"
[ "$(our_timers)" = 3 ] || { systemctl list-timers --all --no-pager >&2; fail "list-timers does not show the three timers"; }
say "enabled: $(systemctl list-timers --all --no-pager --no-legend | grep diduradozori | awk '{ print $(NF-1) }' | tr '\n' ' ')"

# The next build: the edited connection file stays as it is, without a
# question (apt has no terminal to ask on, so a question fails), and the
# enabled timers stay enabled and running.
apt_do install ./next.deb
say "upgraded to $(dpkg-query -W -f='${Version}' diduradozori)"
cmp -s edited.ini "$ini" || fail "the upgrade changed $ini"
! ls /etc/diduradozori/*.dpkg-* >/dev/null 2>&1 || fail "the upgrade left $(ls /etc/diduradozori/*.dpkg-*)"
[ "$(stat -c '%U:%G %a' "$ini")" = "root:diduradozori 640" ] || fail "after the upgrade $ini is $(stat -c '%U:%G %a' "$ini")"
for timer in "${timers[@]}"; do
  [ "$(enabled "$timer")" = enabled ] && [ "$(active "$timer")" = active ] ||
    fail "$timer is $(enabled "$timer") and $(active "$timer") after the upgrade"
done
[ "$(systemctl show -p NeedDaemonReload --value diduradozori-transfer.service)" = no ] ||
  fail "systemd was not reloaded after the upgrade"

# Removal: no timer runs any more, none is enabled, and none of the units is
# loaded.
apt_do remove diduradozori
for timer in "${timers[@]}"; do
  [ "$(active "$timer")" != active ] || fail "$timer still runs after apt remove"
done
[ "$(our_timers)" = 0 ] || { systemctl list-timers --all --no-pager >&2; fail "list-timers still shows a timer after apt remove"; }
links=$(find /etc/systemd/system -name 'diduradozori-transfer*' 2>/dev/null)
[ -z "$links" ] || fail "links left after apt remove: $links"
loaded=$(systemctl list-units --all --no-legend --plain 'diduradozori*' | grep -v 'not-found' || true)
[ -z "$loaded" ] || fail "units still loaded after apt remove: $loaded"
[ -f "$ini" ] || fail "apt remove took the configuration"
say "removed: no timer listed, enabled or loaded; the configuration kept"

# Purge: the configuration goes, the shops' databases and the accounts stay.
apt_do purge diduradozori
[ ! -e /etc/diduradozori ] || fail "/etc/diduradozori is left after purge: $(ls -A /etc/diduradozori)"
! dpkg-statoverride --list "$ini" >/dev/null || fail "the statoverride is left after purge"
members=$(echo "SELECT COUNT(*) FROM MEMBER;" | isql-fb -q -bail -user SYSDBA "$data/TORDATA.FDB" | awk 'NF' | tail -1 | tr -d ' ')
[ "$members" = 32 ] || fail "the shop's database after purge has $members members"
getent passwd diduradozori >/dev/null || fail "purge removed the user diduradozori"
say "purged: the configuration gone; $data/TORDATA.FDB kept with its $members members; the user diduradozori kept"
