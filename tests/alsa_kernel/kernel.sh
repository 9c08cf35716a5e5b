# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2154 # cache, skip and fail come from run.sh, which sources this
# Fetches and unpacks what the VM boots: a Debian kernel with its own sound
# modules, and a static busybox. The packages are downloaded with apt-get and
# unpacked with dpkg-deb into the cache folder only (nothing is installed), so
# a second run needs no network.
# Sourced by run.sh, which sets $cache and defines skip() and fail().

# The sound modules the tests need; their dependencies are added from each
# module's own "depends=" entry, since the unpacked package has no modules.dep.
# snd-hrtimer is the sequencer's default timer in Debian's configuration and
# is not named by any depends= entry.
kernel_roots=(snd-hrtimer snd-seq-dummy snd-seq-midi snd-virmidi)

# Prints the cached .deb of a package, downloading it first when there is none.
fetch_deb() {
  local name=$1 deb
  mkdir -p "$cache/debs"
  deb=$(find "$cache/debs" -maxdepth 1 -name "${name}_*.deb" | sort | tail -n 1)
  if [ -z "$deb" ]; then
    # apt's sandbox user cannot write into a build folder owned by root.
    (cd "$cache/debs" && apt-get -q -o APT::Sandbox::User=root download "$name") \
      >"$cache/apt.log" 2>&1 || return 1
    deb=$(find "$cache/debs" -maxdepth 1 -name "${name}_*.deb" | sort | tail -n 1)
  fi
  [ -n "$deb" ] && echo "$deb"
}

# The versioned image package behind Debian's linux-image-amd64, preferring
# one already in the cache.
kernel_package() {
  local cached
  cached=$(find "$cache/debs" -maxdepth 1 -name 'linux-image-[0-9]*-amd64_*.deb' 2>/dev/null |
    sort | tail -n 1)
  if [ -n "$cached" ]; then
    basename "$cached" | cut -d_ -f1
    return
  fi
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }' || true
}

# Writes the uncompressed kernel held in a bzImage: booting it directly (PVH
# entry) spares the guest decompressing itself, seconds under emulation.
# The payload's place is in the boot header: setup sectors at 0x1f1, payload
# offset and length at 0x248 and 0x24c, counted from the protected-mode code.
extract_vmlinux() {
  local bz=$1 out=$2 sects offset length magic
  u8() { od -An -tu1 -j "$1" -N1 "$bz" | tr -d ' '; }
  u32() { od -An -tu4 -j "$1" -N4 "$bz" | tr -d ' '; }
  sects=$(u8 $((0x1f1)))
  [ "$sects" -eq 0 ] && sects=4
  offset=$(((sects + 1) * 512 + $(u32 $((0x248)))))
  length=$(u32 $((0x24c)))
  magic=$(od -An -tx1 -j "$offset" -N4 "$bz" | tr -d ' ')
  local unpack
  case $magic in
  fd377a58) unpack=(xz -dc --single-stream) ;;
  1f8b*) unpack=(gzip -dc) ;;
  28b52ffd) unpack=(zstd -dc) ;;
  *) return 1 ;;
  esac
  # The build appends the uncompressed size after the stream; decoders that
  # call it trailing garbage have still written the whole kernel.
  tail -c +$((offset + 1)) "$bz" | head -c "$length" | "${unpack[@]}" >"$out" 2>/dev/null || true
  [ "$(od -An -c -N4 "$out" | tr -d ' ')" = '177ELF' ]
}

# Depth-first: each module after the modules it depends on.
declare -A module_seen=()
module_order=()
order_module() {
  local name=$1 file dep
  [ -n "${module_seen[$name]:-}" ] && return 0
  module_seen[$name]=1
  file=$(find "$kernel_dir/sound" -name "$name.ko" -o -name "${name//-/_}.ko" | head -n 1)
  [ -n "$file" ] || fail "the kernel package has no module $name"
  for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
    order_module "$dep"
  done
  module_order+=("$file")
}

# Sets kernel_image, kernel_version, busybox and module_order (files, in load order).
prepare_kernel() {
  local package deb bb_deb
  package=$(kernel_package)
  [ -n "$package" ] || skip "apt knows no package linux-image-amd64 (run apt-get update)"
  deb=$(fetch_deb "$package") ||
    skip "apt-get download $package failed: $(tail -n 1 "$cache/apt.log")"
  bb_deb=$(fetch_deb busybox-static) ||
    skip "apt-get download busybox-static failed: $(tail -n 1 "$cache/apt.log")"

  kernel_version=${package#linux-image-}
  kernel_dir=$cache/$package
  if [ ! -e "$kernel_dir/.unpacked" ]; then
    rm -rf "$kernel_dir"
    mkdir -p "$kernel_dir/tree"
    dpkg-deb --fsys-tarfile "$deb" |
      tar -x -C "$kernel_dir/tree" --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/sound/*' ||
      fail "cannot unpack $deb"
    mv "$kernel_dir/tree/boot/vmlinuz-$kernel_version" "$kernel_dir/vmlinuz"
    mv "$kernel_dir/tree/lib/modules/$kernel_version/kernel/sound" "$kernel_dir/sound"
    rm -rf "$kernel_dir/tree"
    extract_vmlinux "$kernel_dir/vmlinuz" "$kernel_dir/vmlinux" || rm -f "$kernel_dir/vmlinux"
    touch "$kernel_dir/.unpacked"
  fi
  kernel_image=$kernel_dir/vmlinux
  [ -e "$kernel_image" ] || kernel_image=$kernel_dir/vmlinuz

  busybox=$cache/busybox
  if [ ! -x "$busybox" ]; then
    local tmp
    tmp=$(mktemp -d "$cache/busybox.XXXXXX")
    dpkg-deb -x "$bb_deb" "$tmp" || fail "cannot unpack $bb_deb"
    mv "$tmp/bin/busybox" "$busybox"
    rm -rf "$tmp"
  fi

  local root
  for root in "${kernel_roots[@]}"; do order_module "$root"; done
}
