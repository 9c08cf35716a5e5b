// SPDX-License-Identifier: GPL-3.0-or-later
// Importing .syx files: file by file in batches, and into an empty library
// as a counted bulk load.
#include "library/library.h"

#include "library/library_bulk_load.h"
#include "library/library_files.h"
#include "library/library_internal.h"
#include "library/patch_counts.h"
#include "library/read_ahead.h"
#include "library/sighting_writer.h"
#include "library/stored_hashes.h"
#include "midi/transfer_host.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>

namespace zpm {

namespace fs = std::filesystem;

namespace {

bool IsSyxName(const fs::path &path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".syx";
}

} // namespace

// Files imported in one transaction: a commit for every file wrote the
// pages the file touched each time; a batch writes them once. Bounded in
// patches and time, so another program waits a moment at most.
struct TImportBatch {
  TImportBatch(TSqliteDb &db, TBulkLoad *bulk = nullptr) : db(db), bulk(bulk) {}
  void Begin() {
    if (!transaction) {
      transaction = std::make_unique<TTransaction>(db);
      began = std::chrono::steady_clock::now();
      now = start ? start : NowMs();
      if (bulk)
        bulk->BatchBegun();
    }
  }
  bool Full() const {
    return transaction &&
           (patches >= kMostPatches || std::chrono::steady_clock::now() - began >= kLongest);
  }

