#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `zpm info` as a whole process on the 10,000-patch SID file of
# bench_sid_load. Usage: bench/zpm_info_timing.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-20}
file=$(mktemp --suffix=.syx)
trap 'rm -f "$file"' EXIT
ZPM_BENCH_FILE=$file "$build/bench/bench_sid_load" --benchmark_filter=none >/dev/null 2>&1 || true
[ -s "$file" ] || ZPM_BENCH_FILE=$file "$build/bench/bench_sid_load" --benchmark_min_time=0.01 >/dev/null
"$build/zpm" info "$file" >/dev/null # warm the page cache
start=$(date +%s%N)
for _ in $(seq "$runs"); do "$build/zpm" info "$file" >/dev/null; done
end=$(date +%s%N)
per_run_us=$(( (end - start) / runs / 1000 ))
echo "zpm info on $(stat -c %s "$file") bytes (10,000 patches): ${per_run_us} us per run over $runs runs"
