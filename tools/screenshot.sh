#!/usr/bin/env bash
# Takes the README's two screenshots under a private Xvfb: the window as it
# opens, and the completion dialog over it after OK, on a fresh copy of the
# demo data. Writes resources/screenshots/window.png and completion.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/demo.sh"
. "$top/tools/lib/display.sh"
build=${DIDU_BUILD_DIR:-$top/build}
bin=$build/bin
out=$top/resources/screenshots
[ -x "$bin/DiduRaDozori" ] || bash "$top/tools/build.sh"
mkdir -p "$out"

work=$(mktemp -d)
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  display_stop
  rm -rf "$work"
}
trap cleanup EXIT

# The demo database and its configuration, found through the per-user setting.
demo_database "$work/DEMO.FDB"
demo_config "$work" "$work/DEMO.FDB" "$bin/libdbxint.so"
mkdir -p "$work/config/dbx"
printf '[DBExpress]\nConnection Registry File=%s\nDriver Registry File=%s\n' \
  "$work/dbxconnections.ini" "$work/dbxdrivers.ini" >"$work/config/dbx/registry.ini"

unset DISPLAY
display_start 140
XDG_CONFIG_HOME=$work/config LC_ALL=C.UTF-8 "$bin/DiduRaDozori" 2>/dev/null &
program_pid=$!
window=$(window_of "$program_pid")
xdotool windowfocus --sync "$window"
# The window paints once it is mapped and focused; a moment lets the last
# paint land before the picture is taken.
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
crop="${WIDTH}x${HEIGHT}+${X}+${Y}"
import -window root -crop "$crop" +repage "$out/window.png"

xdotool key Return
xdotool search --sync --all --onlyvisible --pid "$program_pid" --name '^Information$' >/dev/null
sleep 0.5
import -window root -crop "$crop" +repage "$out/completion.png"
xdotool key Return
xdotool windowfocus --sync "$window" key Escape
wait "$program_pid" || true
program_pid=""
echo "Screenshots: $out/window.png $out/completion.png"
