#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts a private JACK server and zavorin-sim on it, runs the device layer's
# JACK checks against them, stops zavorin-sim with SIGTERM and checks what it
# saved. Every process started here is stopped on every way out.
# Usage: jack_e2e.sh ZAVORIN_SIM DEVICES_JACK_E2E
set -euo pipefail
sim=$1
checks=$2

source "$(dirname "$0")/jack_common.sh"
# Only read by binaries built with ThreadSanitizer.
export TSAN_OPTIONS="suppressions=$(dirname "$0")/tsan.supp ${TSAN_OPTIONS:-}"

# -S: the server waits for late clients, so a loaded machine (or a sanitizer
# build) gets slower cycles instead of dropped MIDI events.
start_server -S
start_sim saved

export ZPM_E2E_WRITTEN_PATCH="$work/written.syx"
# In the background, so a signal to this script is handled at once.
"$checks" &
checks_pid=$!
pids+=("$checks_pid")
wait "$checks_pid" || fail "the device checks failed"

# SIGTERM: zavorin-sim writes its memory and exits 0.
stop_sim
bank=$work/saved/sid-bank-A.syx
[ -f "$bank" ] || fail "zavorin-sim saved no sid-bank-A.syx"
[ "$(stat -c %s "$bank")" -eq $((9 + 128 * 266)) ] || fail "sid-bank-A.syx has the wrong size"
[ -f "$work/saved/fm.syx" ] || fail "zavorin-sim saved no fm.syx"
# Patch 17 as the checks wrote it: after the Bank Select and 17 patches.
cmp -s -i $((9 + 17 * 266)):0 -n 266 "$bank" "$ZPM_E2E_WRITTEN_PATCH" ||
  fail "the written patch is not in the saved bank"
echo "jack_e2e: passed"
