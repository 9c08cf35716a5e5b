#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot-fm.png: the program as built in build/app (or the
# path given), started with --simulator on a virtual display with a fresh
# settings file, on its FM page after fetching a bank of voices and
# nothing else ("Get &Single Bank").
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/screenshot_common.sh
on_virtual_display 1200x900 "$@"
start_window "${1:-build/app/zavorin-patch-manager}"
# The navigation tree: SID, FM (collapsed), Config, About.
xdotool key --window "$window" Home Down
sleep 0.5
# Alt+S on the get tab is "Get &Single Bank" (the voices of bank A).
xdotool key --window "$window" alt+s
sleep 3
sleep 1 # let it paint
import -window root -trim +repage -colors 64 PNG8:docs/screenshot-fm.png
echo "docs/screenshot-fm.png: $(identify -format '%wx%h' docs/screenshot-fm.png)"
