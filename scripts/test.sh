#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: the normal build with warnings as
# errors (unit, integration, window and end-to-end tests on a private JACK
# server, the JACK ones again on PipeWire's JACK, then zpm and zavorin-sim
# over ALSA in a VM with a Debian kernel), a clang build with
# AddressSanitizer and UndefinedBehaviorSanitizer that runs the tests again
# and gives each file loader a short fuzzing run, and a ThreadSanitizer build
# of the tests where the MIDI driver side and the waiting side meet.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${ZPM_FUZZ_SECONDS:-20}

echo "== Build (g++, warnings are errors)"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZPM_WERROR=ON >/dev/null
ninja -C build/ci -j "$jobs"
# A JACK server that was killed leaves its entry in the shared registry, which
# holds eight servers; with no server running every entry is stale.
clear_stale_jack() {
  if ! pgrep -x jackd >/dev/null; then
    rm -rf /dev/shm/jack-shm-registry /dev/shm/jack_db-* /dev/shm/jack-[0-9]* /dev/shm/jack_sem.*
  fi
}
clear_stale_jack
echo "== Tests"
(cd build/ci && ctest --output-on-failure -j "$jobs")
echo "== The JACK tests on PipeWire's JACK (a private headless PipeWire each)"
if command -v pipewire >/dev/null && command -v pw-jack >/dev/null; then
  (cd build/ci && ZPM_TEST_JACK=pipewire pw-jack ctest --output-on-failure -L jack)
else
  echo "PipeWire's JACK is not installed (Debian package pipewire-jack): this step is skipped."
fi
echo "== ALSA on a real kernel sequencer (a Debian kernel under qemu)"
tests/alsa_kernel/run.sh build/ci/zpm build/ci/zavorin-sim build/ci/alsa-kernel

echo "== Build (clang, address and undefined-behaviour sanitizers, fuzzers)"
CC=clang CXX=clang++ cmake -S . -B build/san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZPM_WERROR=ON \
  -DZPM_SANITIZE=address,undefined -DZPM_BUILD_FUZZ=ON -DZPM_BUILD_BENCH=OFF >/dev/null
ninja -C build/san -j "$jobs"
echo "== Tests under the sanitizers"
clear_stale_jack
(cd build/san && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" -LE fuzz)
echo "== Fuzzing, ${fuzz_seconds}s per loader"
(cd build/san && ZPM_FUZZ_SECONDS=$fuzz_seconds ctest --output-on-failure -L fuzz)

echo "== Build (clang, thread sanitizer) and the threaded tests"
CC=clang CXX=clang++ cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZPM_WERROR=ON \
  -DZPM_SANITIZE=thread -DZPM_BUILD_BENCH=OFF >/dev/null
ninja -C build/tsan -j "$jobs" test_midi test_sid test_fm test_edit test_library
for t in test_midi test_sid test_fm test_edit test_library; do
  TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/e2e/tsan.supp" "build/tsan/tests/$t" \
    --gtest_brief=1
done

echo "All tests passed."
