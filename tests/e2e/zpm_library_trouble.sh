#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library under trouble: zpm library import killed with SIGKILL at
# random moments, two imports into one library at once, and (as root) a
# library on a disk that fills up. Afterwards the file passes its checks,
# holds every file an import reported done, and a new import completes it.
# Usage: zpm_library_trouble.sh ZPM
set -euo pipefail
zpm=$1
work=$(mktemp -d)
cleanup() {
  umount "$work/small" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/files/a" "$work/files/b"
for seed in $(seq 1 24); do
  half=$([ $((seed % 2)) = 0 ] && echo a || echo b)
  "$zpm" random sid --seed "$seed" --bank A --first 1 --count 128 \
    --output "$work/files/$half/bank$seed.syx" >/dev/null
done
patches() {
  "$zpm" library stats --json --library "$1" | python3 -c 'import json,sys; print(json.load(sys.stdin)["patches"]["sid"])'
}

# SIGKILL at random moments; what was reported done stays done.
lib=$work/killed.sqlite
for round in $(seq 1 6); do
  "$zpm" library import "$work/files" --library "$lib" >"$work/round$round.txt" 2>/dev/null &
  pid=$!
  sleep "0.$((RANDOM % 4))$((RANDOM % 10))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -f "$lib" ] || continue
  "$zpm" library check --library "$lib" >"$work/check.txt" ||
    fail "round $round: the library fails its check: $(cat "$work/check.txt")"
  # A file reported in this round is known to the next import without a new patch.
  while IFS= read -r line; do
    path=$(sed -n 's/^\(\/.*\.syx\): .*/\1/p' <<<"$line")
    [ -n "$path" ] || continue
    "$zpm" library import "$path" --library "$lib" --json >"$work/again.json"
    python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["new"] == 0, d' \
      "$work/again.json" || fail "round $round: $path was reported done but is not in the library"
  done <"$work/round$round.txt"
done
"$zpm" library import "$work/files" --library "$lib" >/dev/null || fail "the last import failed"
[ "$(patches "$lib")" = 3072 ] || fail "after the kills the library holds $(patches "$lib") patches"
echo "six imports killed with SIGKILL: the library stayed whole and the last import completed it"

# Two imports at once: each succeeds, or says the library is busy; nothing is lost.
lib=$work/shared.sqlite
"$zpm" library import "$work/files/a" --library "$lib" >"$work/a.txt" 2>&1 &
a=$!
"$zpm" library import "$work/files/b" --library "$lib" >"$work/b.txt" 2>&1 &
b=$!
codes=0
wait "$a" || { grep -q "is busy" "$work/a.txt" || fail "import a: $(cat "$work/a.txt")"; codes=1; }
wait "$b" || { grep -q "is busy" "$work/b.txt" || fail "import b: $(cat "$work/b.txt")"; codes=1; }
[ "$codes" = 1 ] && "$zpm" library import "$work/files" --library "$lib" >/dev/null
"$zpm" library check --library "$lib" >/dev/null || fail "two imports at once damaged the library"
[ "$(patches "$lib")" = 3072 ] || fail "two imports at once kept $(patches "$lib") patches"
echo "two imports at once: both kept"

# A disk that fills up: a clear message, and the library as before the failed file.
if [ "$(id -u)" = 0 ] && mkdir -p "$work/small" && mount -t tmpfs -o size=900k tmpfs "$work/small" 2>/dev/null; then
  lib=$work/small/library.sqlite
  set +e
  "$zpm" library import "$work/files" --library "$lib" >"$work/full.out" 2>"$work/full.err"
  code=$?
  set -e
  [ "$code" = 1 ] || fail "an import onto a full disk exited $code"
  grep -q "is full" "$work/full.out" "$work/full.err" || fail "no word of the full disk: $(cat "$work/full.err")"
  "$zpm" library check --library "$lib" >/dev/null || fail "the full disk damaged the library"
  done_files=$(grep -c "^/.*: [0-9]* new" "$work/full.out" || true)
  [ "$(patches "$lib")" = $((done_files * 128)) ] ||
    fail "$done_files files were done but the library holds $(patches "$lib") patches"
  echo "a full disk: $done_files files kept whole, the rest refused with a clear message"
else
  echo "a full disk: not tried (needs root to make a small disk)"
fi
