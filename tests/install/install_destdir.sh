#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary root, checks the desktop entry, and
# runs the installed programs' --version and --help without a display.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build" --prefix /usr > /dev/null

for file in usr/bin/zavorin-patch-manager usr/bin/zpm usr/bin/zavorin-sim \
            usr/share/applications/zavorin-patch-manager.desktop \
            usr/share/icons/hicolor/scalable/apps/zavorin-patch-manager.svg \
            usr/share/icons/hicolor/48x48/apps/zavorin-patch-manager.png \
            usr/share/man/man1/zpm.1.gz usr/share/man/man1/zavorin-sim.1.gz \
            usr/share/man/man1/zavorin-patch-manager.1.gz \
            usr/share/doc/zavorin-patch-manager/copyright \
            usr/share/doc/zavorin-patch-manager/changelog.gz; do
  [ -e "$root/$file" ] || { echo "missing after install: $file"; exit 1; }
done

desktop-file-validate "$root/usr/share/applications/zavorin-patch-manager.desktop"

version="$("$root/usr/bin/zpm" --version)"
echo "installed zpm --version: $version"
case "$version" in *0.8*) ;; *) echo "unexpected zpm version text"; exit 1 ;; esac

# No display at all: the window program still answers --help and --version.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$root/usr/bin/zavorin-patch-manager" --version
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$root/usr/bin/zavorin-patch-manager" --help \
  | grep -q -- "--simulator"
for page in zpm zavorin-sim zavorin-patch-manager; do
  file="$root/usr/share/man/man1/$page.1.gz"
  man -l "$file" > /dev/null 2>&1 || zcat "$file" | grep -qi "^.TH $page 1"
done
echo "install into DESTDIR: ok"
