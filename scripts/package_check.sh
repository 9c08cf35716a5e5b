#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package, has lintian check it (any error or warning
# fails), and installs it with apt into a clean Debian 12 (a minimal
# bookworm root made by debootstrap), then runs what was installed there:
# zpm and the window, each with the built-in simulator, and man on the
# three manual pages. Needs root, debootstrap and the Debian mirror
# (lintian is installed when missing); the root is kept in
# build/clean-bookworm for the next run (delete it to start clean again).
# Usage: scripts/package_check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/build/clean-bookworm
deb=build/pkg/zavorin-patch-manager_0.8_amd64.deb

cmake -S . -B build/pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DZPM_BUILD_TESTS=OFF >/dev/null
ninja -C build/pkg zavorin-patch-manager zpm zavorin-sim
(cd build/pkg && cpack -G DEB >/dev/null)

if ! command -v lintian >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq lintian >/dev/null
fi
lintian --fail-on error,warning "$deb" || { echo "lintian finds fault with $deb" >&2; exit 1; }

if [ ! -x "$root/usr/bin/apt-get" ]; then
  rm -rf "$root"
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi
cleanup() {
  umount "$root/dev" 2>/dev/null || true
  umount "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp bash -c "$1"; }
inside "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq &&
        apt-get install -y -qq /tmp/$(basename "$deb") >/dev/null"
inside 'zpm --version && zavorin-patch-manager --version'
inside 'cd /tmp && zpm sid fetch --simulator --in 0 --out 0 --bank B --output /tmp/b.syx'
inside 'test -f /usr/share/applications/zavorin-patch-manager.desktop &&
        test -f /usr/share/icons/hicolor/scalable/apps/zavorin-patch-manager.svg &&
        test -f /usr/share/doc/zavorin-patch-manager/copyright'
inside 'export DEBIAN_FRONTEND=noninteractive; apt-get install -y -qq man-db >/dev/null'
for page in zavorin-patch-manager zavorin-sim zpm; do
  inside "test \"\$(man -w $page)\" = /usr/share/man/man1/$page.1.gz &&
          MANPAGER=cat man $page | grep -q '^NAME'" ||
    { echo "man $page does not show the installed page" >&2; exit 1; }
done
# The window stays up with the simulator until it is stopped.
status=0
inside 'cd /tmp && QT_QPA_PLATFORM=offscreen timeout 5 zavorin-patch-manager --simulator' || status=$?
[ "$status" -eq 124 ] || { echo "the installed window ended by itself ($status)" >&2; exit 1; }
echo "package check passed: lintian clean, installed in a clean Debian 12, started, man pages shown"
