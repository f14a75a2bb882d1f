#!/usr/bin/env bash
# Builds the Debian packages (tools/package.sh) and checks them without
# installing them: the files and their modes, the links, the control data and
# the version of this release, the debug symbols, the menu entry, the
# AppStream metadata, the systemd units and lintian's verdict (an error or a
# warning fails).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/package.sh" >/dev/null
deb=$(ls "${DIDU_BUILD_DIR:-$top/build}"/diduradozori_*_amd64.deb)
dbgsym=$(ls "${DIDU_BUILD_DIR:-$top/build}"/diduradozori-dbgsym_*_amd64.deb)
. /etc/os-release
# Where this release's debhelper puts the units (Debian 13 moved them to /usr).
unitdir=/usr/lib/systemd/system
[ "$VERSION_ID" != 12 ] || unitdir=/lib/systemd/system
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

dpkg-deb -c "$deb" | awk '{ print $1, $2, $6, $7, $8 }' | sed 's|\./|/|' >"$work/contents"
expect() { grep -qxF -- "$1" "$work/contents" || fail "missing: $1"; }
expect "-rwxr-xr-x root/root /usr/lib/diduradozori/DiduRaDozori  "
expect "-rw-r--r-- root/root /usr/lib/diduradozori/libdbxint.so  "
expect "-rw-r--r-- root/root /usr/lib/diduradozori/libmidas.so  "
expect "lrwxrwxrwx root/root /usr/lib/diduradozori/dbxconnections.ini -> /etc/diduradozori/dbxconnections.ini"
expect "lrwxrwxrwx root/root /usr/lib/diduradozori/dbxdrivers.ini -> /etc/diduradozori/dbxdrivers.ini"
expect "lrwxrwxrwx root/root /usr/bin/diduradozori -> ../lib/diduradozori/DiduRaDozori"
expect "-rw-r----- root/root /etc/diduradozori/dbxconnections.ini  "
expect "-rw-r--r-- root/root /etc/diduradozori/dbxdrivers.ini  "
expect "-rw-r--r-- root/root /usr/share/applications/org.diduradozori.diduradozori.desktop  "
expect "-rw-r--r-- root/root /usr/share/metainfo/org.diduradozori.diduradozori.metainfo.xml  "
expect "-rw-r--r-- root/root /usr/share/man/man1/diduradozori.1.gz  "
expect "-rw-r--r-- root/root /usr/lib/tmpfiles.d/diduradozori.conf  "
expect "-rw-r--r-- root/root /usr/lib/sysusers.d/diduradozori.conf  "
expect "-rw-r--r-- root/root /usr/share/doc/diduradozori/changelog.Debian.gz  "
expect "-rwxr-xr-x root/root /usr/lib/diduradozori/diduradozori-transfer  "
expect "lrwxrwxrwx root/root /usr/bin/diduradozori-transfer -> ../lib/diduradozori/diduradozori-transfer"
expect "-rw-r--r-- root/root /usr/share/man/man1/diduradozori-transfer.1.gz  "
units=(diduradozori-transfer.service diduradozori-transfer.timer diduradozori-transfer@.service diduradozori-transfer@.timer)
for unit in "${units[@]}"; do
  expect "-rw-r--r-- root/root $unitdir/$unit  "
done
for size in 16 22 24 32 48 64 128 256; do
  expect "-rw-r--r-- root/root /usr/share/icons/hicolor/${size}x${size}/apps/diduradozori.png  "
done

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
grep -qx "Database=/var/lib/diduradozori/TORDATA.FDB" "$work/root/etc/diduradozori/dbxconnections.ini" ||
  fail "the connection file does not name /var/lib/diduradozori/TORDATA.FDB"
printf '/etc/diduradozori/dbxconnections.ini\n/etc/diduradozori/dbxdrivers.ini\n' |
  cmp -s - "$work/control/conffiles" || fail "conffiles: $(tr '\n' ' ' <"$work/control/conffiles")"
