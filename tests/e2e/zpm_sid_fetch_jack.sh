#!/usr/bin/env bash
# End to end on a real JACK server: zavorin-sim holds seeded SID banks, zpm
# fetches a patch, a bank and all banks over JACK, and each file must equal
# what the simulator writes of its own memory when it exits.
# Usage: zpm_sid_fetch_jack.sh ZPM ZAVORIN_SIM
set -euo pipefail
zpm=$1
sim=$2

export JACK_DEFAULT_SERVER=zpmtest$$
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -f /dev/shm/jack_sem.0_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack-*-"$JACK_DEFAULT_SERVER"* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Polls a condition without a fixed sleep of its own beyond a short back-off.
wait_for() {
  local what=$1; shift
  for _ in $(seq 200); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  fail "timed out waiting for $what"
}

jackd -n "$JACK_DEFAULT_SERVER" -r -d dummy -r 48000 -p 256 -C 0 -P 0 >"$work/jackd.log" 2>&1 &
pids+=($!)
wait_for "the JACK server" jack_lsp

# Banks A, C and H plugged in; the rest answer "not available".
mkfifo "$work/sim.out"
"$sim" --api jack --name zavorin-sim --seed 4711 --sid-banks ACH --save-dir "$work/memory" \
  >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
pids+=($sim_pid)
read -r -t 20 ready <"$work/sim.out" || fail "zavorin-sim did not start: $(cat "$work/sim.err")"
[ "$ready" = ready ] || fail "zavorin-sim said \"$ready\""

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

kill -TERM "$sim_pid"
wait "$sim_pid" || fail "zavorin-sim did not exit cleanly"

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
