#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The ALSA backend on a real kernel sequencer: boots a Debian kernel under
# qemu (TCG) with its own snd-seq, snd-seq-dummy and snd-virmidi modules, and
# in it runs zavorin-sim and zpm over ALSA (the cases are in cases.sh). The
# VM reports on its serial console with "ZPMVM: " lines; this script gives
# each stage a deadline and fails with a one-line reason.
# Where the kernel or busybox packages cannot be had, it says so in one line
# and exits 0.
# Usage: run.sh ZPM ZAVORIN_SIM [CACHE_DIR]   (default: alsa-kernel beside ZPM)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zpm=$(realpath "$1")
sim=$(realpath "$2")
cache=$(realpath -m "${3:-$(dirname "$zpm")/alsa-kernel}")
mkdir -p "$cache"
run_started=$(date +%s%N)

skip() {
  echo "ALSA kernel test skipped: $*"
  exit 0
}
fail() {
  echo "ALSA kernel test failed: $*" >&2
  exit 1
}
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
seconds() { awk -v ms="$1" 'BEGIN { printf "%.1f", ms / 1000 }'; }

# Stages and how long each may take under emulation before it counts as hung.
boot_limit=180
modules_limit=60
case_limit=300
finish_limit=30

command -v qemu-system-x86_64 >/dev/null ||
  skip "qemu-system-x86_64 is not installed (Debian package qemu-system-x86)"
if ! command -v apt-get >/dev/null || ! command -v dpkg-deb >/dev/null; then
  skip "apt-get and dpkg-deb are needed to fetch the kernel"
fi

# shellcheck source=kernel.sh
. "$here/kernel.sh"
# shellcheck source=image.sh
. "$here/image.sh"

prepare_kernel
build_image "$zpm" "$sim" "$here"

console=$cache/console.log
: >"$console"
qemu_pid=
cleanup() {
  if [ -n "$qemu_pid" ]; then
    kill "$qemu_pid" 2>/dev/null || true
    wait "$qemu_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

boot_started=$(date +%s%N)
qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nodefaults -display none -no-reboot \
  -serial "file:$console" -kernel "$kernel_image" -initrd "$image" \
  -append "console=ttyS0 quiet panic=-1 rdinit=/init" >"$cache/qemu.log" 2>&1 &
qemu_pid=$!

# The console's last words, or qemu's own when the guest never spoke.
last_line() {
  local line
  line=$(tr -d '\r' <"$console" | grep -av '^$' | tail -n 1)
  [ -n "$line" ] || line="qemu: $(tail -n 1 "$cache/qemu.log")"
  echo "$line"
}

stage="booting to /init"
limit=$boot_limit
deadline=$((SECONDS + limit))
seen=0
finished=
failures=()
boot_ms=
while [ -z "$finished" ]; do
  # Only whole lines: the VM may be halfway through writing the last one.
  cp "$console" "$cache/console.snapshot"
  mapfile -t markers < <(head -n "$(wc -l <"$cache/console.snapshot")" "$cache/console.snapshot" |
    tr -d '\r' | grep -a '^ZPMVM: ')
  while [ "$seen" -lt "${#markers[@]}" ]; do
    line=${markers[$seen]#ZPMVM: }
    seen=$((seen + 1))
    echo "vm: $line"
    case $line in
    "init at"*)
      boot_ms=$(ms_since "$boot_started")
      stage="loading the sound modules"
      limit=$modules_limit
      deadline=$((SECONDS + limit))
      ;;
    "modules fail"*) fail "${line#modules fail: }" ;;
    "case "*" begin")
      stage=${line% begin}
      limit=$case_limit
      deadline=$((SECONDS + limit))
      ;;
    "case "*" fail: "*) failures+=("$line") ;;
    "done "*) finished=1 ;;
    esac
  done
  [ -n "$finished" ] && break
  kill -0 "$qemu_pid" 2>/dev/null ||
    fail "the VM stopped while $stage (last console line: $(last_line))"
  [ "$SECONDS" -lt "$deadline" ] ||
    fail "the VM did not get past $stage within $limit s (last console line: $(last_line))"
  sleep 0.2
done

deadline=$((SECONDS + finish_limit))
while kill -0 "$qemu_pid" 2>/dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the VM did not power off within $finish_limit s"
  sleep 0.2
done
wait "$qemu_pid" || true
qemu_pid=

# What the cases printed: the zpm commands with their output.
echo "--- VM console from /init on (full log: $console)"
tr -d '\r' <"$console" | sed -n '/^ZPMVM: init/,$p'
echo "---"
downloads=$(du -cm "$cache"/debs/*.deb | tail -n 1 | cut -f1)
image_mb=$(du -m "$image" | cut -f1)
summary="kernel $kernel_version ($(basename "$kernel_image")), downloads ${downloads} MB, image ${image_mb} MB"
summary+=", boot to /init $(seconds "$boot_ms") s, whole test $(seconds "$(ms_since "$run_started")") s"
[ ${#failures[@]} -eq 0 ] || fail "${failures[0]} (${#failures[@]} failed; $summary)"
echo "ALSA kernel test passed: $summary"
