#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: zpm fetches FM patches from zavorin-sim
# (each type by patch, bank and all banks, and all types at once) and the
# files must be byte for byte what the simulator saves of its memory; then
# zpm sends FM patches into it (all types, one type, a bank copy, rows to a
# slot, a refused bank) and the memory it saves must be its memory before
# with exactly those slots replaced.
# Usage: zpm_fm_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
sim_args=(--seed 4711 --fm-id 5 --fm-voice-banks ABC --fm-drum-banks ABCD --fm-ensemble-banks AH)
start_server

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --device-id 5 --wait 20000)

fetch() { # name, then the fetch options
  local name=$1; shift
  "$zpm" fm fetch "$@" --output "$work/$name.syx" "${ports[@]}" >/dev/null 2>"$work/$name.err" ||
    fail "fm fetch $name failed: $(cat "$work/$name.err")"
}

start_sim fetched
fetch all --type all --all
fetch voices-patch --type voices --patch C:128
fetch voices-bank --type voices --bank B
fetch voices-all --type voices --all
fetch drums-patch --type drums --patch d:16
fetch drums-bank --type drums --bank A
fetch drums-all --type drums --all
fetch ensembles-patch --type ensembles --patch H:1
fetch ensembles-bank --type ensembles --bank H
fetch ensembles-all --type ensembles --all
fetch all-bank --type all --bank A
status=0
"$zpm" fm fetch --type voices --bank E --output "$work/refused.syx" "${ports[@]}" \
  >/dev/null 2>"$work/refused.err" || status=$?
[ "$status" -eq 1 ] || fail "a refused bank exited $status"
grep -qx "Bank E is not available." "$work/refused.err" || fail "no 'Bank E is not available.'"
[ ! -e "$work/refused.syx" ] || fail "a refused fetch wrote a file"
stop_sim

cmp "$work/all.syx" "$work/fetched/fm.syx" || fail "--type all --all is not the simulator's memory"
python3 - "$work" <<'EOF' || fail "a fetched file is not the simulator's memory"
import sys
work = sys.argv[1]
raw = open(f"{work}/fetched/fm.syx", "rb").read()
dumps = [raw[i:i + 268] for i in range(0, len(raw), 268)]
def pick(type_, bank=None, number=None):
    return b"".join(d for d in dumps if d[7] == type_ and (bank is None or d[8] == bank)
                    and (number is None or d[9] == number))
want = {
    "voices-patch": pick(0x00, 2, 127), "voices-bank": pick(0x00, 1), "voices-all": pick(0x00),
    "drums-patch": pick(0x10, 3, 15), "drums-bank": pick(0x10, 0), "drums-all": pick(0x10),
    "ensembles-patch": pick(0x70, 7, 0), "ensembles-bank": pick(0x70, 7),
    "ensembles-all": pick(0x70),
    "all-bank": pick(0x00, 0) + pick(0x10, 0) + pick(0x70, 0),
}
assert len(want["voices-all"]) == 3 * 128 * 268 and len(want["drums-all"]) == 4 * 16 * 268
for name, data in want.items():
    got = open(f"{work}/{name}.syx", "rb").read()
    assert got == data, f"{name}: {len(got)} bytes, {len(data)} expected"
EOF

# The file to send: voices A:1 C:5 B:9, drumsets A:3 D:16, ensembles H:32 A:1,
# each with data that the seeded memory does not hold.
python3 - "$work/send.syx" <<'EOF'
import sys
slots = [(0x00, 0, 0), (0x00, 2, 4), (0x00, 1, 8), (0x10, 0, 2), (0x10, 3, 15),
         (0x70, 7, 31), (0x70, 0, 0)]
out = b""
for row, (type_, bank, number) in enumerate(slots):
    data = bytes(((row * 31 + i * 3 + 7) & 0x7F) for i in range(256))
    out += bytes([0xF0, 0, 0, 0x7E, 0x49, 9, 2, type_, bank, number]) + data
    out += bytes([(128 - sum(data) % 128) % 128, 0xF7])
open(sys.argv[1], "wb").write(out)
EOF

send() { # name, expected status, then the send options
  local name=$1 want=$2; shift 2
  local status=0
  "$zpm" fm send "$work/send.syx" "$@" "${ports[@]}" >"$work/$name.out" 2>"$work/$name.err" ||
    status=$?
  [ "$status" -eq "$want" ] || fail "fm send $name exited $status: $(cat "$work/$name.err")"
}

start_sim sent
send all 0 --backup "$work/backup.syx" --verify --json
send drums 0 --type drums
send copy 0 --type voices --from-bank A --to-bank B
send rows 0 --type ensembles --rows 0,1 --to A:31 --yes
send past 1 --type voices --rows 0-2 --to C:127 --yes
send refused 1 --type drums --rows 1 --to E:1
stop_sim
grep -qx "Bank E not available." "$work/refused.err" || fail "no refusal: $(cat "$work/refused.err")"
tail -n1 "$work/past.err" | grep -q "C:129" || fail "the row past 128: $(tail -n1 "$work/past.err")"

python3 - "$work" <<'EOF' || fail "the simulator's memory is not what was sent"
import json, sys
work = sys.argv[1]
def dumps(path):
    raw = open(path, "rb").read()
    return [raw[i:i + 268] for i in range(0, len(raw), 268)]
rows = dumps(f"{work}/send.syx")
voices, drums, ensembles = rows[0:3], rows[3:5], rows[5:7]
memory = {(d[7], d[8], d[9]): bytearray(d) for d in dumps(f"{work}/fetched/fm.syx")}
def write(row, bank, number):  # the data and checksum land in the slot
    memory[(row[7], bank, number)][10:267] = row[10:267]
for row in rows:  # all types, each to its own slot
    write(row, row[8], row[9])
for row in drums:  # --type drums: the same again
    write(row, row[8], row[9])
write(voices[0], 1, voices[0][9])  # voices of bank A into bank B
write(ensembles[0], 0, 30)  # --rows 0,1 --to A:31
write(ensembles[1], 0, 31)
write(voices[0], 2, 126)  # --rows 0-2 --to C:127: the third has no slot left
write(voices[1], 2, 127)
after = {(d[7], d[8], d[9]): d for d in dumps(f"{work}/sent/fm.syx")}
assert after.keys() == memory.keys()
for slot, want in memory.items():
    assert after[slot] == bytes(want), f"slot {slot} differs"
backup = dumps(f"{work}/backup.syx")
before = {(d[7], d[8], d[9]): d for d in dumps(f"{work}/fetched/fm.syx")}
banks = [(0, 0), (0, 1), (0, 2), (0x10, 0), (0x10, 3), (0x70, 0), (0x70, 7)]
assert backup == [before[(t, b, n)] for t, b in banks for n in range({0: 128, 0x10: 16, 0x70: 32}[t])]
report = json.load(open(f"{work}/all.out"))
assert [s["result"] for s in report["slots"]] == ["verified"] * 7, report
assert [s["type"] for s in report["slots"]] == ["voices"] * 3 + ["drumsets"] * 2 + ["ensembles"] * 2
assert report["backup"].endswith("backup.syx")
EOF
echo "zpm fm over JACK: fetches match the simulator's memory; all, type, bank copy and rows land"
