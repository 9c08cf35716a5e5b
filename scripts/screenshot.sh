#!/usr/bin/env bash
# Takes docs/screenshot.png: the program as built in build/app, started with
# --simulator on a virtual display, a fresh settings file, main window and
# log, after fetching a patch twice ("Get Single &Patch", Alt+P).
# Needs xvfb, x11-utils, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/app/zavorin-patch-manager
[ -x "$program" ] || { echo "Build first: scripts/start.sh builds $program" >&2; exit 1; }

if [ -z "${ZPM_SCREENSHOT_INNER:-}" ]; then
  exec env ZPM_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1100x900x24" "$0" "$@"
fi

settings=$(mktemp -d)
ZPM_SETTINGS_FILE="$settings/zpm.ini" "$program" --simulator &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$settings"' EXIT
# Until the window is mapped (a poll, at most 20 s).
for _ in $(seq 200); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Zavorin Patch Manager"' && break
  sleep 0.1
done
window=$(xdotool search --name '^Zavorin Patch Manager$' | head -1)
xdotool windowfocus --sync "$window"
for _ in 1 2; do
  xdotool key --window "$window" alt+p
  sleep 1.5 # the bank selection's delay, then the dump
done
sleep 1 # let it paint
mkdir -p docs
import -window root -trim +repage -colors 64 PNG8:docs/screenshot.png
echo "docs/screenshot.png: $(identify -format '%wx%h' docs/screenshot.png)"
