#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: a slider swept for 2 seconds (a change
# every 5 ms) auditioned into zavorin-sim's audition slot. No more writes go
# out than the cable carries in that time (3125 bytes/s: 23 patches), the
# last value is in the slot, and a put-back leaves the slot as it was.
# Usage: audition_jack.sh AUDITION_SWEEP ZAVORIN_SIM
set -euo pipefail
sweep=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
sim_args=(--seed 99)
start_server

start_sim before
stop_sim

# slot_data FILE TYPE BANK SLOT: the slot's 256 data bytes in hex, from the
# memory zavorin-sim saved (SID: a bank file; FM: fm.syx).
slot_data() {
  python3 - "$@" <<'PY'
import sys
path, kind, bank, slot = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
raw = open(path, "rb").read()
if kind == "sid":
    start = 9 + slot * 266
    print(raw[start + 8:start + 264].hex())
else:
    for at in range(0, len(raw), 268):
        p = raw[at:at + 268]
        if p[7] == 0 and p[8] == bank and p[9] == slot:
            print(p[10:266].hex())
PY
}

start_sim after
"$sweep" sid A:128 400 5 0 >"$work/sid.out" 2>"$work/sid.err" ||
  fail "the SID sweep failed: $(cat "$work/sid.err")"
"$sweep" fm C:7 400 5 1500 >"$work/fm.out" 2>"$work/fm.err" ||
  fail "the FM sweep failed: $(cat "$work/fm.err")"
# A put-back, on the FM's slot of another bank.
"$sweep" fm D:1 100 5 1500 putback >"$work/back.out" 2>"$work/back.err" ||
  fail "the put-back sweep failed: $(cat "$work/back.err")"
stop_sim

for run in sid fm; do
  read -r _ writes _ last <"$work/$run.out"
  # 2 s at 3125 bytes/s carry 23 patches of 266 bytes.
  [ "$writes" -ge 2 ] && [ "$writes" -le 23 ] || fail "the $run sweep made $writes writes"
  echo "$run: $writes writes"
  expected=$(python3 -c "print(bytes([$last] * 256).hex())")
  if [ "$run" = sid ]; then
    got=$(slot_data "$work/after/sid-bank-A.syx" sid 0 127)
  else
    got=$(slot_data "$work/after/fm.syx" fm 2 6)
  fi
  [ "$got" = "$expected" ] || fail "the $run slot does not hold the last value $last"
done
[ "$(slot_data "$work/after/fm.syx" fm 3 0)" = "$(slot_data "$work/before/fm.syx" fm 3 0)" ] ||
  fail "the put-back did not leave the FM slot D:1 as it was"
grep -q "The audition slot D:1 holds its own patch again." "$work/back.err" ||
  fail "the put-back was not told: $(cat "$work/back.err")"
echo "audition over JACK: OK"
