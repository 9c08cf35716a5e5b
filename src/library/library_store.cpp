// SPDX-License-Identifier: GPL-3.0-or-later
// Storing patches and where they were seen: snapshots and sightings.
#include "library/library.h"

#include "library/library_bulk_load.h"
#include "library/library_internal.h"
#include "library/patch_counts.h"
#include "library/sighting_writer.h"
#include "library/stored_hashes.h"

namespace zpm {

int64_t TLibrary::StorePatch(const TPatchBytes &patch, int64_t time, bool &fresh,
                             TStoredHashes *stored) {
  return StorePatch(patch, PatchKeys(patch), time, fresh, stored, nullptr);
}

int64_t TLibrary::StorePatch(const TPatchBytes &patch, const TPatchKeys &keys, int64_t time,
                             bool &fresh, TStoredHashes *stored, TPatchCounts *counts) {
  // Whether the row (kind, data, flaws) is this patch.
  const auto same = [&](TStatement &row, int64_t id) {
    if (row.Int(0) != static_cast<int>(patch.kind) ||
        !row.BlobEquals(1, patch.data.data(), patch.data.size()))
      return false;
    // Once seen whole, the bytes are known to be what a synthesizer held.
    const uint8_t flaws = static_cast<uint8_t>(row.Int(2)) & patch.flaws;
    if (flaws != row.Int(2)) {
      TCachedStatement update = m_db->Cached("UPDATE OR FAIL patch SET flaws = ? WHERE id = ?");
      update->Bind(1, flaws).Bind(2, id).Run();
    }
    return true;
  };
  // Its upper 32 bits key the table of stored patches.
  const uint32_t key = static_cast<uint32_t>(keys.key >> 32);
  const uint64_t counted = keys.key;
  int64_t seen = 1;
  // Whether the stored row of a key found in memory is this patch.
  const auto storedIs = [&](int64_t candidate) {
    TCachedStatement row = m_db->Cached("SELECT kind, data, flaws FROM patch WHERE id = ?");
    row->Bind(1, candidate);
    return row->Step() && same(*row, candidate);
  };
  if (counts) {
    const int64_t id = counts->Find(counted, storedIs);
    if (id != 0) {
      fresh = false;
      return id;
    }
    seen = counts->Waiting(counted);
    if (seen == 0)
      return 0;
  } else if (stored) {
    const int64_t id = stored->Find(key, storedIs);
    if (id != 0) {
      fresh = false;
      return id;
    }
  } else {
    TCachedStatement find = m_db->Cached("SELECT kind, data, flaws, id FROM patch WHERE hash = ?");
    find->Bind(1, keys.hash);
    while (find->Step())
      if (same(*find, find->Int(3))) {
        fresh = false;
        return find->Int(3);
      }
  }
  // Stored as seen once, or as often as the import counted it, which spares
  // writing its row again.
  TCachedStatement insert = m_db->Cached(
      "INSERT OR FAIL INTO patch (hash, sound, kind, data, name_text, flaws, first_seen, "
      "last_seen, seen) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert->BindInPlace(1, keys.hash).BindInPlace(2, keys.sound);
  insert->Bind(3, static_cast<int64_t>(patch.kind));
  insert->BindBlobInPlace(4, patch.data.data(), patch.data.size());
  if (keys.name)
    insert->BindInPlace(5, *keys.name);
  else
    insert->BindNull(5);
  insert->Bind(6, static_cast<int64_t>(patch.flaws)).Bind(7, time).Bind(8, time).Bind(9, seen);
  insert->Run();
  fresh = true;
  const int64_t id = m_db->LastInsertId();
  if (counts)
    counts->Take(counted, id);
  else if (stored && !stored->Add(key, id))
    LookUpByIndex(*m_db, *stored);
  return id;
}

int64_t TLibrary::Sight(const TPatchBytes &patch, int64_t time, TSeen &seen) {
  bool fresh = false;
  const int64_t id = StorePatch(patch, time, fresh);
  if (!fresh)
    ++seen[id];
  return id;
}

void TLibrary::NoteSeen(const TSeen &seen, int64_t time) {
  TCachedStatement update = m_db->Cached(
      "UPDATE OR FAIL patch SET seen = seen + ?, last_seen = max(last_seen, ?), first_seen "
      "= min(first_seen, ?) WHERE id = ?");
  for (const auto &[id, times] : seen)
    update->Bind(1, times).Bind(2, time).Bind(3, time).Bind(4, id).Run();
}

int64_t TLibrary::RecordSnapshot(const TSnapshotRecord &record) {
  return Guarded(m_path, [&] {
    const int64_t time = record.time ? record.time : NowMs();
    TTransaction transaction(*m_db);
    TCachedStatement add =
        m_db->Cached("INSERT INTO snapshot (time, source, fm, device) VALUES (?, ?, ?, ?)");
    add->Bind(1, time).Bind(
        2, std::string(record.source == TSnapshotRecord::TSource::Fetch ? "fetch" : "send"));
    add->Bind(3, static_cast<int64_t>(record.fm))
        .Bind(4, static_cast<int64_t>(record.device))
        .Run();
    const int64_t snapshot = m_db->LastInsertId();
    TSightingWriter sight(*m_db);
    TSeen seen;
    for (const TSnapshotRecord::TSlot &slot : record.places) {
      TSightingValues values;
      values.patch = Sight(slot.placed.patch, time, seen);
      values.source = record.source == TSnapshotRecord::TSource::Fetch ? "device"
                      : slot.random                                    ? "random"
                                                                       : "send";
      values.snapshot = snapshot;
      values.kind = static_cast<int64_t>(slot.placed.patch.kind);
      values.bank = slot.placed.bank;
      values.slot = slot.placed.number;
      values.verified = slot.verified;
      values.flaws = slot.placed.patch.flaws;
      values.time = time;
      sight.Add(values);
    }
    sight.Flush();
    NoteSeen(seen, time);
    transaction.Commit();
    return snapshot;
  });
}

void TLibrary::RecordSightings(const std::vector<TSighting> &sightings) {
  Guarded(m_path, [&] {
    const int64_t time = NowMs();
    TTransaction transaction(*m_db);
    TCachedStatement findFile = m_db->Cached("SELECT id FROM file WHERE path = ? ORDER BY id DESC");
    TCachedStatement addFile =
        m_db->Cached("INSERT INTO file (path, size, mtime, imported) VALUES (?, -1, -1, ?)");
    TSightingWriter sight(*m_db);
    TSeen seen;
    for (const TSighting &sighting : sightings) {
      TSightingValues values;
      values.patch = Sight(sighting.patch, time, seen);
      values.source = "random";
      if (sighting.source == TSighting::TSource::File) {
        values.source = "file";
        const std::string path = LibraryFilePath(sighting.path);
        findFile->BindBlob(1, path.data(), path.size());
        if (findFile->Step()) {
          values.file = findFile->Int(0);
        } else {
          addFile->BindBlob(1, path.data(), path.size()).Bind(2, time).Run();
          values.file = m_db->LastInsertId();
        }
        findFile->Reset();
      }
      values.row = sighting.row;
      values.kind = static_cast<int64_t>(sighting.patch.kind);
      values.flaws = sighting.patch.flaws;
      values.time = time;
      sight.Add(values);
    }
    sight.Flush();
    NoteSeen(seen, time);
    transaction.Commit();
  });
}

} // namespace zpm
