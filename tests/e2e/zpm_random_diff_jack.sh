#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: a backup of a zavorin-sim bank compares
# equal with the bank itself; after zpm random --send the bank differs in
# exactly the slots sent, and holds what zpm random writes to a file for the
# same inputs; a random FM run into a bank the device lacks exits 1 with the
# refusals counted.
# Usage: zpm_random_diff_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
start_server
start_sim memory --seed 99 --fm-voice-banks AB

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --delay 100 --ack-timeout 1000 --wait 20000)

"$zpm" sid fetch --bank C --output "$work/backup.syx" "${ports[@]}" 2>/dev/null
"$zpm" diff "$work/backup.syx" sid:C "${ports[@]}" >"$work/same.txt" 2>/dev/null ||
  fail "a fresh backup differs from its bank: $(cat "$work/same.txt")"
grep -qx "128 slots compared: 0 differ, 0 only in A, 0 only in B." "$work/same.txt" ||
  fail "unexpected summary: $(cat "$work/same.txt")"

random=(random sid --seed 4242 --bank C --first 10 --count 3)
start=$(date +%s%N)
"$zpm" "${random[@]}" --send "${ports[@]}" >"$work/sent.txt" 2>/dev/null
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
grep -qx "3 patches, slots 10-12 of bank C" "$work/sent.txt" || fail "send said: $(cat "$work/sent.txt")"
# A Bank Select and three patches, each with its 100 ms pause.
[ "$elapsed_ms" -ge 400 ] || fail "the run took $elapsed_ms ms, less than its pauses"
echo "zpm random --send: 4 pauses of 100 ms took $elapsed_ms ms in all"

set +e
"$zpm" diff "$work/backup.syx" sid:C "${ports[@]}" >"$work/changed.txt" 2>/dev/null
code=$?
set -e
[ "$code" = 3 ] || fail "diff after the send exited $code"
[ "$(grep -c ' differs: ' "$work/changed.txt")" = 3 ] || fail "not 3 differing slots: $(cat "$work/changed.txt")"
for slot in 10 11 12; do
  grep -q "^sid C:$slot differs: .* / \"Random Patch $slot\"; " "$work/changed.txt" ||
    fail "slot C:$slot is not reported with its rows"
done

"$zpm" "${random[@]}" --output "$work/random.syx" >/dev/null
set +e
"$zpm" diff "$work/random.syx" sid:C "${ports[@]}" >"$work/file.txt" 2>/dev/null
set -e
grep -qx "128 slots compared: 0 differ, 0 only in A, 125 only in B." "$work/file.txt" ||
  fail "the bank does not hold the file's patches: $(tail -1 "$work/file.txt")"

set +e
"$zpm" random fm --seed 1 --bank D --first 1 --count 2 --send "${ports[@]}" >"$work/fm.out" 2>"$work/fm.err"
code=$?
set -e
[ "$code" = 1 ] || fail "a random FM run into a missing bank exited $code"
grep -q "The synthesizer refused 2 of 2 voices sent to bank D" "$work/fm.err" ||
  fail "no refusal count: $(cat "$work/fm.err")"
grep -qx "2 patches, slots 1-2 of bank D" "$work/fm.out" || fail "fm send said: $(cat "$work/fm.out")"
echo "zpm diff and zpm random --send over JACK: backup, changes and refusals as expected"
