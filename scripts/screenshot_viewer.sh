#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/viewer.png and docs/viewer-parameters.png (the patch viewer's
# two tabs over a patch fetched from the simulator) and docs/random.png (the SID random page): the program as built
# in build/dev (or the folder given), started with --simulator on a virtual
# display with a fresh settings file.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/screenshot_common.sh
on_virtual_display 1100x900 "$@"
start_window "${1:-build/dev}/zavorin-patch-manager"
xdotool key --window "$window" alt+p
sleep 2 # the bank selection's delay, then the dump

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
