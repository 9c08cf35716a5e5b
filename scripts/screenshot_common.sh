# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the screenshot scripts. Needs xvfb, x11-utils, xdotool and
# imagemagick.

# Runs the calling script again on a virtual display of the given size
# (e.g. 1100x900), unless it already runs on one.
on_virtual_display() {
  local size=$1
  shift
  if [ -z "${ZPM_SCREENSHOT_INNER:-}" ]; then
    exec env ZPM_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 ${size}x24" "$0" "$@"
  fi
}

# Starts the program with --simulator and a fresh settings file, stopped
# when the script ends; $window is its main window once mapped and focused.
start_window() {
  local program=$1
  [ -x "$program" ] || { echo "Build $program first: scripts/start.sh builds it" >&2; exit 1; }
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
  mkdir -p docs
}
