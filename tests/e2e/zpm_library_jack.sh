#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library keeps the synthesizer's history: a bank fetched from
# zavorin-sim, two of its slots changed by zpm random --send, the bank
# fetched again. The history lists the three, the two fetches' exports differ
# in exactly the two slots, and the first one sent back (with a backup and a
# read-back) makes the bank as it was.
# Usage: zpm_library_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
start_server
start_sim memory --seed 31

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --delay 100 --wait 20000)
lib=(--library "$work/library.sqlite")

"$zpm" sid fetch --bank C --output "$work/first.syx" "${ports[@]}" "${lib[@]}" 2>/dev/null
"$zpm" random sid --seed 77 --bank C --first 20 --count 2 --send "${ports[@]}" "${lib[@]}" >/dev/null
"$zpm" sid fetch --bank C --output "$work/second.syx" "${ports[@]}" "${lib[@]}" 2>/dev/null

"$zpm" library history sid:C --json "${lib[@]}" >"$work/history.json"
read -r newest middle oldest < <(python3 -c '
import json, sys
h = json.load(open(sys.argv[1]))
s = h["snapshots"]
assert h["bank"] == "sid:C", h
assert [x["source"] for x in s] == ["fetch", "send", "fetch"], s
assert len(s[0]["slots"]) == 128 and s[1]["slots"] == ["C:20", "C:21"], s
assert s[1]["changed"] == 2 and s[0]["changed"] == 0, s
print(s[0]["id"], s[1]["id"], s[2]["id"])' "$work/history.json") || fail "history: $(cat "$work/history.json")"

"$zpm" library export --snapshot "$oldest" --output "$work/was.syx" "${lib[@]}"
"$zpm" library export --snapshot "$newest" --output "$work/is.syx" "${lib[@]}"
set +e
"$zpm" diff "$work/was.syx" "$work/is.syx" >"$work/diff.txt"
code=$?
set -e
[ "$code" = 3 ] || fail "diff of the two fetches exited $code"
[ "$(grep -c ' differs: ' "$work/diff.txt")" = 2 ] || fail "not two slots differ: $(cat "$work/diff.txt")"
grep -q "^sid C:20 differs: " "$work/diff.txt" && grep -q "^sid C:21 differs: " "$work/diff.txt" ||
  fail "the differing slots are not C:20 and C:21: $(cat "$work/diff.txt")"
# The export of a fetch is the fetch, byte for byte.
"$zpm" diff "$work/was.syx" "$work/first.syx" >/dev/null || fail "the export differs from the fetch"

"$zpm" sid send "$work/was.syx" --from-bank C --to-bank C --backup "$work/backup.syx" --verify \
  --yes "${ports[@]}" "${lib[@]}" >"$work/restore.txt" 2>&1 || fail "restore: $(cat "$work/restore.txt")"
"$zpm" diff "$work/first.syx" sid:C "${ports[@]}" >"$work/after.txt" 2>/dev/null ||
  fail "bank C is not as first fetched: $(tail -3 "$work/after.txt")"
"$zpm" library history sid:C --json "${lib[@]}" | python3 -c '
import json, sys
s = json.load(sys.stdin)["snapshots"]
assert s[0]["source"] == "send" and len(s[0]["slots"]) == 128 and s[0]["changed"] == 2, s[0]
' || fail "the restore is not in the history"
"$zpm" library check "${lib[@]}" >/dev/null || fail "the library fails its check"
echo "zpm library over JACK: history, export and restore as expected"