depends=$(dpkg-deb -f "$deb" Depends)
# The embedded engine of the release the package was built on, whose client
# library is installed here.
engine=firebird$(dpkg-query -W -f='${Version}' libfbclient2 | grep -o '^[0-9]\+\.[0-9]\+')-server-core
for dep in libqt6widgets6 libjpeg62-turbo libfbclient2 "$engine" systemd-tmpfiles "systemd | systemd-standalone-sysusers"; do
  [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done
# The release's own version: the changelog's with ~deb<release>u1, so that the
# next release's build replaces this one.
version=$(dpkg-deb -f "$deb" Version)
upstream=$(sed -n '1s/^diduradozori (\([^-]*\)-[^)]*).*/\1/p' "$top/debian/changelog")
[[ $version == "$upstream"-*"~deb${VERSION_ID}u1" ]] || fail "version $version is not $upstream-REVISION~deb${VERSION_ID}u1"
[ "$(dpkg-deb -f "$dbgsym" Version)" = "$version" ] || fail "the debug symbols' version is not $version"
# Debian's build flags (dpkg-buildflags' hardening: stack protector, fortified
# calls, full read-only relocations), and the debug symbols of both programs
# in the dbgsym package by their build ids.
debug_files=$(dpkg-deb -c "$dbgsym")
for exe in DiduRaDozori diduradozori-transfer; do
  elf=$work/root/usr/lib/diduradozori/$exe
  id=$(readelf -n "$elf" | awk '/Build ID/ { print $3 }')
  grep -q "/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug$" <<<"$debug_files" || fail "no debug symbols for $exe ($id)"
  grep -q 'BIND_NOW' <<<"$(readelf -d "$elf")" || fail "$exe is not linked with -z now"
  grep -q '__stack_chk_fail' <<<"$(readelf -s --wide "$elf")" || fail "$exe has no stack protector"
  ! grep -q '\.debug_info' <<<"$(readelf -S "$elf")" || fail "$exe is not stripped"
done
for size in 16 32 256; do
  identify -format '%wx%h\n' "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/diduradozori.png" |
    grep -qx "${size}x${size}" || fail "icon ${size}x${size} has the wrong size"
done

# The units as systemd reads them, the template under a shop's name. The
# package is not installed here, so the program they start is the extracted
# copy; the manual page they name is looked up in it too.
mkdir "$work/units"
for unit in "${units[@]}"; do
  sed "s|/usr/bin/diduradozori-transfer|$work/root/usr/bin/diduradozori-transfer|" \
    "$work/root$unitdir/$unit" >"$work/units/${unit/@./@North.}"
done
grep -qx 'Persistent=true' "$work/units/diduradozori-transfer.timer" || fail "the timer does not catch up a missed night"
grep -qx 'PrivateTmp=no' "$work/units/diduradozori-transfer.service" ||
  fail "the service must share /tmp/firebird with the operators' programs"
MANPATH="$work/root/usr/share/man" systemd-analyze verify "$work"/units/* >"$work/verify" 2>&1 ||
  { cat "$work/verify" >&2; fail "systemd-analyze verify"; }
[ ! -s "$work/verify" ] || { cat "$work/verify" >&2; fail "systemd-analyze verify warns"; }
"$work/root/usr/bin/diduradozori-transfer" --version | grep -qx "diduradozori-transfer $upstream" ||
  fail "diduradozori-transfer --version does not give the version $upstream"

desktop-file-validate "$work/root/usr/share/applications/org.diduradozori.diduradozori.desktop" ||
  fail "desktop-file-validate"
# As lintian reads it on Debian 13 (validate-tree): a warning fails there.
appstreamcli validate-tree --no-net "$work/root" >"$work/appstream" 2>&1 ||
  { cat "$work/appstream" >&2; fail "appstreamcli validate-tree"; }

# Errors and warnings fail; notes are printed for whoever reads the log.
lintian --fail-on error,warning --display-info "$deb" "$dbgsym" >"$work/lintian" 2>&1 || fail "lintian reports errors or warnings"
grep -v '^running with root privileges' "$work/lintian" || true

((failures == 0)) || exit 1
echo "check-package: $(basename "$deb") is sound"
