#!/usr/bin/env bash
# Takes docs/viewer.png and docs/viewer-parameters.png (the patch viewer's
# two tabs over a patch fetched from the simulator) and docs/random.png (the SID random page): the program as built
# in build/dev (or the folder given), started with --simulator on a virtual
# display with a fresh settings file.
# Needs xvfb, x11-utils, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/dev}/zavorin-patch-manager
[ -x "$program" ] || { echo "Build $program first" >&2; exit 1; }

if [ -z "${ZPM_SCREENSHOT_INNER:-}" ]; then
  exec env ZPM_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1100x900x24" "$0" "$@"
fi

settings=$(mktemp -d)
ZPM_SETTINGS_FILE="$settings/zpm.ini" "$program" --simulator &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$settings"' EXIT
for _ in $(seq 200); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Zavorin Patch Manager"' && break
  sleep 0.1
done
window=$(xdotool search --name '^Zavorin Patch Manager$' | head -1)
xdotool windowfocus --sync "$window"
xdotool key --window "$window" alt+p
sleep 2 # the bank selection's delay, then the dump
mkdir -p docs

# The first row of the fetched list, a right click: the viewer opens.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + ${ZPM_ROW_X:-300})) $((Y + ${ZPM_ROW_Y:-71})) click 3
for _ in $(seq 50); do
  xdotool search --name '^Patch Hex View' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.5
viewer=$(xdotool search --name "^Patch Hex View" | head -1)
import -window "$viewer" +repage -colors 64 PNG8:docs/viewer-parameters.png
xdotool key alt+h
sleep 0.5
import -window "$viewer" +repage -colors 64 PNG8:docs/viewer.png
xdotool key Escape
sleep 0.5

# The navigation tree: SID, Patches, Random.
xdotool mousemove $((X + ${ZPM_TREE_X:-40})) $((Y + ${ZPM_TREE_Y:-17})) click 1
xdotool key Right Down Down
sleep 0.5
import -window root -trim +repage -colors 64 PNG8:docs/random.png
echo "docs/viewer.png, docs/viewer-parameters.png, docs/random.png taken"
