// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sighting rows written many to a statement, for imports, snapshots and
// recorded sightings alike.

#include "library/sqlite_db.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zpm {

// One row of the sighting table; an absent value is NULL.
struct TSightingValues {
  int64_t patch = 0;
  const char *source = "file"; // a literal: bound where it is
  std::optional<int64_t> file, row, snapshot;
  int64_t kind = 0;
  std::optional<int64_t> bank, slot;
  int64_t verified = 0, flaws = 0, time = 0;
};

// Every change here is inside a transaction that a failure rolls back
// whole, so statements say OR FAIL: SQLite then keeps no journal of each
// statement's own pages, which cost a tenth of an import.
//
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

  void Write(size_t from, size_t count);

  TSqliteDb &m_db;
  std::vector<TSightingValues> m_rows;
};

} // namespace zpm
