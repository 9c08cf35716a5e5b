#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zpm sid fetch on a real JACK server against a paced zavorin-sim, stopped
# from outside: killed mid-dump and run again at once, the new run opens its
# port in the middle of the old dump and waits for it to end before it asks
# anything; Ctrl+C mid-dump ends the run at once, reporting only the bank
# asked for as cancelled; a second signal says in one line what is known.
# Usage: zpm_sid_fetch_interrupted_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
sim_args=(--seed 5 --sid-banks CD --pace)
now_ms() { echo $(($(date +%s%N) / 1000000)); }

fetch_pid=
start_fetch() {
  local name=$1; shift
  "$zpm" sid fetch --output "$work/$name.syx" --api jack --in zavorin-sim:out \
    --out zavorin-sim:in --log "$@" >"$work/$name.out" 2>"$work/$name.err" &
  fetch_pid=$!
  pids+=($fetch_pid)
}

# Until the paced dump is under way: its first 2048-byte chunk has arrived,
# about 0.65 s into it.
wait_for_dump() {
  local name=$1
  for _ in $(seq 400); do
    grep -q 'IN : <Bytes> 2048 ' "$work/$name.err" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "the dump did not start: $(tail -n3 "$work/$name.err")"
}

start_server
start_sim memory

# 1. Killed 2.5 s into the dump of bank C, whose other 8 s go on arriving,
# then the same fetch again at once with the default retries.
start_fetch killed --bank C
wait_for_dump killed
sleep 1.85
kill -KILL "$fetch_pid"
wait "$fetch_pid" 2>/dev/null || true
start_fetch again --bank C
status=0
wait "$fetch_pid" || status=$?
[ "$status" -eq 0 ] || fail "the fetch after the killed one exited $status: $(grep -v ' IN \| OUT' "$work/again.err" | tail -n3)"
grep -q "Waiting for the synthesizer to finish sending..." "$work/again.err" ||
  fail "the fetch after the killed one did not wait for the old dump to end"
! grep -qF "1.6 supports" "$work/again.err" || fail "the busy device was taken for firmware 1.6"
echo "killed mid-dump, then again: exit 0, $(grep -v '] IN \|] OUT' "$work/again.err" | tr '\n' ' ')"

# 2. Ctrl+C 4 s into --all: banks A and B refused, bank C's dump under way.
start_fetch all --all
sleep 4
stopped_at=$(now_ms)
kill -INT "$fetch_pid"
status=0
wait "$fetch_pid" || status=$?
after=$(($(now_ms) - stopped_at))
[ "$status" -eq 130 ] || fail "Ctrl+C mid-dump: exit $status"
report=$(grep -v '] IN \|] OUT' "$work/all.err")
grep -q "Bank C was cancelled; nothing after it was asked for." <<<"$report" ||
  fail "Ctrl+C mid-dump did not say bank C was cancelled: $report"
! grep -q "no complete answer\|Banks A\|Bank D" <<<"$report" || fail "Ctrl+C mid-dump: $report"
# Measured here: a few ms. The bound leaves room for a loaded machine.
[ "$after" -lt 1000 ] || fail "zpm ended $after ms after Ctrl+C"
echo "Ctrl+C 4 s into --all: exit 130 after $after ms: $(tr '\n' ' ' <<<"$report")"

# 3. Two signals at once (held back while zpm is stopped): the second ends
# the run at once with one line of what is known.
start_fetch twice --all
sleep 1
kill -STOP "$fetch_pid"
kill -INT "$fetch_pid"
kill -TERM "$fetch_pid"
kill -CONT "$fetch_pid"
status=0
wait "$fetch_pid" || status=$?
[ "$status" -eq 143 ] || fail "two signals: exit $status"
last=$(tail -n1 "$work/twice.err")
[ "$last" = "Interrupted again: nothing was fetched or sent yet." ] || fail "two signals: the last line was \"$last\""
echo "two signals: exit 143: $last"

stop_sim
cmp "$work/again.syx" "$work/memory/sid-bank-C.syx" || fail "the bank fetched after the killed run differs"
echo "the bank fetched after the killed run equals the simulator's bank C"
