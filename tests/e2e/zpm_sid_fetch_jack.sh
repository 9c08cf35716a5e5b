#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real JACK server: zavorin-sim holds seeded SID banks, zpm
# fetches a patch, a bank and all banks over JACK, and each file must equal
# what the simulator writes of its own memory when it exits.
# Usage: zpm_sid_fetch_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

source "$(dirname "$0")/jack_common.sh"
start_server
start_sim memory --seed 4711 --sid-banks ACH

ports=(--api jack --in zavorin-sim:out --out zavorin-sim:in --delay 200 --wait 20000)
"$zpm" ports --api jack --json | grep -q '"zavorin-sim:out"' || fail "zpm ports does not list the simulator"

"$zpm" sid fetch --patch C:17 --output "$work/patch.syx" "${ports[@]}"
"$zpm" sid fetch --bank H --output "$work/bank.syx" "${ports[@]}"
"$zpm" sid fetch --all --output "$work/all.syx" "${ports[@]}"
if "$zpm" sid fetch --bank B --output "$work/missing.syx" "${ports[@]}" 2>"$work/missing.err"; then
  fail "fetching a missing bank succeeded"
fi
grep -q "Bank B not available." "$work/missing.err" || fail "no 'Bank B not available.' message"
[ ! -e "$work/missing.syx" ] || fail "a file was written for a missing bank"

stop_sim

mem=$work/memory
cmp "$work/bank.syx" "$mem/sid-bank-H.syx" || fail "bank H differs from the simulator's memory"
cat "$mem/sid-bank-A.syx" "$mem/sid-bank-C.syx" "$mem/sid-bank-H.syx" >"$work/expected-all.syx"
cmp "$work/all.syx" "$work/expected-all.syx" || fail "all banks differ from the simulator's memory"
# One patch: the Bank Select of bank C, then patch 17 (the 17th dump after the bank's Bank Select).
{
  head -c 9 "$mem/sid-bank-C.syx"
  dd if="$mem/sid-bank-C.syx" iflag=skip_bytes,count_bytes skip=$((9 + 16 * 266)) count=266 \
    status=none
} >"$work/expected-patch.syx"
cmp "$work/patch.syx" "$work/expected-patch.syx" || fail "patch C:17 differs from the simulator's memory"
echo "zpm sid fetch over JACK: patch, bank and all banks match the simulator's memory"
