// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_bulk_load.h"

#include "library/library.h"
#include "library/library_files.h"
#include "library/library_schema.h"
#include "library/read_ahead.h"

#include <string>
#include <unordered_set>

namespace zpm {

// A larger cache too (24 MiB: the import stays within 64 MB whatever its
// size), so that pages a batch changes again and again (the hash index's)
// stay at hand rather than going to the log each time.
// And the statement journals (the pages a statement changed, kept in case
// it fails half way: a few pages each) in memory: in temporary files they
// were written out, some 70 MB for 100,000 patches.
// The import's own rows name only patches and files it has just found or
// stored, so the foreign keys, looked up for every sighting, are not.
TLongerLog::TLongerLog(TSqliteDb &db) : m_db(db) {
  m_db.Exec("PRAGMA foreign_keys = OFF");
  m_db.Exec("PRAGMA wal_autocheckpoint = 0");
  m_db.Exec("PRAGMA cache_size = -24576");
  m_db.Exec("PRAGMA temp_store = MEMORY");
}

// Each setting back on its own, so that one failing (a busy checkpoint:
// the next commit copies the log back) leaves none of the others changed.
TLongerLog::~TLongerLog() {
  for (const char *setting :
       {"PRAGMA temp_store = DEFAULT", "PRAGMA cache_size = -16384", "PRAGMA foreign_keys = ON",
        "PRAGMA wal_autocheckpoint = 1000", "PRAGMA wal_checkpoint(PASSIVE)"}) {
    try {
      m_db.Exec(setting);
    } catch (const TSqliteError &) {
    }
  }
}

void LookUpByIndex(TSqliteDb &db, TStoredHashes &stored) {
  db.Exec(DeferredIndexes().front().create);
  stored.Drop();
  db.Exec("PRAGMA cache_size = -24576");
}

// Kept row by row, the left-out indexes' pages, in random order, were
// written again at every commit; built from the whole table they are
// written once. Opening a library rebuilds any an interrupted import left
// out.
//
// Without the log: the log takes every page once and copies it into the
// file once, where a rollback journal keeps only the pages the file held
// when a batch began, which are few, as a new library grows at its end. A
// program killed half way leaves its journal, and the next one to open the
// file puts the batch back out. Another program that opens the file
// meanwhile waits for a batch to end and puts the file back into the log,
// as the import does at its end.
TBulkLoad::TBulkLoad(TSqliteDb &db, size_t files) : m_db(db) {
  m_counts.Drop();
  if (files < kFewestFiles)
    return;
  TTransaction transaction(m_db);
  if (m_db.Number("SELECT EXISTS (SELECT 1 FROM patch)") != 0)
    return;
  for (const TDeferredIndex &index : DeferredIndexes())
    m_db.Exec(std::string("DROP INDEX IF EXISTS ") + index.name);
  transaction.Commit();
  m_dropped = true;
  // Without the hash index the cache holds little more than the ends of
  // the tables, where rows are added; the memory goes to the table of
  // stored patches instead.
  m_db.Exec("PRAGMA cache_size = -8192");
  try {
    TStatement journal = m_db.Prepare("PRAGMA journal_mode = DELETE");
    m_unlogged = journal.Step() && journal.Text(0) == "delete";
  } catch (const TSqliteError &) {
    // Another program holds the file: the log stays.
  }
  if (m_unlogged)
    m_db.Exec("PRAGMA synchronous = FULL");
}

TBulkLoad::~TBulkLoad() {
  try {
    BuildIndexes();
  } catch (const TSqliteError &) {
    // Opening the library again builds them.
  }
  BackToLog();
}

void TBulkLoad::Finish() {
  BuildIndexes();
  BackToLog();
}

// With the same loader and key as the storing. A path named twice is
// stored once: its second time counts nothing. A file that cannot be read
// counts nothing either; the storing then finds the same.
void TBulkLoad::Count(const std::vector<std::string> &files) {
  if (!m_dropped)
    return;
  m_counts = TPatchCounts();
  m_digests.reserve(files.size());
  // A path named twice counts once.
  std::unordered_set<std::string> paths;
  std::vector<std::string> first;
  std::vector<bool> counted;
  for (const std::string &file : files) {
    std::string path = LibraryFilePath(file);
    counted.push_back(paths.insert(path).second);
    if (counted.back())
      first.push_back(std::move(path));
  }
  // Reading and keying is all there is to counting: both processors read.
  TReadAhead reader(std::move(first), 2, false);
  TReadFile read;
  for (const bool once : counted) {
    uint64_t digest = 0;
    if (once && reader.Next(read) && read.error.empty())
      for (const TPatchKeys &keys : read.keys) {
        const uint64_t key = keys.key;
        if (!m_counts.Count(key)) {
          std::vector<uint64_t>().swap(m_digests);
          return;
        }
        digest = Digest(digest, key);
      }
    m_digests.push_back(digest);
  }
  m_counting = true;
}

// Patches are never taken out, and each new one has the next ID.
void TBulkLoad::BatchBegun() {
  if (Counts()) {
    if (!m_counts.Active() ||
        m_db.Number("SELECT coalesce(max(id), 0) FROM patch") != m_counts.Last() ||
        DeferredIndexesPresent(m_db) != 0)
      StopCounting();
    return;
  }
  if (Stored() && m_db.Number("SELECT coalesce(max(id), 0) FROM patch") != m_stored.Last())
    LookUpByIndex(m_db, m_stored);
}

void TBulkLoad::StopCounting() {
  if (!Counts())
    return;
  m_dropped = false;
  m_counting = false;
  m_counts.Drop();
  m_stored.Drop();
  std::vector<uint64_t>().swap(m_digests);
  for (const TDeferredIndex &index : DeferredIndexes())
    m_db.Exec(index.create);
  CountSeenAgain(m_db);
}

void TBulkLoad::BuildIndexes() {
  if (!m_dropped)
    return;
  m_dropped = false;
  m_stored.Drop();
  // Stopped before every file was stored (cancelled, or failed): rows of
  // the batches committed count sightings that never came.
  const bool recount = m_counting && !m_allStored;
  m_counting = false;
  m_counts.Drop();
  // Each index is sorted in pieces of a megabyte, which a helper thread
  // sorts on the other processor (idle once every file is read) while this
  // one reads the table on; the pieces are merged as the index is written.
  // In one piece the sort took this processor alone, and as much memory as
  // the cache.
  m_db.Exec("PRAGMA threads = 2");
  m_db.Exec("PRAGMA cache_size = -1024");
  TTransaction transaction(m_db);
  for (const TDeferredIndex &index : DeferredIndexes())
    m_db.Exec(index.create);
  if (recount)
    CountSeenAgain(m_db);
  transaction.Commit();
  m_db.Exec("PRAGMA threads = 0");
  m_db.Exec("PRAGMA cache_size = -16384");
}

// Every patch is in by then: when another program holds the file too long,
// the next one to open it puts it back into the log.
void TBulkLoad::BackToLog() {
  if (!m_unlogged)
    return;
  m_unlogged = false;
  try {
    if (SwitchToLog(m_db, kBackToLogWaitMs))
      m_db.Exec("PRAGMA synchronous = NORMAL");
  } catch (const TSqliteError &) {
  }
}

} // namespace zpm
