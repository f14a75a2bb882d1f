#!/usr/bin/env bash
# Takes the README's two screenshots under a private Xvfb: the window as it
# opens, and the completion dialog over it after OK, on a fresh copy of the
# demo data. Writes resources/screenshots/window.png and completion.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${DIDU_BUILD_DIR:-$top/build}
bin=$build/bin
out=$top/resources/screenshots
[ -x "$bin/DiduRaDozori" ] || bash "$top/tools/build.sh"
mkdir -p "$out"

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The demo database and its configuration, found through the per-user setting.
{
  echo "CREATE DATABASE '$work/DEMO.FDB' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;"
  cat "$top/tools/sales-schema.sql" "$top/tools/demo-data.sql"
  echo "COMMIT;"
} >"$work/demo.sql"
isql-fb -q -sqldialect 3 -bail -i "$work/demo.sql" >/dev/null
printf '[Interbase]\nLibraryName=%s/libdbxint.so\nVendorLib=libfbclient.so.2\nGetDriverFunc=getSQLDriverINTERBASE\n' \
  "$bin" >"$work/dbxdrivers.ini"
printf '[Torvik]\nDriverName=Interbase\nDatabase=%s\nUser_Name=sysdba\nPassword=masterkey\nSQLDialect=3\n' \
  "$work/DEMO.FDB" >"$work/dbxconnections.ini"
mkdir -p "$work/config/dbx"
printf '[DBExpress]\nConnection Registry File=%s\nDriver Registry File=%s\n' \
  "$work/dbxconnections.ini" "$work/dbxdrivers.ini" >"$work/config/dbx/registry.ini"

for n in $(seq 140 170); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  break
done

XDG_CONFIG_HOME=$work/config LC_ALL=C.UTF-8 "$bin/DiduRaDozori" 2>/dev/null &
program_pid=$!
window=$(xdotool search --sync --all --onlyvisible --pid "$program_pid" --name '^客戶轉會員$' | head -n 1)
xdotool windowfocus --sync "$window"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
crop="${WIDTH}x${HEIGHT}+${X}+${Y}"
import -window root -crop "$crop" +repage "$out/window.png"

xdotool key Return
xdotool search --sync --all --onlyvisible --pid "$program_pid" --name '^Information$' >/dev/null
sleep 0.5
import -window root -crop "$crop" +repage "$out/completion.png"
xdotool key Return
sleep 0.3
xdotool windowfocus --sync "$window" key Escape
wait "$program_pid" || true
program_pid=""
echo "Screenshots: $out/window.png $out/completion.png"
