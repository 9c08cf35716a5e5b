#!/usr/bin/env bash
# Takes docs/screenshot-fm.png: the program as built in build/app (or the
# path given), started with --simulator on a virtual display with a fresh
# settings file, on its FM page after fetching a bank of voices and
# nothing else ("Get &Single Bank").
# Needs xvfb, x11-utils, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/app/zavorin-patch-manager}
[ -x "$program" ] || { echo "Build first: scripts/start.sh builds $program" >&2; exit 1; }

if [ -z "${ZPM_SCREENSHOT_INNER:-}" ]; then
  exec env ZPM_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1200x900x24" "$0" "$@"
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
# The navigation tree: SID, FM (collapsed), Config, About.
xdotool key --window "$window" Home Down
sleep 0.5
# Alt+S is also the "&Send FM Patch" tab's: it only moves the focus to
# "Get &Single Bank", which Space then presses (the voices of bank A).
xdotool key --window "$window" alt+s
sleep 0.3
xdotool key --window "$window" space
sleep 3
mkdir -p docs
sleep 1 # let it paint
import -window root -trim +repage -colors 64 PNG8:docs/screenshot-fm.png
echo "docs/screenshot-fm.png: $(identify -format '%wx%h' docs/screenshot-fm.png)"
