#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A plain import of SID .syx files into a SQLite file, for bench_library to
# hold the program's import against: usage library_import.py FOLDER DATABASE.
# Prints the seconds the import took, interpreter start left out.
import hashlib
import os
import sqlite3
import sys
import time

HEAD = b"\xf0\x00\x00\x7e\x46"
DUMP = 266

start = time.perf_counter()
folder, database = sys.argv[1], sys.argv[2]
db = sqlite3.connect(database, isolation_level=None)
db.execute("PRAGMA journal_mode = WAL")
db.execute("PRAGMA synchronous = NORMAL")
db.executescript("""
CREATE TABLE IF NOT EXISTS patch (id INTEGER PRIMARY KEY, hash TEXT UNIQUE NOT NULL,
  kind TEXT NOT NULL, name BLOB NOT NULL, data BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS sighting (id INTEGER PRIMARY KEY, patch_id INTEGER NOT NULL,
  path TEXT NOT NULL, row INTEGER NOT NULL);
""")
for name in sorted(os.listdir(folder)):
    if not name.lower().endswith(".syx"):
        continue
    path = os.path.join(folder, name)
    with open(path, "rb") as f:
        raw = f.read()
    db.execute("BEGIN")
    row, at = 0, raw.find(HEAD)
    while at >= 0 and at + DUMP <= len(raw):
        if raw[at + 6] == 0x02:
            data = raw[at + 8 : at + 264]
            key = hashlib.sha256(b"sid" + data).hexdigest()[:16]
            db.execute("INSERT OR IGNORE INTO patch (hash, kind, name, data) VALUES (?, 'sid', ?, ?)",
                       (key, data[:16], data))
            (patch_id,) = db.execute("SELECT id FROM patch WHERE hash = ?", (key,)).fetchone()
            db.execute("INSERT INTO sighting (patch_id, path, row) VALUES (?, ?, ?)",
                       (patch_id, path, row))
            row += 1
            at = raw.find(HEAD, at + DUMP)
        else:
            at = raw.find(HEAD, at + 1)
    db.execute("COMMIT")
db.close()
print(f"{time.perf_counter() - start:.6f}")
