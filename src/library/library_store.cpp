// SPDX-License-Identifier: GPL-3.0-or-later
// Storing patches and where they were seen: imports, snapshots, sightings.
#include "library/library.h"

#include "library/library_files.h"
#include "library/library_internal.h"
#include "midi/transfer_host.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

namespace zpm {

namespace fs = std::filesystem;

namespace {

// One row of the sighting table; an absent value is NULL.
struct TSightingValues {
  int64_t patch = 0;
  const char *source = "file";
  std::optional<int64_t> file, row, snapshot;
  int64_t kind = 0;
  std::optional<int64_t> bank, slot;
  int64_t verified = 0, flaws = 0, time = 0;
};

// Writes sightings many rows to a statement: the schema checks a row's
// source against a list, and SQLite builds a table of that list for every
// run of a statement, which one row at a time cost more than the row.
class TSightingWriter {
public:
  explicit TSightingWriter(TSqliteDb &db) : m_db(db) {}
  ~TSightingWriter() = default;
  TSightingWriter(const TSightingWriter &) = delete;
  TSightingWriter &operator=(const TSightingWriter &) = delete;

  void Add(const TSightingValues &values) {
    m_rows.push_back(values);
    if (m_rows.size() == kLargestRun)
      Flush();
  }
  // Before the transaction commits.
  void Flush() {
    size_t done = 0;
    // Runs of 64, 32, ... 1 rows: a few statements of fixed shapes.
    for (size_t run = kLargestRun; run > 0; run /= 2)
      while (m_rows.size() - done >= run) {
        Write(done, run);
        done += run;
      }
    m_rows.clear();
  }

private:
  static constexpr size_t kLargestRun = 64;
  static constexpr int kColumns = 11;

  void Write(size_t from, size_t count) {
    std::string sql = "INSERT INTO sighting (patch_id, source, file_id, row, snapshot_id, kind, "
                      "bank, slot, verified, flaws, time) VALUES ";
    for (size_t i = 0; i < count; ++i)
      sql += i ? ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    TCachedStatement insert = m_db.Cached(sql);
    for (size_t i = 0; i < count; ++i) {
      const TSightingValues &values = m_rows[from + i];
      const int at = static_cast<int>(i) * kColumns;
      const auto bind = [&](int column, const std::optional<int64_t> &value) {
        if (value)
          insert->Bind(at + column, *value);
        else
          insert->BindNull(at + column);
      };
      insert->Bind(at + 1, values.patch).Bind(at + 2, std::string(values.source));
      bind(3, values.file);
      bind(4, values.row);
      bind(5, values.snapshot);
      insert->Bind(at + 6, values.kind);
      bind(7, values.bank);
      bind(8, values.slot);
      insert->Bind(at + 9, values.verified).Bind(at + 10, values.flaws).Bind(at + 11, values.time);
    }
    insert->Run();
  }

