// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thin owner of a SQLite connection and its statements. Every failure
// raises TSqliteError with SQLite's code, so the library can say what
// happened in its own words.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zpm {

class TSqliteError : public std::runtime_error {
public:
  TSqliteError(int code, const std::string &message) : std::runtime_error(message), m_code(code) {}
  // The primary result code (SQLITE_BUSY, SQLITE_FULL, SQLITE_NOTADB ...).
  int Code() const { return m_code & 0xFF; }

private:
  int m_code;
};

class TStatement {
public:
  TStatement(sqlite3 *db, const char *sql);
  ~TStatement();
  TStatement(const TStatement &) = delete;
  TStatement &operator=(const TStatement &) = delete;
  TStatement(TStatement &&other) noexcept;

  // Parameters count from 1, as SQLite counts them.
  TStatement &Bind(int index, int64_t value);
  TStatement &Bind(int index, const std::string &text);
  TStatement &BindBlob(int index, const void *data, size_t size);
  TStatement &BindNull(int index);
  // The same without a copy, SQLite reading the bytes where they are: for
  // the many rows of an import. They must stay until the statement is reset
  // (Run resets it).
  TStatement &BindInPlace(int index, std::string_view text);
  TStatement &BindBlobInPlace(int index, const void *data, size_t size);
  // True while a row is there to read; false once done.
  bool Step();
  // Runs to the end and resets, for statements without rows.
  void Run();
  void Reset();

  int64_t Int(int column) const;
  std::string Text(int column) const;
  std::vector<uint8_t> Blob(int column) const;
  // Whether the column holds exactly these bytes, without copying them.
  bool BlobEquals(int column, const void *data, size_t size) const;
  bool IsNull(int column) const;

private:
  sqlite3 *m_db;
  sqlite3_stmt *m_stmt = nullptr;
};

// A statement the connection keeps prepared, borrowed for one use: reset
// with its bindings cleared when this goes, so no half-read query holds the
// database. When the kept one is in use already, a fresh one stands in.
class TCachedStatement {
public:
  TCachedStatement(TStatement &kept, bool &busy);
  TCachedStatement(sqlite3 *db, const char *sql);
  ~TCachedStatement();
  TCachedStatement(const TCachedStatement &) = delete;
  TCachedStatement &operator=(const TCachedStatement &) = delete;

  TStatement &operator*() { return *m_statement; }
  TStatement *operator->() { return m_statement; }

private:
  std::optional<TStatement> m_own;
  TStatement *m_statement;
  bool *m_busy = nullptr;
};

class TSqliteDb {
public:
  // flags as sqlite3_open_v2 takes them.
  TSqliteDb(const std::string &path, int flags);
  ~TSqliteDb();
  TSqliteDb(const TSqliteDb &) = delete;
  TSqliteDb &operator=(const TSqliteDb &) = delete;

  void Exec(const std::string &sql);
  TStatement Prepare(const char *sql) { return TStatement(m_db, sql); }
  // The statement for sql, prepared on its first use and kept for the next.
  TCachedStatement Cached(const std::string &sql);
  // The first column of the first row of a query, as a number (0 without a row).
  int64_t Number(const char *sql);
  int64_t LastInsertId() const;
  int Changes() const;
  sqlite3 *Handle() { return m_db; }

private:
  struct TKept {
    TStatement statement;
    bool busy = false;
  };
  sqlite3 *m_db = nullptr;
  std::unordered_map<std::string, std::unique_ptr<TKept>> m_kept;
};

// BEGIN IMMEDIATE at once (so two writers never deadlock on an upgrade),
// ROLLBACK unless Commit was called.
class TTransaction {
public:
  explicit TTransaction(TSqliteDb &db);
  ~TTransaction();
  void Commit();

private:
  TSqliteDb &m_db;
  bool m_done = false;
};

} // namespace zpm
