# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2154 # set by run.sh and kernel.sh, which source this
# Builds the VM's initramfs: busybox, the sound modules with their load order,
# the two programs under test with every library they load, ALSA's
# configuration, and the /init that runs the cases. The archive is plain
# (uncompressed) cpio: the guest would spend seconds of emulated time
# inflating it. It is rebuilt only when one of its inputs changed.
# Sourced by run.sh after kernel.sh; uses $cache, $busybox, $module_order.

# Copies a file to the same path under the staging folder, following links.
stage_file() {
  local file=$1 stage=$2
  mkdir -p "$stage$(dirname "$file")"
  cp -L "$file" "$stage$file"
}

# The libraries a program loads, as the host's dynamic loader finds them.
program_libraries() {
  ldd "$1" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'
}

# Sets image to the archive for these programs, building it when needed.
build_image() {
  local zpm=$1 sim=$2 here=$3 libs key stage
  libs=$( (program_libraries "$zpm" && program_libraries "$sim") | sort -u) ||
    fail "ldd cannot read $zpm or $sim"
  # Everything that goes into the image decides whether the cached one fits.
  # shellcheck disable=SC2086 # one library path per word
  key=$(cat "$zpm" "$sim" "$here/init" "$here/cases.sh" "$busybox" "${module_order[@]}" \
    /usr/share/alsa/alsa.conf $libs | sha256sum | cut -c1-16)
  image=$cache/initramfs-$key.cpio
  [ -s "$image" ] && return 0

  rm -f "$cache"/initramfs-*.cpio
  stage=$(mktemp -d "$cache/stage.XXXXXX")
  mkdir -p "$stage"/{bin,usr/bin,lib/modules,proc,sys,dev,tmp}
  cp "$busybox" "$stage/bin/busybox"
  cp "$here/init" "$stage/init"
  cp "$here/cases.sh" "$stage/cases.sh"
  chmod 755 "$stage/init"
  local module
  for module in "${module_order[@]}"; do
    cp "$module" "$stage/lib/modules/"
    basename "$module" >>"$stage/lib/modules/order"
  done
  # Debug sections are most of a RelWithDebInfo binary and useless in the VM.
  strip --strip-debug -o "$stage/usr/bin/zpm" "$zpm" 2>/dev/null || cp "$zpm" "$stage/usr/bin/zpm"
  strip --strip-debug -o "$stage/usr/bin/zavorin-sim" "$sim" 2>/dev/null ||
    cp "$sim" "$stage/usr/bin/zavorin-sim"
  local lib
  for lib in $libs; do stage_file "$lib" "$stage"; done
  # Without it alsa-lib answers "Unknown SEQ default" to every open.
  stage_file /usr/share/alsa/alsa.conf "$stage"

  (cd "$stage" && find . | "$busybox" cpio -o -H newc 2>/dev/null) >"$image.tmp" ||
    fail "cannot write the initramfs"
  mv "$image.tmp" "$image"
  rm -rf "$stage"
}