  TSqliteDb &m_db;
  std::vector<TSightingValues> m_rows;
};

class TLongerLog {
public:
  explicit TLongerLog(TSqliteDb &db) : m_db(db) { m_db.Exec("PRAGMA wal_autocheckpoint = 16384"); }
  ~TLongerLog() {
    try {
      m_db.Exec("PRAGMA wal_autocheckpoint = 1000");
      m_db.Exec("PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const TSqliteError &) {
      // The next commit copies the log back when this one could not.
    }
  }
  TLongerLog(const TLongerLog &) = delete;
  TLongerLog &operator=(const TLongerLog &) = delete;

private:
  TSqliteDb &m_db;
};

bool IsSyxName(const fs::path &path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".syx";
}

} // namespace

int64_t TLibrary::StorePatch(const TPatchBytes &patch, int64_t time, bool &fresh) {
  const std::string hash = PatchHash(patch);
  {
    TCachedStatement find = m_db->Cached("SELECT id, kind, data, flaws FROM patch WHERE hash = ?");
    find->Bind(1, hash);
    while (find->Step()) {
      const std::vector<uint8_t> data = find->Blob(2);
      if (find->Int(1) == static_cast<int>(patch.kind) && data.size() == patch.data.size() &&
          std::equal(data.begin(), data.end(), patch.data.begin())) {
        const int64_t id = find->Int(0);
        // Once seen whole, the bytes are known to be what a synthesizer held.
        const uint8_t flaws = static_cast<uint8_t>(find->Int(3)) & patch.flaws;
        if (flaws != find->Int(3)) {
          TCachedStatement update = m_db->Cached("UPDATE patch SET flaws = ? WHERE id = ?");
          update->Bind(1, flaws).Bind(2, id).Run();
        }
        fresh = false;
        return id;
      }
    }
  }
  // Stored as seen once, which spares writing its row again.
  TCachedStatement insert =
      m_db->Cached("INSERT INTO patch (hash, sound, kind, data, name_text, flaws, first_seen, "
                   "last_seen, seen) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1)");
  insert->Bind(1, hash).Bind(2, SoundHash(patch)).Bind(3, static_cast<int64_t>(patch.kind));
  insert->BindBlob(4, patch.data.data(), patch.data.size());
  if (HasName(patch.kind))
    insert->Bind(5, ShownName(patch.data.data()));
  else
    insert->BindNull(5);
  insert->Bind(6, static_cast<int64_t>(patch.flaws)).Bind(7, time).Bind(8, time).Run();
  fresh = true;
  return m_db->LastInsertId();
}

int64_t TLibrary::Sight(const TPatchBytes &patch, int64_t time, TSeen &seen) {
  bool fresh = false;
  const int64_t id = StorePatch(patch, time, fresh);
  if (!fresh)
    ++seen[id];
  return id;
}

void TLibrary::NoteSeen(const TSeen &seen, int64_t time) {
  TCachedStatement update =
      m_db->Cached("UPDATE patch SET seen = seen + ?, last_seen = max(last_seen, ?), first_seen "
                   "= min(first_seen, ?) WHERE id = ?");
  for (const auto &[id, times] : seen)
    update->Bind(1, times).Bind(2, time).Bind(3, time).Bind(4, id).Run();
}

TImportedFile TLibrary::ImportFile(const std::string &givenPath) {
  TImportedFile result;
  result.path = LibraryFilePath(givenPath);
  TFilePatches file;
  try {
    file = ReadPatchFile(result.path);
  } catch (const std::exception &error) {
    result.error = error.what();
    return result;
  }
  result.warning = file.warning;
  return Guarded(m_path, [&] {
    TCachedStatement known =
        m_db->Cached("SELECT id, (SELECT count(*) FROM sighting WHERE file_id = file.id) FROM "
                     "file WHERE path = ? AND size = ? AND mtime = ?");
    known->BindBlob(1, result.path.data(), result.path.size());
    known->Bind(2, file.size).Bind(3, file.mtime);
    if (known->Step()) {
      result.unchanged = true;
      result.knownPatches = static_cast<int>(known->Int(1));
      return result;
    }
    known->Reset();
    const int64_t now = NowMs();
    TTransaction transaction(*m_db);
    TCachedStatement addFile =
        m_db->Cached("INSERT INTO file (path, size, mtime, imported) VALUES (?, ?, ?, ?)");
    addFile->BindBlob(1, result.path.data(), result.path.size());
    addFile->Bind(2, file.size).Bind(3, file.mtime).Bind(4, now).Run();
    const int64_t fileId = m_db->LastInsertId();
    TSightingWriter sight(*m_db);
    TSeen seen;
    for (const TFilePatch &patch : file.patches) {
      bool fresh = false;
      const int64_t id = StorePatch(patch.patch, now, fresh);
      if (fresh)
        ++result.newPatches;
      else
        ++result.knownPatches, ++seen[id];
      TSightingValues values;
      values.patch = id;
      values.file = fileId;
      values.row = patch.row;
      values.kind = static_cast<int64_t>(patch.patch.kind);
      values.flaws = patch.patch.flaws;
      values.time = now;
      sight.Add(values);
    }
    sight.Flush();
    NoteSeen(seen, now);
    transaction.Commit();
    return result;
  });
}

std::vector<TImportedFile>
TLibrary::Import(const std::vector<std::string> &paths, TTransferHost *host,
                 const std::function<void(const TImportedFile &)> &done) {
  std::vector<std::string> files;
  std::vector<TImportedFile> results;
  for (const std::string &path : paths) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
      std::vector<std::string> found;
      for (fs::recursive_directory_iterator
               it(path, fs::directory_options::skip_permission_denied, error),
           end;
           !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && IsSyxName(it->path()))
          found.push_back(it->path().string());
      if (error) {
        TImportedFile unreadable;
        unreadable.path = LibraryFilePath(path);
        unreadable.error = "The folder " + path + " could not be read to the end (" +
                           error.message() + "); the files found before were imported.";
        results.push_back(unreadable);
        if (done)
          done(unreadable);
      }
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
    } else {
      files.push_back(path);
    }
  }
  if (host)
    host->BeginProgress(static_cast<int>(files.size()));
  // SQLite copies its log back into the file every 1000 pages, each time
  // rewriting most of the file and waiting for the disk twice; an import
  // lets the log grow longer and has it copied back once, at its end.
  const TLongerLog longerLog(*m_db);
  try {
    for (const std::string &file : files) {
      if (host && host->ProgressCancelled())
        break;
      results.push_back(ImportFile(file));
      if (done)
        done(results.back());
      if (host)
        host->StepProgress();
    }
  } catch (...) {
    if (host)
      host->EndProgress();
    throw;
  }
  if (host)
    host->EndProgress();
  return results;
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
