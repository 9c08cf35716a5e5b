# SPDX-License-Identifier: GPL-3.0-or-later
# What the end-to-end scripts on JACK share, sourced after `set -euo pipefail`
# with $sim set: a private JACK server named after the script's process, a
# work folder, and every process started through it stopped on exit, however
# the script ends. With ZPM_TEST_JACK=pipewire the server is a private
# headless PipeWire instead, and the scripts run under pw-jack, so that every
# program in them uses PipeWire's JACK library.
# shellcheck shell=bash
export JACK_DEFAULT_SERVER=zpmtest$$
work=$(mktemp -d)
# What zpm keeps of its transfers goes to the run's own library.
export ZPM_LIBRARY=$work/library.sqlite
pids=()
# The clients go before the server: a server stopped under its clients may
# leave its entry in JACK's registry, which holds eight servers.
cleanup() {
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -CONT "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -f /dev/shm/jack_sem.0_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack-*-"$JACK_DEFAULT_SERVER"* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$work/server.log" ]; then tail -n 20 "$work/server.log" | sed 's/^/server: /' >&2; fi
  exit 1
}

# wait_for WHAT COMMAND...: polls the command until it succeeds, at most 10 s.
wait_for() {
  local what=$1; shift
  for _ in $(seq 200); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  fail "timed out waiting for $what"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_for_dump NAME: until the paced dump that the fetch NAME (run with
# --log, its standard error in $work/NAME.err) waits for is under way: its
# first 2048-byte chunk has arrived, about 0.65 s into it.
wait_for_dump() {
  local name=$1
  for _ in $(seq 400); do
    grep -q 'IN : <Bytes> 2048 ' "$work/$name.err" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "the dump did not start: $(tail -n3 "$work/$name.err")"
}

# start_server [JACKD_OPTION...]: the server, without -S unless given: it
# goes on without a client that is late. -R: realtime scheduling where the
# system allows it (as root it does), so a busy machine does not make its
# clients miss cycles; where it does not, jackd says so and runs without it.
# PipeWire runs in a runtime folder of its own, where its clients find it.
server_pid=
start_server() {
  if [ "${ZPM_TEST_JACK:-}" = pipewire ]; then
    export XDG_RUNTIME_DIR=$work/run
    unset PIPEWIRE_RUNTIME_DIR PIPEWIRE_REMOTE
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    # pipewire reads a relative -c path from its own folders.
    pipewire -c "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/pipewire-test.conf" \
      >>"$work/server.log" 2>&1 &
  else
    jackd -n "$JACK_DEFAULT_SERVER" -R "$@" -d dummy -r 48000 -p 256 -C 0 -P 0 \
      >>"$work/server.log" 2>&1 &
  fi
  server_pid=$!
  pids+=($server_pid)
  wait_for "the JACK server" jack_lsp
}

# start_sim DIR ARGS...: zavorin-sim on the server with the ports
# zavorin-sim:in and zavorin-sim:out, started with ${sim_args[@]} and ARGS;
# its memory goes to $work/DIR when it ends.
sim_args=()
sim_pid=
sim_dir=
start_sim() {
  local dir=$1; shift
  sim_dir=$dir
  mkfifo "$work/$dir.out"
  "$sim" --api jack --name zavorin-sim --save-dir "$work/$dir" "${sim_args[@]}" "$@" \
    >"$work/$dir.out" 2>"$work/$dir.err" &
  sim_pid=$!
  pids+=($sim_pid)
  local ready
  read -r -t 20 ready <"$work/$dir.out" || fail "zavorin-sim did not start: $(cat "$work/$dir.err")"
  [ "$ready" = ready ] || fail "zavorin-sim said \"$ready\""
}

# Stops the simulator with SIGTERM, on which it saves its memory.
stop_sim() {
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" || fail "zavorin-sim did not exit cleanly: $(cat "$work/$sim_dir.err")"
}
