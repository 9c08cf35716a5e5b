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

# A large import into an empty library, in several batches, killed (or
# interrupted) once its first batch is in: every patch of the library counts
# exactly the sightings it has, after the next program opens it.
mkdir -p "$work/large" "$work/distinct"
cp "$work"/files/*/*.syx "$work/distinct/"
for seed in $(seq 25 40); do
  "$zpm" random sid --seed "$seed" --bank A --first 1 --count 128 \
    --output "$work/distinct/bank$seed.syx" >/dev/null
done
# 2560 files of 128 patches (two batches), each patch in one file of every 40.
for copy in $(seq -w 0 63); do
  for seed in $(seq 1 40); do cp "$work/distinct/bank$seed.syx" "$work/large/c$copy-$seed.syx"; done
done
miscounted() {
  python3 - "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("SELECT count(*) FROM patch p WHERE seen != (SELECT count(*) FROM sighting s "
                 "WHERE s.patch_id = p.id)").fetchone()[0])
PY
}
cut_short=0
for moment in kill-0 kill-0.2 kill-0.5 int-0 int-0.3; do
  lib=$work/large-$moment.sqlite
  "$zpm" library import "$work/large" --library "$lib" >"$work/large-$moment.txt" 2>/dev/null &
  pid=$!
  # The first file reported: its batch is committed.
  until [ -s "$work/large-$moment.txt" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.02; done
  sleep "${moment#*-}"
  kill "-${moment%%-*}" "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  told=$(wc -l <"$work/large-$moment.txt")
  [ "$told" -lt 2560 ] && cut_short=$((cut_short + 1))
  "$zpm" library check --library "$lib" >"$work/check.txt" ||
    fail "$moment after $told files: the library fails its check: $(cat "$work/check.txt")"
  [ "$(miscounted "$lib")" = 0 ] ||
    fail "$moment after $told files: $(miscounted "$lib") patches count other than their sightings"
  "$zpm" library import "$work/large" --library "$lib" >/dev/null 2>&1 || fail "$moment: the import after failed"
  [ "$(miscounted "$lib")" = 0 ] || fail "$moment: completed, $(miscounted "$lib") patches miscounted"
done
[ "$cut_short" -gt 0 ] || fail "every large import ended before it was stopped"
echo "large imports stopped at 5 moments ($cut_short before their end): every patch counts its sightings"
rm -rf "$work/large" "$work"/large-*

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
