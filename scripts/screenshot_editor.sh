#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/editor.png: the editor window at its default size over a made-up
# SID patch with a few parameters and its name changed. Drawn by Qt
# offscreen, so it needs no display: editor-screenshot as built in build/dev
# (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-build/dev}/editor-screenshot"
[ -x "$program" ] || { echo "Build $program first: ninja -C ${1:-build/dev} editor-screenshot" >&2; exit 1; }
mkdir -p docs
QT_QPA_PLATFORM=offscreen "$program" docs/editor.png
echo "docs/editor.png taken"
