#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the build needs, builds the window into build/app and starts
# it on the built-in simulated synthesizers ("Zavorin Simulator"). Further
# arguments go to the program, e.g. --api jack.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/app zavorin-patch-manager zpm zavorin-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display to show the window on: start it from a desktop session," >&2
  echo "or under a virtual one: xvfb-run -a $0" >&2
  exit 1
fi
exec build/app/zavorin-patch-manager --simulator "$@"
