#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/library.png: the library window at its default size with "bass"
# typed into its search and a user bank holding six patches, over a made-up
# library. Drawn by Qt offscreen, so it needs no display: library-screenshot
# as built in build/dev (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-build/dev}/library-screenshot"
[ -x "$program" ] || { echo "Build $program first: ninja -C ${1:-build/dev} library-screenshot" >&2; exit 1; }
mkdir -p docs
QT_QPA_PLATFORM=offscreen "$program" docs/library.png
echo "docs/library.png taken"
