#!/usr/bin/env bash
# Builds the Debian package (tools/package.sh) and checks it without
# installing it: its files and their modes, its links, its control data,
# the menu entry, the AppStream metadata, the systemd units and lintian's
# verdict (errors fail).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/package.sh" >/dev/null
deb=$(ls "${DIDU_BUILD_DIR:-$top/build}"/diduradozori_*_amd64.deb)
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
expect "-rwxr-xr-x root/root /usr/lib/diduradozori/diduradozori-transfer  "
expect "lrwxrwxrwx root/root /usr/bin/diduradozori-transfer -> ../lib/diduradozori/diduradozori-transfer"
expect "-rw-r--r-- root/root /usr/share/man/man1/diduradozori-transfer.1.gz  "
units=(diduradozori-transfer.service diduradozori-transfer.timer diduradozori-transfer@.service diduradozori-transfer@.timer)
for unit in "${units[@]}"; do
  expect "-rw-r--r-- root/root /usr/lib/systemd/system/$unit  "
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
for dep in libqt6widgets6 libjpeg62-turbo libfbclient2 "$engine" adduser systemd-tmpfiles; do
  [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
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
    "$work/root/usr/lib/systemd/system/$unit" >"$work/units/${unit/@./@North.}"
done
grep -qx 'Persistent=true' "$work/units/diduradozori-transfer.timer" || fail "the timer does not catch up a missed night"
grep -qx 'PrivateTmp=no' "$work/units/diduradozori-transfer.service" ||
  fail "the service must share /tmp/firebird with the operators' programs"
MANPATH="$work/root/usr/share/man" systemd-analyze verify "$work"/units/* >"$work/verify" 2>&1 ||
  { cat "$work/verify" >&2; fail "systemd-analyze verify"; }
[ ! -s "$work/verify" ] || { cat "$work/verify" >&2; fail "systemd-analyze verify warns"; }
"$work/root/usr/bin/diduradozori-transfer" --version | grep -qx "diduradozori-transfer $(dpkg-deb -f "$deb" Version)" ||
  fail "diduradozori-transfer --version does not give the package's version"

desktop-file-validate "$work/root/usr/share/applications/org.diduradozori.diduradozori.desktop" ||
  fail "desktop-file-validate"
# The program has no web page: AppStream 1.0 (Debian 13) warns of that, and
# its older validator does not know the check at all.
overrides=()
[[ $(appstreamcli --version) == *"version: 0."* ]] || overrides=(--override=url-homepage-missing=info)
appstreamcli validate --no-net --pedantic "${overrides[@]}" \
  "$work/root/usr/share/metainfo/org.diduradozori.diduradozori.metainfo.xml" >"$work/appstream" 2>&1 ||
  { cat "$work/appstream" >&2; fail "appstreamcli validate"; }

# Errors fail; warnings and notes are printed for whoever reads the log.
lintian --fail-on error --display-info "$deb" >"$work/lintian" 2>&1 || fail "lintian reports errors"
grep -v '^running with root privileges' "$work/lintian" || true

((failures == 0)) || exit 1
echo "check-package: $(basename "$deb") is sound"
