#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts a private JACK server and zavorin-sim on it, runs the device layer's
# JACK checks against them, stops zavorin-sim with SIGTERM and checks what it
# saved. Every process started here is stopped on every way out.
# Usage: jack_e2e.sh ZAVORIN_SIM DEVICES_JACK_E2E
set -u
sim=$1
checks=$2

export JACK_DEFAULT_SERVER=zpmtest$$
# Only read by binaries built with ThreadSanitizer.
export TSAN_OPTIONS="suppressions=$(dirname "$0")/tsan.supp ${TSAN_OPTIONS:-}"
work=$(mktemp -d)
pids=()

cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -f /dev/shm/jack_sem.0_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack_"$JACK_DEFAULT_SERVER"_*
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "jack_e2e: $*" >&2
  [ -f "$work/jackd.log" ] && sed 's/^/jackd: /' "$work/jackd.log" >&2
  exit 1
}

command -v jackd >/dev/null || fail "jackd is not installed (Debian package jackd2)"

# -S: the server waits for late clients, so a loaded machine (or a sanitizer
# build) gets slower cycles instead of dropped MIDI events; -R: realtime
# scheduling where the system allows it, else jackd runs without.
jackd -n "$JACK_DEFAULT_SERVER" -R -S -d dummy -r 48000 -p 256 -C 0 -P 0 >"$work/jackd.log" 2>&1 &
jackd_pid=$!
pids+=("$jackd_pid")
# Poll until the server answers (about 0.1-0.3 s); give up after 10 s.
for ((try = 0; ; try++)); do
  jack_lsp >/dev/null 2>&1 && break
  kill -0 "$jackd_pid" 2>/dev/null || fail "jackd exited"
  ((try < 200)) || fail "jackd did not come up"
  sleep 0.05
done

# zavorin-sim says "ready" once its ports exist: read that line, no sleeping.
mkfifo "$work/sim.out"
mkdir "$work/saved"
"$sim" --api jack --save-dir "$work/saved" >"$work/sim.out" &
sim_pid=$!
pids+=("$sim_pid")
exec 3<"$work/sim.out"
read -r -t 20 -u 3 line || fail "zavorin-sim did not get ready"
[ "$line" = ready ] || fail "zavorin-sim said '$line' instead of ready"

export ZPM_E2E_WRITTEN_PATCH="$work/written.syx"
# In the background, so a signal to this script is handled at once.
"$checks" &
checks_pid=$!
pids+=("$checks_pid")
wait "$checks_pid" || fail "the device checks failed"

# SIGTERM: zavorin-sim writes its memory and exits 0.
kill -TERM "$sim_pid"
wait "$sim_pid"
status=$?
pids=("$jackd_pid" "$checks_pid")
[ "$status" -eq 0 ] || fail "zavorin-sim exited with $status"
bank=$work/saved/sid-bank-A.syx
[ -f "$bank" ] || fail "zavorin-sim saved no sid-bank-A.syx"
[ "$(stat -c %s "$bank")" -eq $((9 + 128 * 266)) ] || fail "sid-bank-A.syx has the wrong size"
[ -f "$work/saved/fm.syx" ] || fail "zavorin-sim saved no fm.syx"
# Patch 17 as the checks wrote it: after the Bank Select and 17 patches.
tail -c +$((9 + 17 * 266 + 1)) "$bank" | head -c 266 | cmp -s - "$ZPM_E2E_WRITTEN_PATCH" ||
  fail "the written patch is not in the saved bank"
echo "jack_e2e: passed"
