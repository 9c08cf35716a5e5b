#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zpm sid fetch over a real JACK server against zavorin-sim when things go
# wrong: Bank Select answers that come after the pause, a bank that never
# answers, a dump cut short. A file zpm writes holds only whole banks equal to
# the simulator's memory; the exit status and the last line say what was not
# fetched.
# Usage: zpm_sid_fetch_honest_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
sim_args=(--seed 4711 --sid-banks ACH)
start_server

# A saved file is a run of whole banks, each the Bank Select and 128 patch
# dumps of the simulator's memory for that bank.
check_whole_banks() {
  local file=$1 mem=$2 size bank
  size=$(stat -c %s "$file")
  [ $((size % 34057)) -eq 0 ] || fail "$file is not a run of whole banks ($size bytes)"
  for ((at = 0; at < size; at += 34057)); do
    bank=$(od -An -tu1 -j $((at + 7)) -N1 "$file" | tr -d ' ')
    letter=$(printf "\\x$(printf %x $((65 + bank)))")
    cmp <(dd if="$file" iflag=skip_bytes,count_bytes skip=$at count=34057 status=none) \
      "$mem/sid-bank-$letter.syx" || fail "$file: bank $letter differs from the simulator's memory"
  done
}

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in)

# 1. Every pause from 0 to 20 ms: the Bank Select answer (about 5 ms away at
# -p 256) comes late at the short ones.
start_sim late
for delay in $(seq 0 20); do
  status=0
  "$zpm" sid fetch --all --delay "$delay" --wait 5000 --output "$work/late-$delay.syx" "${ports[@]}" \
    2>"$work/late-$delay.err" || status=$?
  [ "$status" -le 1 ] || fail "--delay $delay exited $status: $(cat "$work/late-$delay.err")"
  if [ "$status" -eq 1 ] && ! grep -q "holds" "$work/late-$delay.err"; then
    [ ! -e "$work/late-$delay.syx" ] || fail "--delay $delay failed yet wrote a file"
  fi
  echo "delay $delay: exit $status, $(tail -n1 "$work/late-$delay.err")"
done
stop_sim
for delay in $(seq 0 20); do
  [ -e "$work/late-$delay.syx" ] && check_whole_banks "$work/late-$delay.syx" "$work/late"
done

# 2. Bank C (the second dump) never answers: the run saves A and H, names C, exits 1.
# With --retries 0 a cycle this client missed during a pause (counted as lost
# bytes, though nothing may have been in it) fails one more bank: such a run
# is tried again, at most three times.
for attempt in 1 2 3; do
  rm -rf "$work/silent" "$work/silent.out" "$work/all.syx"
  start_sim silent --fault silence --fault-at 2
  status=0
  "$zpm" sid fetch --all --delay 250 --wait 1500 --retries 0 --json --output "$work/all.syx" \
    "${ports[@]}" >"$work/all.json" 2>"$work/all.err" || status=$?
  stop_sim
  last=$(tail -n1 "$work/all.err")
  [ "$last" = "Bank C was not fetched (no complete answer). $work/all.syx holds banks A, H." ] && break
  echo "attempt $attempt: $last"
done
[ "$status" -eq 1 ] || fail "a silent bank C exited $status"
[ "$last" = "Bank C was not fetched (no complete answer). $work/all.syx holds banks A, H." ] ||
  fail "unexpected last line: $last"
cat "$work/silent/sid-bank-A.syx" "$work/silent/sid-bank-H.syx" | cmp - "$work/all.syx" ||
  fail "all.syx does not hold banks A and H"
python3 - "$work/all.json" <<'EOF' || fail "the JSON report is wrong"
import json, sys
doc = json.load(open(sys.argv[1]))
slots = doc["slots"]
assert len(slots) == 8 * 128, len(slots)
want = {"A": "fetched", "B": "not available", "C": "no answer", "D": "not available",
        "E": "not available", "F": "not available", "G": "not available", "H": "fetched"}
for slot in slots:
    bank = slot["slot"].split(":")[0]
    assert slot["result"] == want[bank], slot
    assert slot["type"] == "sid" and slot["tries"] >= 1
    assert (slot["name"] is None) == (slot["result"] != "fetched"), slot
assert slots[0]["slot"] == "A:1" and slots[127]["slot"] == "A:128"
assert doc["file"].endswith("all.syx") and doc["backup"] is None
EOF

# 3. A dump cut short ends its wait at once (not after --wait) and is asked again.
# A bank cut short is not fetched, whatever came of the others.
start_sim cutall --fault spliced:30297 --fault-at 2
status=0
"$zpm" sid fetch --all --delay 250 --wait 5000 --retries 0 --output "$work/cutall.syx" \
  "${ports[@]}" 2>"$work/cutall.err" || status=$?
stop_sim
last=$(tail -n1 "$work/cutall.err")
[ "$status" -eq 1 ] || fail "--all with bank C cut short exited $status: $last"
[[ "$last" == "Bank C was not fetched"*"holds banks A, H." ]] || fail "unexpected last line: $last"

# A dump that stops after 1000 bytes ends the run soon, naming why.
start_sim stopped --fault short:1000 --fault-at 1
status=0
start=$(date +%s%N)
"$zpm" sid fetch --bank A --delay 200 --wait 60000 --retries 0 --output "$work/stopped.syx" \
  "${ports[@]}" 2>"$work/stopped.err" || status=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
stop_sim
last=$(tail -n1 "$work/stopped.err")
[ "$status" -eq 1 ] || fail "a dump that stopped exited $status"
# A busy machine may miss a cycle of the dump first: that is named instead.
[[ "$last" == "Bank A was not fetched (the dump stopped after 1000 of 32777 bytes;"* ||
  "$last" == "Bank A was not fetched (bytes were lost after "* ]] ||
  fail "the stop is not named: $last"
[ "$elapsed" -lt 10000 ] || fail "the stopped dump was noticed only after $elapsed ms"
echo "a stopped dump: run over after $elapsed ms: $last"

start_sim spliced --fault spliced:30297 --fault-at 1
status=0
start=$(date +%s%N)
"$zpm" sid fetch --bank H --delay 200 --wait 60000 --retries 0 --output "$work/cut.syx" \
  "${ports[@]}" 2>"$work/cut.err" || status=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
[ "$status" -eq 1 ] || fail "a cut-short dump exited $status"
[ ! -e "$work/cut.syx" ] || fail "a cut-short dump was saved"
[ "$elapsed" -lt 5000 ] || fail "the cut-short dump was noticed only after $elapsed ms"
echo "cut short noticed, run over after $elapsed ms"
stop_sim
start_sim retried --fault spliced:30297 --fault-at 1
"$zpm" sid fetch --bank H --delay 200 --wait 60000 --json --output "$work/retried.syx" \
  "${ports[@]}" >"$work/retried.json" 2>"$work/retried.err" ||
  fail "a dump cut short once was not fetched again: $(cat "$work/retried.err")"
stop_sim
cmp "$work/retried.syx" "$work/retried/sid-bank-H.syx" || fail "the retried bank differs"
grep -q '"tries": 2' "$work/retried.json" || fail "the retried bank does not show 2 tries"

echo "zpm sid fetch over JACK: late answers, a silent bank and a cut dump are reported honestly"
