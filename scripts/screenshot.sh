#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot.png: the program as built in build/app, started with
# --simulator on a virtual display, a fresh settings file, main window and
# log, after fetching a patch twice ("Get Single &Patch", Alt+P).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/screenshot_common.sh
on_virtual_display 1100x900 "$@"
start_window build/app/zavorin-patch-manager
for _ in 1 2; do
  xdotool key --window "$window" alt+p
  sleep 1.5 # the bank selection's delay, then the dump
done
sleep 1 # let it paint
import -window root -trim +repage -colors 64 PNG8:docs/screenshot.png
echo "docs/screenshot.png: $(identify -format '%wx%h' docs/screenshot.png)"
