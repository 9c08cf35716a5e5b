// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shape of a large import: the connection's settings while it runs, and
// the bulk load of a library that holds no patch yet.

#include "library/sqlite_db.h"
#include "library/stored_hashes.h"

#include <cstddef>

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
class TBulkLoad {
public:
  TBulkLoad(TSqliteDb &db, size_t files);
  ~TBulkLoad();
  TBulkLoad(const TBulkLoad &) = delete;
  TBulkLoad &operator=(const TBulkLoad &) = delete;

  void Finish();
  // The table of the patches stored, while it holds every one.
  TStoredHashes *Stored() { return m_dropped && m_stored.Active() ? &m_stored : nullptr; }
  // At the start of each batch: once another program has stored patches
  // (between batches, or before the first), the table does not hold them
  // all.
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
};

} // namespace zpm
