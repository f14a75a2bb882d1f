#!/usr/bin/env bash
# Builds everything, makes (once) an embedded demo database beside the
# executable, writes the two configuration files there and starts the window.
# Press OK to turn the demo customers into members; run it again to see that a
# second pass adds nobody. Remove build/bin/DEMO.FDB to start afresh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/lib/demo.sh"
bash "$top/tools/build.sh"
bin=${DIDU_BUILD_DIR:-$top/build}/bin
database=$bin/DEMO.FDB

if [ ! -e "$database" ]; then
  # Embedded engine: the file is opened in-process, no server is needed.
  demo_database "$database"
  echo "Demo database: $database"
fi
demo_config "$bin" "$database"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is set: start $bin/DiduRaDozori from a desktop session (or set DISPLAY)." >&2
  exit 1
fi
# A desktop locale that the machine lacks (zh_TW.UTF-8 on a fresh Debian, say)
# is built once beside the demo, so the program runs as under that locale.
wanted=${LC_ALL:-${LANG:-}}
if [[ "$wanted" == *.* ]] && LC_ALL=$wanted locale charmap 2>&1 >/dev/null | grep -q "Cannot set"; then
  locales=$bin/locale
  if [ ! -e "$locales/$wanted/LC_CTYPE" ]; then
    mkdir -p "$locales"
    localedef -i "${wanted%%.*}" -f "${wanted#*.}" "$locales/$wanted" >/dev/null 2>&1 || true
  fi
  [ -e "$locales/$wanted/LC_CTYPE" ] && export LOCPATH=$locales
fi
cd "$bin"
exec ./DiduRaDozori
