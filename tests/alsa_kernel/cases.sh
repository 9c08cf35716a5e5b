# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=dash disable=SC2034,SC2154 # CASES is read and rc set by /init
# The cases run in the VM, in this order. Each is a function case_NAME that
# runs in its own folder /tmp/NAME and calls fail "reason" on a fault; a new
# case is one more function and one more name here.
CASES="ports fast paced vanish"

# The simulator's ports are chosen by name: Midi Through and the VirMIDI
# ports come first in the listing and would shift any index.
alsa_ports="--api alsa --in zavorin-sim:out --out zavorin-sim:in --delay 200 --wait 30000"

# start_sim ARGS...: zavorin-sim on ALSA with its memory saved to ./memory on exit.
start_sim() {
  zavorin-sim --api alsa --name zavorin-sim --save-dir "$PWD/memory" "$@" \
    >sim.out 2>sim.err &
  echo $! >/tmp/sim.pid
  local tries=0
  until grep -qx ready sim.out 2>/dev/null; do
    kill -0 "$(cat /tmp/sim.pid)" 2>/dev/null ||
      fail "zavorin-sim $* exited before it was ready: $(cat sim.err)"
    tries=$((tries + 1))
    [ $tries -lt 300 ] || fail "zavorin-sim $* was not ready within 30 s"
    sleep 0.1
  done
}

# Stops the simulator with SIGTERM, on which it saves its memory.
stop_sim() {
  local pid tries=0
  pid=$(cat /tmp/sim.pid)
  kill -TERM "$pid"
  # A child that has exited stays a zombie (state Z) until it is waited for.
  while [ -e "/proc/$pid/stat" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat")" != Z ]; do
    tries=$((tries + 1))
    [ $tries -lt 200 ] || fail "zavorin-sim did not exit within 20 s of SIGTERM"
    sleep 0.1
  done
  wait "$pid" || fail "zavorin-sim exited with status $? on SIGTERM: $(cat sim.err)"
  rm -f /tmp/sim.pid
}

# Whatever a failed case left running must not answer the next case's requests.
cleanup_case() {
  [ -e /tmp/sim.pid ] || return 0
  kill -KILL "$(cat /tmp/sim.pid)" 2>/dev/null
  rm -f /tmp/sim.pid
}

# fetch SECONDS FILE ARGS...: zpm sid fetch ARGS into ./FILE, which must succeed.
fetch() {
  local secs=$1 file=$2
  shift 2
  # shellcheck disable=SC2086 # alsa_ports is a list of words
  step "$secs" "zpm sid fetch $*" zpm sid fetch "$@" --output "$PWD/$file" $alsa_ports ||
    fail "zpm sid fetch $* exited with status $rc"
  [ -s "$file" ] || fail "zpm sid fetch $* wrote no $file"
}

# same FILE EXPECTED WHAT: byte for byte, or the case fails naming the first difference.
same() {
  cmp "$1" "$2" >/tmp/cmp.out 2>&1 ||
    fail "$3 differs from the simulator's memory ($(cat /tmp/cmp.out); sizes $(wc -c <"$1") and $(wc -c <"$2"))"
}

case_ports() {
  start_sim --seed 1 --sid-banks A
  step 60 "zpm ports" zpm ports --api alsa || fail "zpm ports --api alsa exited with status $rc"
  # The simulator's out port is one of zpm's inputs, its in port one of zpm's outputs.
  awk '/^Inputs:/ { inputs = 1 } /^Outputs:/ { inputs = 0 }
       inputs && $2 == "zavorin-sim:out" { found = 1 } END { exit !found }' /tmp/step.out ||
    fail "zpm ports --api alsa does not list zavorin-sim:out among the inputs"
  awk '/^Outputs:/ { outputs = 1 } outputs && $2 == "zavorin-sim:in" { found = 1 }
       END { exit !found }' /tmp/step.out ||
    fail "zpm ports --api alsa does not list zavorin-sim:in among the outputs"
  stop_sim
}

# Full speed: one patch, one bank, all banks and a missing bank.
case_fast() {
  start_sim --seed 4711 --sid-banks ACH
  fetch 60 patch.syx --patch C:17
  fetch 60 bank.syx --bank C
  fetch 120 all.syx --all
  # shellcheck disable=SC2086
  if step 60 "zpm sid fetch --bank B" zpm sid fetch --bank B --output "$PWD/missing.syx" \
    $alsa_ports; then
    fail "fetching the missing bank B succeeded"
  fi
  grep -q "Bank B not available." /tmp/step.out || fail "no \"Bank B not available.\" message"
  [ ! -e missing.syx ] || fail "a file was written for the missing bank B"
  stop_sim

  same bank.syx memory/sid-bank-C.syx "bank C"
  cat memory/sid-bank-A.syx memory/sid-bank-C.syx memory/sid-bank-H.syx >expected-all.syx
  same all.syx expected-all.syx "all banks"
  # The Bank Select of bank C, then the 17th patch dump after it.
  {
    head -c 9 memory/sid-bank-C.syx
    tail -c +$((9 + 16 * 266 + 1)) memory/sid-bank-C.syx | head -c 266
  } >expected-patch.syx
  same patch.syx expected-patch.syx "patch C:17"
}

# At the MIDI cable's rate (3125 bytes/s) a bank takes about 10.5 s: one
# bank is plugged in, so --all also crosses seven "not available" answers.
case_paced() {
  start_sim --pace --seed 99 --sid-banks C
  fetch 120 all.syx --all
  stop_sim
  same all.syx memory/sid-bank-C.syx "all banks, paced"
}

# The simulator killed in the middle of a paced dump: the kernel announces its
# port gone, and zpm ends at once with that reason instead of waiting out
# --wait, and writes nothing.
case_vanish() {
  start_sim --pace --seed 5 --sid-banks C
  # shellcheck disable=SC2086
  zpm sid fetch --bank C --retries 0 --output "$PWD/vanish.syx" $alsa_ports >zpm.out 2>&1 &
  local zp=$! killed_at took
  sleep 3
  killed_at=$(uptime_s)
  kill -KILL "$(cat /tmp/sim.pid)"
  rm -f /tmp/sim.pid
  if wait "$zp"; then
    fail "zpm succeeded although the simulator was killed mid-dump"
  fi
  took=$(since "$killed_at")
  sed 's/^/    /' zpm.out
  grep -q "zavorin-sim:out has gone" zpm.out || fail "zpm did not say the port has gone"
  [ ! -e vanish.syx ] || fail "zpm wrote a file although the dump was cut off"
  awk -v t="$took" 'BEGIN { exit !(t < 5) }' ||
    fail "zpm ended $took s after the simulator was killed"
  say "zpm ended $took s after the simulator was killed"
}
