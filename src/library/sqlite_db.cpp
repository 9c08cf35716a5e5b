// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sqlite_db.h"

#include <sqlite3.h>

#include <cstring>

namespace zpm {

namespace {

[[noreturn]] void Fail(sqlite3 *db, int code) {
  throw TSqliteError(sqlite3_extended_errcode(db) ? sqlite3_extended_errcode(db) : code,
                     db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

} // namespace

TStatement::TStatement(sqlite3 *db, const char *sql) : m_db(db) {
  const int code = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
  if (code != SQLITE_OK)
    Fail(db, code);
}

TStatement::~TStatement() {
  sqlite3_finalize(m_stmt);
}

TStatement::TStatement(TStatement &&other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt) {
  other.m_stmt = nullptr;
}

TStatement &TStatement::Bind(int index, int64_t value) {
  const int code = sqlite3_bind_int64(m_stmt, index, value);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

TStatement &TStatement::Bind(int index, const std::string &text) {
  const int code = sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                     SQLITE_TRANSIENT);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

TStatement &TStatement::BindBlob(int index, const void *data, size_t size) {
  const int code =
      sqlite3_bind_blob(m_stmt, index, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

TStatement &TStatement::BindInPlace(int index, std::string_view text) {
  const int code =
      sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

TStatement &TStatement::BindBlobInPlace(int index, const void *data, size_t size) {
  const int code =
      sqlite3_bind_blob(m_stmt, index, size ? data : "", static_cast<int>(size), SQLITE_STATIC);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

TStatement &TStatement::BindNull(int index) {
  const int code = sqlite3_bind_null(m_stmt, index);
  if (code != SQLITE_OK)
    Fail(m_db, code);
  return *this;
}

bool TStatement::Step() {
  const int code = sqlite3_step(m_stmt);
  if (code == SQLITE_ROW)
    return true;
  if (code == SQLITE_DONE)
    return false;
  sqlite3_reset(m_stmt);
  Fail(m_db, code);
}

void TStatement::Run() {
  while (Step()) {
  }
  Reset();
}

void TStatement::Reset() {
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
}

int64_t TStatement::Int(int column) const {
  return sqlite3_column_int64(m_stmt, column);
}

std::string TStatement::Text(int column) const {
  const auto *text = sqlite3_column_blob(m_stmt, column);
  const int size = sqlite3_column_bytes(m_stmt, column);
  return text ? std::string(static_cast<const char *>(text), static_cast<size_t>(size))
              : std::string();
}

std::vector<uint8_t> TStatement::Blob(int column) const {
  const auto *data = static_cast<const uint8_t *>(sqlite3_column_blob(m_stmt, column));
  const int size = sqlite3_column_bytes(m_stmt, column);
  return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
}

bool TStatement::BlobEquals(int column, const void *data, size_t size) const {
  const void *stored = sqlite3_column_blob(m_stmt, column);
  const auto storedSize = static_cast<size_t>(sqlite3_column_bytes(m_stmt, column));
  return storedSize == size && (size == 0 || std::memcmp(stored, data, size) == 0);
}

bool TStatement::IsNull(int column) const {
  return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

TCachedStatement::TCachedStatement(TStatement &kept, bool &busy)
    : m_statement(&kept), m_busy(&busy) {
  busy = true;
}

TCachedStatement::TCachedStatement(sqlite3 *db, const char *sql)
    : m_own(std::in_place, db, sql), m_statement(&*m_own) {}

TCachedStatement::~TCachedStatement() {
  if (m_busy) {
    m_statement->Reset();
    *m_busy = false;
  }
}

TSqliteDb::TSqliteDb(const std::string &path, int flags) {
  const int code = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
  if (code != SQLITE_OK) {
    const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
    sqlite3_close(m_db);
    throw TSqliteError(code, message);
  }
  sqlite3_extended_result_codes(m_db, 1);
}

TSqliteDb::~TSqliteDb() {
  // A connection with statements left open would not close.
  m_kept.clear();
  sqlite3_close(m_db);
}

TCachedStatement TSqliteDb::Cached(const std::string &sql) {
  // Searches of ever new shapes must not make the set grow without end.
  constexpr size_t kMostKept = 64;
  auto found = m_kept.find(sql);
  if (found == m_kept.end()) {
    if (m_kept.size() >= kMostKept)
      return TCachedStatement(m_db, sql.c_str());
    found =
        m_kept.emplace(sql, std::make_unique<TKept>(TKept{TStatement(m_db, sql.c_str())})).first;
  }
  if (found->second->busy)
    return TCachedStatement(m_db, sql.c_str());
  return TCachedStatement(found->second->statement, found->second->busy);
}

void TSqliteDb::Exec(const std::string &sql) {
  char *message = nullptr;
  const int code = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
  if (code != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errstr(code);
    sqlite3_free(message);
    throw TSqliteError(sqlite3_extended_errcode(m_db), text);
  }
}

int64_t TSqliteDb::Number(const char *sql) {
  TStatement statement(m_db, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

int64_t TSqliteDb::LastInsertId() const {
  return sqlite3_last_insert_rowid(m_db);
}

int TSqliteDb::Changes() const {
  return sqlite3_changes(m_db);
}

TTransaction::TTransaction(TSqliteDb &db) : m_db(db) {
  m_db.Exec("BEGIN IMMEDIATE");
}

TTransaction::~TTransaction() {
  if (!m_done) {
    try {
      m_db.Exec("ROLLBACK");
    } catch (const TSqliteError &) {
      // SQLite already rolled back after a full disk or an I/O error.
    }
  }
}

void TTransaction::Commit() {
  m_db.Exec("COMMIT");
  m_done = true;
}

} // namespace zpm
