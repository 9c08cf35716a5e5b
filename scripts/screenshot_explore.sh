#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/explore.png: the Explore window in its second round, started
# from two patches of a made-up library. Drawn by Qt offscreen, so it needs
# no display: explore-screenshot as built in build/dev (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-build/dev}/explore-screenshot"
[ -x "$program" ] || { echo "Build $program first: ninja -C ${1:-build/dev} explore-screenshot" >&2; exit 1; }
mkdir -p docs
QT_QPA_PLATFORM=offscreen "$program" docs/explore.png
echo "docs/explore.png taken"
