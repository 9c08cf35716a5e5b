#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: sends that meet trouble report exactly
# what reached the synthesizer. Each case compares the memory zavorin-sim
# saves with zpm's JSON report slot by slot: a slot "written" holds what was
# sent, a slot "not sent" holds what it held before, at most the slot in
# flight when the connection was lost is "unknown" for that, and zpm exits 0
# only when every slot arrived.
# Cases: bytes still queued at exit (--delay 0), the synthesizer's program
# ended mid-send, the JACK server killed mid-send, Ctrl+C and SIGTERM
# mid-send, an unasked dump before an FM write's answer, two programs
# sending to one synthesizer, and a zpm too busy to keep up with the server.
# Usage: zpm_send_trouble_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
# The lock files of this run's ports stay in its own folder.
export TMPDIR=$work XDG_RUNTIME_DIR=
sim_args=(--seed 4711)
ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --wait 20000 --retries 0)
start_server

"$zpm" random sid --seed 7 --bank C --first 1 --count 128 --output "$work/c.syx"
"$zpm" random sid --seed 8 --bank A --first 1 --count 128 --output "$work/a.syx"
"$zpm" random fm --seed 9 --bank B --first 1 --count 2 --output "$work/fm-b.syx"
"$zpm" random fm --seed 9 --bank A --first 1 --count 2 --output "$work/fm-a.syx"

start_sim before
stop_sim

# check NAME FILE STATUS [MEMORY]: the report $work/NAME.json of a send of
# FILE's rows in order, zpm's exit status, the memory saved in $work/MEMORY
# (default NAME).
check() {
  python3 - "$work" "$@" <<'EOF' || fail "$1: the report does not match the synthesizer's memory"
import json, sys
work, name, sent, status = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
saved = sys.argv[5] if len(sys.argv) > 5 else name
report = json.load(open(f"{work}/{name}.json"))["slots"]
data = open(sent, "rb").read()
fm = data[4] == 0x49
def patches(raw, size):
    out, i = [], 0
    while i < len(raw):
        if raw[i] == 0xF0 and raw[i + 6] in (0x02,):
            out.append(raw[i:i + size]); i += size
        else:
            i = raw.index(0xF7, i) + 1
    return out
size = 268 if fm else 266
rows = patches(data, size)
def memory(folder):
    slots = {}
    if fm:
        for dump in patches(open(f"{folder}/fm.syx", "rb").read(), 268):
            if dump[7] == 0:
                slots[f"{'ABCDEFGH'[dump[8]]}:{dump[9] + 1}"] = dump[10:266]
    else:
        for letter in "ABCDEFGH":
            try:
                raw = open(f"{folder}/sid-bank-{letter}.syx", "rb").read()
            except FileNotFoundError:
                continue
            for n, dump in enumerate(patches(raw, 266)):
                slots[f"{letter}:{n + 1}"] = dump[8:264]
    return slots
before, after = memory(f"{work}/before"), memory(f"{work}/{saved}")
counts = {}
for row, slot in enumerate(report):
    result, where = slot["result"], slot["slot"]
    counts[result] = counts.get(result, 0) + 1
    mine = rows[row][10:266] if fm else rows[row][8:264]
    if result in ("written", "verified"):
        assert after[where] == mine, f"{where} is reported {result} but does not hold the patch"
    elif result == "not sent":
        assert after.get(where) == before.get(where), f"{where} is reported {result} but changed"
    else:
        assert result in ("unknown", "not available"), f"{where}: unexpected result {result}"
in_flight = [s for s in report if s.get("detail") == "on its way when the connection was lost"]
assert len(in_flight) <= 1, f"more than one slot in flight: {counts}"
done = all(s["result"] in ("written", "verified") for s in report)
assert (status == 0) == done, f"exit {status} with {counts}"
print(f"{name}: exit {status}, {counts}")
EOF
}

# send NAME ARGS...: zpm sid send into the running simulator with a JSON
# report in $work/NAME.json; its exit status in $status.
send() {
  local name=$1; shift
  status=0
  "$zpm" "$@" "${ports[@]}" --json >"$work/$name.json" 2>"$work/$name.err" || status=$?
}

# Bytes still queued when zpm ends go out before it ends.
start_sim drained
send drained sid send "$work/c.syx" --rows 0-19 --to C:1 --yes --delay 0
[ "$status" -eq 0 ] || fail "a send at --delay 0 exited $status: $(cat "$work/drained.err")"
stop_sim
head -c $((9 + 20 * 266)) "$work/c.syx" >"$work/c20.syx"
check drained "$work/c20.syx" "$status"

# wait_for_writes LOG COUNT: until zpm has logged COUNT SID patches sent.
wait_for_writes() {
  local log=$1 count=$2
  for _ in $(seq 400); do
    [ "$(grep -c 'OUT: <Bytes> 266' "$log" 2>/dev/null || true)" -ge "$count" ] && return 0
    sleep 0.025
  done
  fail "zpm wrote fewer than $count patches"
}

