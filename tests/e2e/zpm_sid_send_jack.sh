#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: zpm sends SID patches into zavorin-sim
# (the whole list, one bank into another, chosen rows to a slot), and the
# memory the simulator saves when it exits must be its memory before, with
# exactly those slots replaced. --backup must hold the banks as they were;
# --verify must find a write the device lost and exit 1.
# Usage: zpm_sid_send_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
sim_args=(--seed 4711 --sid-banks ACH)
start_server

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --delay 300 --wait 20000)

# The file: patches 1-3 of bank A, 10-12 of bank C and 5 of bank B (not plugged in).
"$zpm" random sid --seed 1 --bank A --first 1 --count 3 --output "$work/a.syx"
"$zpm" random sid --seed 2 --bank C --first 10 --count 3 --output "$work/c.syx"
"$zpm" random sid --seed 3 --bank B --first 5 --count 1 --output "$work/b.syx"
cat "$work/a.syx" "$work/c.syx" "$work/b.syx" >"$work/send.syx"
"$zpm" info "$work/send.syx" --json >"$work/send.json"

# The memory as it is before any send.
start_sim before
stop_sim

start_sim after
# Bank B is not there: its patch is not written, and the run says so.
status=0
"$zpm" sid send "$work/send.syx" "${ports[@]}" --backup "$work/backup.syx" --verify --json \
  >"$work/all.json" 2>"$work/all.err" || status=$?
[ "$status" -eq 1 ] || fail "send all with bank B missing exited $status: $(cat "$work/all.err")"
grep -q "Bank B not available." "$work/all.err" || fail "no 'Bank B not available.' message"
[ "$(tail -n1 "$work/all.err")" = "Slot was not done: B:5 (not available)." ] ||
  fail "the missing slot is not named: $(tail -n1 "$work/all.err")"
"$zpm" sid send "$work/send.syx" "${ports[@]}" --from-bank C --to-bank H \
  >"$work/bank.txt" 2>"$work/bank.err" || fail "bank to bank failed: $(cat "$work/bank.err")"
"$zpm" sid send "$work/send.syx" "${ports[@]}" --rows 0,4 --to H:100 --yes --verify \
  >"$work/rows.txt" 2>"$work/rows.err" || fail "rows to a slot failed: $(cat "$work/rows.err")"
status=0
"$zpm" sid send "$work/send.syx" "${ports[@]}" --rows 1-3 --to A:127 --yes \
  >"$work/past.txt" 2>"$work/past.err" || status=$?
[ "$status" -eq 1 ] || fail "rows past 128 exited $status"
tail -n1 "$work/past.err" | grep -q "A:129" || fail "the row past 128 is not named: $(tail -n1 "$work/past.err")"
stop_sim

cat "$work/before/sid-bank-A.syx" "$work/before/sid-bank-C.syx" | cmp - "$work/backup.syx" ||
  fail "the backup is not banks A and C as they were before the send"

python3 - "$work" <<'EOF' || fail "the simulator's memory is not what was sent"
import json, sys
work = sys.argv[1]
rows = [bytes.fromhex(p["sysex"]) for p in json.load(open(work + "/send.json"))["patches"]]
banks = {}
for letter in "ACH":
    raw = open(f"{work}/before/sid-bank-{letter}.syx", "rb").read()
    banks[letter] = [bytearray(raw[9 + n * 266: 9 + (n + 1) * 266]) for n in range(128)]
def write(row, letter, number):  # number 0..127; the data and checksum land there
    banks[letter][number][8:265] = rows[row][8:265]
for row in range(6):  # send all: each to its own bank and number; B is missing
    write(row, "AAACCC"[row], rows[row][7])
for row in (3, 4, 5):  # --from-bank C --to-bank H: own numbers in H
    write(row, "H", rows[row][7])
write(0, "H", 99)  # --rows 0,4 --to H:100
write(4, "H", 100)
write(1, "A", 126)  # --rows 1-3 --to A:127: the third row has no slot left
write(2, "A", 127)
for letter in "ACH":
    raw = open(f"{work}/after/sid-bank-{letter}.syx", "rb").read()
    want = raw[:9] + b"".join(bytes(d) for d in banks[letter])
    assert raw == want, f"bank {letter} differs"
report = json.load(open(work + "/all.json"))
results = [s["result"] for s in report["slots"]]
assert results == ["verified"] * 6 + ["not available"], results
assert report["backup"].endswith("backup.syx"), report["backup"]
EOF

# The device loses the second write: --verify finds it, names it and exits 1.
start_sim lost --drop-write 2
status=0
"$zpm" sid send "$work/send.syx" "${ports[@]}" --verify --json >"$work/lost.json" \
  2>"$work/lost.err" || status=$?
stop_sim
[ "$status" -eq 1 ] || fail "a lost write exited $status"
tail -n1 "$work/lost.err" | grep -q "A:2 (differs)" || fail "unexpected last line: $(tail -n1 "$work/lost.err")"
python3 - "$work/lost.json" <<'EOF' || fail "the JSON report of the lost write is wrong"
import json, sys
slots = json.load(open(sys.argv[1]))["slots"]
assert [s["result"] for s in slots] == ["verified", "differs"] + ["verified"] * 4 + ["not available"], slots
assert slots[1]["slot"] == "A:2"
EOF
echo "zpm sid send over JACK: all, bank to bank and rows to a slot match; backup and verify hold"