  // Each commit writes again the pages of the hash index it touched, most
  // of them: fewer commits, fewer bytes. Another program waits for a batch
  // at most, well within its busy timeout of 5 s.
  static constexpr size_t kMostPatches = 250000;
  static constexpr std::chrono::milliseconds kLongest{2500};
  TSqliteDb &db;
  TBulkLoad *bulk;
  std::unique_ptr<TTransaction> transaction;
  std::chrono::steady_clock::time_point began;
  int64_t now = 0;   // the import time of every file of the batch
  int64_t start = 0; // of every batch, when a counted import's rows hold their last sighting
  size_t patches = 0;
  // Known patches seen again, noted once per batch rather than per file.
  std::map<int64_t, int64_t> seen;
};

void TLibrary::CommitBatch(TImportBatch &batch) {
  if (!batch.transaction)
    return;
  NoteSeen(batch.seen, batch.now);
  batch.transaction->Commit();
  batch.transaction.reset();
  batch.seen.clear();
  batch.patches = 0;
}

TImportedFile TLibrary::ImportFile(const std::string &path) {
  return Guarded(m_path, [&] {
    TImportBatch batch(*m_db);
    TImportedFile result = ImportInto(path, batch);
    CommitBatch(batch);
    return result;
  });
}

// Ends a counted import's counting within the batch, once the sightings so
// far are written.
void TLibrary::StopCounting(TImportBatch &batch) {
  batch.Begin();
  if (!batch.bulk || !batch.bulk->Counts())
    return;
  NoteSeen(batch.seen, batch.now);
  batch.seen.clear();
  batch.bulk->StopCounting();
}

TImportedFile TLibrary::ImportInto(const std::string &givenPath, TImportBatch &batch,
                                   TReadFile *ahead) {
  TImportedFile result;
  // What the file held when counted: a file stored otherwise (changed since,
  // or not at all) ends the counting.
  const uint64_t counted = batch.bulk ? batch.bulk->NextDigest() : 0;
  const auto storedNothing = [&] {
    if (counted != 0)
      StopCounting(batch);
    return result;
  };
  result.path = LibraryFilePath(givenPath);
  TCachedStatement known =
      m_db->Cached("SELECT id, (SELECT count(*) FROM sighting WHERE file_id = file.id) FROM "
                   "file WHERE path = ? AND size = ? AND mtime = ?");
  const auto knownBefore = [&](int64_t size, int64_t mtime) {
    known->BindBlob(1, result.path.data(), result.path.size());
    known->Bind(2, size).Bind(3, mtime);
    const bool found = known->Step();
    if (found) {
      result.unchanged = true;
      result.knownPatches = static_cast<int>(known->Int(1));
    }
    known->Reset();
    return found;
  };
  // An unchanged file is known by its size and time alone, without reading it.
  struct stat info {};
  const bool there = stat(result.path.c_str(), &info) == 0;
  const int64_t mtime = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  if (there && knownBefore(info.st_size, mtime))
    return storedNothing();
  // What was read ahead counts only while the file is still as it was read.
  if (ahead && !(there && ahead->error.empty() && ahead->file.size == info.st_size &&
                 ahead->file.mtime == mtime))
    ahead = nullptr;
  TFilePatches file;
  std::vector<TPatchKeys> keys;
  if (ahead) {
    file = std::move(ahead->file);
    keys = std::move(ahead->keys);
  } else {
    try {
      file = ReadPatchFile(result.path);
    } catch (const std::exception &error) {
      result.error = error.what();
      return storedNothing();
    }
    keys.reserve(file.patches.size());
    for (const TFilePatch &patch : file.patches)
      keys.push_back(PatchKeys(patch.patch));
  }
  result.warning = file.warning;
  batch.Begin();
  // Asked again inside the write transaction: another import of the same
  // file may have stored it since.
  if (knownBefore(file.size, file.mtime))
    return storedNothing();
  uint64_t digest = 0;
  for (const TPatchKeys &patchKeys : keys)
    digest = TBulkLoad::Digest(digest, patchKeys.key);
  if (batch.bulk && batch.bulk->Counts() && digest != counted)
    StopCounting(batch);
  const int64_t now = batch.now;
  TCachedStatement addFile =
      m_db->Cached("INSERT OR FAIL INTO file (path, size, mtime, imported) VALUES (?, ?, ?, ?)");
  addFile->BindBlob(1, result.path.data(), result.path.size());
  addFile->Bind(2, file.size).Bind(3, file.mtime).Bind(4, now).Run();
  const int64_t fileId = m_db->LastInsertId();
  TSightingWriter sight(*m_db);
  for (size_t i = 0; i < file.patches.size(); ++i) {
    const TFilePatch &patch = file.patches[i];
    bool fresh = false;
    TPatchCounts *counts = batch.bulk ? batch.bulk->Counts() : nullptr;
    int64_t id = StorePatch(patch.patch, keys[i], now, fresh,
                            batch.bulk ? batch.bulk->Stored() : nullptr, counts);
    // Found in the counts: its row holds every sighting already.
    bool counted = counts && !fresh;
    if (counts && id == 0) {
      // Two patches under one key: the counts are not to be
      // trusted from here on.
      sight.Flush();
      StopCounting(batch);
      counted = false;
      id = StorePatch(patch.patch, keys[i], now, fresh, nullptr, nullptr);
    }
    if (fresh)
      ++result.newPatches;
    else if (counted)
      ++result.knownPatches;
    else
      ++result.knownPatches, ++batch.seen[id];
    TSightingValues values;
    values.patch = id;
    values.file = fileId;
    values.row = patch.row;
    values.kind = static_cast<int64_t>(patch.patch.kind);
    values.flaws = patch.patch.flaws;
    values.time = now;
    sight.Add(values);
    if (counts && !counts->Active()) {
      // A table that could not hold the ID: this patch's row and sighting
      // are in, and counted again with the others'.
      sight.Flush();
      StopCounting(batch);
    }
  }
  sight.Flush();
  batch.patches += file.patches.size();
  return result;
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
  try {
    Guarded(m_path, [&] {
      const TLongerLog longerLog(*m_db);
      TBulkLoad bulk(*m_db, files.size());
      bulk.Count(files);
      TImportBatch batch(*m_db, &bulk);
      // One time for every sighting: a counted patch's row is written once,
      // its first and last sighting with it.
      if (bulk.Counts())
        batch.start = NowMs();
      size_t committed = results.size();
      // A file is told to done once its batch has been committed.
      const auto commit = [&] {
        CommitBatch(batch);
        for (; committed < results.size(); ++committed)
          if (done)
            done(results[committed]);
      };
      // A bulk load reads and hashes the next files on the other processor
      // while this one stores.
      std::unique_ptr<TReadAhead> reader;
      if (bulk.Counts()) {
        std::vector<std::string> absolute;
        for (const std::string &file : files)
          absolute.push_back(LibraryFilePath(file));
        reader = std::make_unique<TReadAhead>(std::move(absolute), 1, true);
      }
      TReadFile ahead;
      bool cancelled = false;
      for (const std::string &file : files) {
        if (host && host->ProgressCancelled()) {
          cancelled = true;
          break;
        }
        const bool read = reader && reader->Next(ahead);
        results.push_back(ImportInto(file, batch, read ? &ahead : nullptr));
        if (batch.Full())
          commit();
        if (host)
          host->StepProgress();
      }
      commit();
      if (!cancelled)
        bulk.AllStored();
      // The index sort, which takes as much memory as the cache beside it,
      // may be larger than memory should hold: to files, and the cache back
      // to its usual size.
      m_db->Exec("PRAGMA temp_store = DEFAULT");
      m_db->Exec("PRAGMA cache_size = -16384");
      bulk.Finish();
    });
  } catch (...) {
    if (host)
      host->EndProgress();
    throw;
  }
  if (host)
    host->EndProgress();
  return results;
}

} // namespace zpm
