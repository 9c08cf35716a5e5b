// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shape of a large import: the connection's settings while it runs, and
// the bulk load of a library that holds no patch yet.

#include "library/patch_counts.h"
#include "library/sqlite_db.h"
#include "library/stored_hashes.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zpm {

// SQLite copies its log back into the file every 1000 pages, each time
// rewriting most of the file and waiting for the disk twice; an import lets
// the log grow and has it copied back once, at its end. It also takes a
// larger cache, keeps statement journals in memory and leaves the foreign
// keys unchecked for the rows it writes itself. Each setting goes back on
// its own when it ends.
class TLongerLog {
public:
  explicit TLongerLog(TSqliteDb &db);
  ~TLongerLog();
  TLongerLog(const TLongerLog &) = delete;
  TLongerLog &operator=(const TLongerLog &) = delete;

private:
  TSqliteDb &m_db;
};

// From here on patches are looked up by the hash index, built now.
void LookUpByIndex(TSqliteDb &db, TStoredHashes &stored);

// An import of many files into a library that holds no patch yet: the
// indexes its own look-ups do not need are built once at its end, the
// patches it stores are found in a table in memory, and the file is loaded
// under a rollback journal when no other program has it open.
//
// Its files are read once before anything is stored, counting how often
// each patch appears, so that a patch's row is written once with its final
// count: adding to the counts of patches of earlier batches wrote their
// pages all over the file twice a batch, into the journal and the file.
// Until the import has stored every file it counted, the rows it committed
// may count sightings still to come; the deferred indexes are missing
// meanwhile, and whoever builds them counts the sightings again
// (CountSeenAgain), in the same transaction. Whatever the import finds
// otherwise than it counted (a file changed since, another program's
// patches or indexes, two patches under one key) ends the
// counting the same way, and the import goes on as into any library.
class TBulkLoad {
public:
  TBulkLoad(TSqliteDb &db, size_t files);
  ~TBulkLoad();
  TBulkLoad(const TBulkLoad &) = delete;
  TBulkLoad &operator=(const TBulkLoad &) = delete;

  // Reads and counts the files, in the order they will be imported.
  void Count(const std::vector<std::string> &files);
  // Every file counted has been imported as it was counted.
  void AllStored() { m_allStored = m_next == m_digests.size(); }
  void Finish();
  // The table of the patches stored, while it holds every one.
  TStoredHashes *Stored() {
    return m_dropped && !m_counting && m_stored.Active() ? &m_stored : nullptr;
  }
  // The counts, while every patch is stored as counted (a table that
  // dropped itself finds nothing: the counting then stops).
  TPatchCounts *Counts() { return m_dropped && m_counting ? &m_counts : nullptr; }
  // The mark of what the next file held when counted (Digest of its
  // patches' keys), taken once per file whether it is stored or not.
  uint64_t NextDigest() { return m_next < m_digests.size() ? m_digests[m_next++] : 0; }
  static uint64_t Digest(uint64_t digest, uint64_t key) {
    return (digest ^ key) * 0x100000001B3ull + 1;
  }
  // Ends the counting within the open transaction, once every sighting so
  // far is written: the indexes now, and the counts as the sightings say.
  void StopCounting();
  // At the start of each batch: once another program has stored patches
  // (between batches, or before the first), the table does not hold them
  // all; once it has built the indexes, it may have counted the sightings
  // again.
  void BatchBegun();

private:
  void BuildIndexes();
  void BackToLog();

  static constexpr size_t kFewestFiles = 8;
  static constexpr int kBackToLogWaitMs = 5000;
  TSqliteDb &m_db;
  bool m_dropped = false;
  bool m_unlogged = false;
  TStoredHashes m_stored;
  TPatchCounts m_counts;           // dropped until Count fills it
  std::vector<uint64_t> m_digests; // per file counted; 0 for nothing
  size_t m_next = 0;
  bool m_counting = false;
  bool m_allStored = false;
};

} // namespace zpm