# interrupted NAME SIGNAL TARGET: a 128-patch send at 20 ms a patch, with
# SIGNAL sent to TARGET (zpm, sim or server) once 10 patches have gone out.
interrupted() {
  local name=$1 signal=$2 target=$3
  start_sim "$name"
  status=0
  "$zpm" sid send "$work/c.syx" --from-bank C --to-bank C --delay 20 "${ports[@]}" --json --log \
    >"$work/$name.json" 2>"$work/$name.err" &
  local zpm_pid=$!
  wait_for_writes "$work/$name.err" 10
  case $target in
  zpm) kill "-$signal" "$zpm_pid" ;;
  sim) kill "-$signal" "$sim_pid" ;;
  server) kill "-$signal" "$server_pid" ;;
  esac
  wait "$zpm_pid" || status=$?
  case $target in
  zpm) stop_sim ;;
  sim) wait "$sim_pid" || true ;;
  server)
    wait "$sim_pid" || true
    start_server
    ;;
  esac
  python3 -c "import json,sys; json.load(open(sys.argv[1]))" "$work/$name.json" ||
    fail "$name: no JSON report (exit $status): $(tail -n1 "$work/$name.err")"
  check "$name" "$work/c.syx" "$status"
}

interrupted vanished TERM sim
[ "$status" -eq 1 ] || fail "a synthesizer that vanished mid-send: exit $status"
# Its ports went, the server stayed: the words say so, and nothing else.
grep -qE "The MIDI port zavorin-sim:(in|out) has gone\." "$work/vanished.err" ||
  fail "no word of the lost port: $(tail -n1 "$work/vanished.err")"
! grep -q "MIDI service was lost\|JACK server" "$work/vanished.err" "$work/vanished.json" ||
  fail "a port that went was called a lost service"

interrupted serverdied KILL server
[ "$status" -eq 1 ] || fail "a server that died mid-send: exit $status"

interrupted ctrlc INT zpm
[ "$status" -eq 130 ] || fail "Ctrl+C mid-send: exit $status"
interrupted sigterm TERM zpm
[ "$status" -eq 143 ] || fail "SIGTERM mid-send: exit $status"

# An FM write is answered only by the acknowledgement or the refusal, never
# by a dump another program asked for.
start_sim unasked --unasked-dump --fm-voice-banks A
send fm-refused fm send "$work/fm-b.syx" --ack-timeout 300
[ "$status" -eq 1 ] || fail "a write into a missing FM bank exited $status"
python3 -c "import json,sys; r=[s['result'] for s in json.load(open(sys.argv[1]))['slots']]; \
assert r == ['not available', 'not sent'], r" "$work/fm-refused.json" ||
  fail "the refused FM write was not reported as refused"
send unasked fm send "$work/fm-a.syx" --ack-timeout 300
stop_sim
check unasked "$work/fm-a.syx" "$status"

# Two programs on one synthesizer: the second waits for the first and says
# so; with --no-wait it fails at once, naming the holder.
start_sim two
"$zpm" sid send "$work/c.syx" --from-bank C --to-bank C --delay 5 "${ports[@]}" --json --log \
  >"$work/two-c.json" 2>"$work/two-c.err" &
first=$!
wait_for_writes "$work/two-c.err" 1
status=0
"$zpm" sid send "$work/a.syx" --from-bank A --to-bank A --delay 5 "${ports[@]}" --no-wait \
  >/dev/null 2>"$work/nowait.err" || status=$?
[ "$status" -eq 1 ] || fail "--no-wait beside another program exited $status"
grep -q "Another program (zpm, process $first) is talking to the synthesizer on zavorin-sim:in." \
  "$work/nowait.err" || fail "--no-wait did not name the holder: $(cat "$work/nowait.err")"
send two-a sid send "$work/a.syx" --from-bank A --to-bank A --delay 5
second=$status
status=0
wait "$first" || status=$?
stop_sim
grep -q "Waiting for another program (zpm, process $first)" "$work/two-a.err" ||
  fail "the second program did not say whom it waited for"
check two-c "$work/c.syx" "$status" two
[ "$status" -eq 0 ] || fail "the first of two sends exited $status"
check two-a "$work/a.syx" "$second" two
[ "$second" -eq 0 ] || fail "the second of two sends exited $second"

# A zpm too busy to keep up: stopped for 8 ms every 30 ms while it sends, so
# that the server goes on without it. Bytes that left while the server fell
# behind may never have been read: that write goes out again, and no slot is
# "written" that does not hold its patch.
start_sim stalled
"$zpm" sid send "$work/c.syx" --rows 0-39 --to C:1 --yes --delay 5 "${ports[@]}" --json \
  >"$work/stalled.json" 2>"$work/stalled.err" &
first=$!
(while kill -STOP "$first" 2>/dev/null; do
  sleep 0.008
  kill -CONT "$first"
  sleep 0.03
done) &
stopper=$!
status=0
wait "$first" || status=$?
kill "$stopper" 2>/dev/null || true
wait "$stopper" 2>/dev/null || true
stop_sim
head -c $((9 + 40 * 266)) "$work/c.syx" >"$work/c40.syx"
check stalled "$work/c40.syx" "$status"
python3 -c "import json,sys; assert any(s['tries'] > 1 for s in json.load(open(sys.argv[1]))['slots'])" \
  "$work/stalled.json" || fail "no write was sent again though the server went on without zpm"
echo "zpm sends under trouble: every report matches the synthesizer's memory"
