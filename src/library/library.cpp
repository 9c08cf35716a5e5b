// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library.h"

#include "library/library_files.h"
#include "library/library_schema.h"
#include "library/sqlite_db.h"
#include "midi/transfer_host.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

namespace zpm {

namespace fs = std::filesystem;

namespace {

// Runs body, turning the database's failures into sentences about the file.
template <typename Body> auto Guarded(const std::string &path, Body body) -> decltype(body()) {
  try {
    return body();
  } catch (const TSqliteError &error) {
    throw TLibraryError(LibraryFailureText(path, error));
  }
}

std::string EscapeLike(const std::string &text) {
  std::string escaped;
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\')
      escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::vector<std::string> SplitTags(const std::string &joined) {
  std::vector<std::string> tags;
  size_t start = 0;
  while (start < joined.size()) {
    size_t end = joined.find('\x1f', start);
    if (end == std::string::npos)
      end = joined.size();
    tags.push_back(joined.substr(start, end - start));
    start = end + 1;
  }
  std::sort(tags.begin(), tags.end());
  return tags;
}

const char *kRowColumns =
    "p.id, p.hash, p.kind, p.name_text, p.favourite, p.note, p.seen, p.first_seen, "
    "p.last_seen, p.flaws, (SELECT group_concat(tag, char(31)) FROM tag WHERE patch_id = p.id)";

TPatchRow ReadRow(const TStatement &statement) {
  TPatchRow row;
  row.id = statement.Int(0);
  row.hash = statement.Text(1);
  row.kind = static_cast<TKind>(statement.Int(2));
  if (!statement.IsNull(3))
    row.name = statement.Text(3);
  row.favourite = statement.Int(4) != 0;
  row.note = statement.Text(5);
  row.seen = statement.Int(6);
  row.firstSeen = statement.Int(7);
  row.lastSeen = statement.Int(8);
  row.flaws = static_cast<uint8_t>(statement.Int(9));
  row.tags = SplitTags(statement.Text(10));
  return row;
}

// The WHERE clause of a search and the values it binds, in order.
struct TWhere {
  std::string sql;
  enum TType { Number, Text, Blob };
  std::vector<std::pair<TType, std::string>> values;
  void Add(const std::string &condition) { sql += (sql.empty() ? " WHERE " : " AND ") + condition; }
};

// True for UTF-8 without a NUL: there zpm_name_has and LIKE agree.
bool PlainUtf8(const std::string &text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    if (lead == 0 || (lead >= 0x80 && lead < 0xC2) || lead >= 0xF5)
      return false;
    if (lead >= 0xF0)
      more = 3;
    else if (lead >= 0xE0)
      more = 2;
    else if (lead >= 0xC2)
      more = 1;
    if (text.size() - i <= more)
      return false;
    for (size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
        return false;
    i += more + 1;
  }
  return true;
}

unsigned char FoldAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// zpm_name_has(name, text): whether name holds text, ASCII letters in
// either case, as LIKE '%text%' decides but without reading a pattern at
// every row, which made LIKE the larger part of a search.
void NameHas(sqlite3_context *context, int, sqlite3_value **values) {
  if (sqlite3_value_type(values[0]) == SQLITE_NULL || sqlite3_value_type(values[1]) == SQLITE_NULL)
    return;
  const unsigned char *name = sqlite3_value_text(values[0]);
  const auto nameSize = static_cast<size_t>(sqlite3_value_bytes(values[0]));
  const unsigned char *text = sqlite3_value_text(values[1]);
  const auto textSize = static_cast<size_t>(sqlite3_value_bytes(values[1]));
  bool found = textSize == 0;
  if (!found && textSize <= nameSize) {
    // The first byte in either case, looked for before anything else.
    const unsigned char first = FoldAscii(text[0]);
    const unsigned char upper =
        first >= 'a' && first <= 'z' ? static_cast<unsigned char>(first - 32) : first;
    for (size_t at = 0; !found && at + textSize <= nameSize; ++at) {
      if (name[at] != first && name[at] != upper)
        continue;
      size_t k = 1;
      while (k < textSize && FoldAscii(name[at + k]) == FoldAscii(text[k]))
        ++k;
      found = k == textSize;
    }
  }
  sqlite3_result_int(context, found ? 1 : 0);
}

TWhere WhereOf(const TSearch &search) {
  TWhere where;
  if (!search.text.empty() && PlainUtf8(search.text)) {
    where.Add("zpm_name_has(p.name_text, ?)");
    where.values.emplace_back(TWhere::Text, search.text);
  } else if (!search.text.empty()) {
    where.Add("p.name_text LIKE ? ESCAPE '\\'");
    where.values.emplace_back(TWhere::Text, "%" + EscapeLike(search.text) + "%");
  }
  if (search.kind) {
    where.Add("p.kind = ?");
    where.values.emplace_back(TWhere::Number, std::to_string(static_cast<int>(*search.kind)));
  }
  for (const std::string &tag : search.tags) {
    where.Add("EXISTS (SELECT 1 FROM tag t WHERE t.patch_id = p.id AND t.tag = ?)");
    where.values.emplace_back(TWhere::Text, tag);
  }
  if (search.favouritesOnly)
    where.Add("p.favourite = 1");
  if (!search.file.empty()) {
    where.Add("EXISTS (SELECT 1 FROM sighting s JOIN file f ON f.id = s.file_id "
              "WHERE s.patch_id = p.id AND f.path = ?)");
    where.values.emplace_back(TWhere::Blob, search.file);
  }
  if (search.relatedTo) {
    where.Add("p.sound = (SELECT sound FROM patch WHERE id = ?) AND p.id <> ?");
    where.values.emplace_back(TWhere::Number, std::to_string(search.relatedTo));
    where.values.emplace_back(TWhere::Number, std::to_string(search.relatedTo));
  }
  if (search.inBankAt) {
    // The latest record of each slot at or before the time.
    where.Add("p.id IN (SELECT s.patch_id FROM sighting s JOIN snapshot n ON n.id = "
              "s.snapshot_id WHERE s.kind = ? AND s.bank = ? AND n.time <= ? AND NOT EXISTS "
              "(SELECT 1 FROM sighting s2 JOIN snapshot n2 ON n2.id = s2.snapshot_id WHERE "
              "s2.kind = s.kind AND s2.bank = s.bank AND s2.slot = s.slot AND n2.time <= ? AND "
              "(n2.time > n.time OR (n2.time = n.time AND n2.id > n.id))))");
    const TSearch::TBankAt &at = *search.inBankAt;
    where.values.emplace_back(TWhere::Number, std::to_string(static_cast<int>(at.kind)));
    where.values.emplace_back(TWhere::Number, std::to_string(at.bank));
    where.values.emplace_back(TWhere::Number, std::to_string(at.time));
    where.values.emplace_back(TWhere::Number, std::to_string(at.time));
  }
  return where;
}

void BindWhere(TStatement &statement, const TWhere &where) {
  int index = 1;
  for (const auto &value : where.values) {
    if (value.first == TWhere::Number)
      statement.Bind(index++, static_cast<int64_t>(std::stoll(value.second)));
    else if (value.first == TWhere::Text)
      statement.Bind(index++, value.second);
    else
      statement.BindBlob(index++, value.second.data(), value.second.size());
  }
}

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

std::string DefaultLibraryPath() {
  if (const char *named = std::getenv("ZPM_LIBRARY"); named && *named)
    return named;
  fs::path folder;
  if (const char *data = std::getenv("XDG_DATA_HOME"); data && *data)
    folder = data;
  else if (const char *home = std::getenv("HOME"); home && *home)
    folder = fs::path(home) / ".local" / "share";
  else
    folder = fs::current_path();
  folder /= "zavorin-patch-manager";
  std::error_code error;
  fs::create_directories(folder, error);
  return (folder / "library.sqlite").string();
}

// One file has one path however it was named.
std::string LibraryFilePath(const std::string &path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(fs::path(path), error);
  return (error ? fs::path(path) : absolute).lexically_normal().string();
}

TLibrary::TLibrary(const std::string &path) : m_path(path) {
  m_db = OpenLibraryFile(path);
  sqlite3_create_function_v2(m_db->Handle(), "zpm_name_has", 2,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             NameHas, nullptr, nullptr, nullptr);
}

TLibrary::~TLibrary() = default;

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

std::vector<TPatchRow> TLibrary::Search(const TSearch &search) {
  return Guarded(m_path, [&] {
    const TWhere where = WhereOf(search);
    std::string order;
    switch (search.sort) {
    case TSortBy::Name:
      order = "p.name_text COLLATE NOCASE";
      break;
    case TSortBy::Kind:
      order = "p.kind";
      break;
    case TSortBy::FirstSeen:
      order = "p.first_seen";
      break;
    case TSortBy::LastSeen:
      order = "p.last_seen";
      break;
    }
    const char *direction = search.descending ? " DESC" : "";
    const std::string sql = std::string("SELECT ") + kRowColumns + " FROM patch p" + where.sql +
                            " ORDER BY " + order + direction + ", p.id" + direction + " LIMIT " +
                            std::to_string(search.limit) + " OFFSET " +
                            std::to_string(std::max<int64_t>(0, search.offset));
    TStatement query = m_db->Prepare(sql.c_str());
    BindWhere(query, where);
    std::vector<TPatchRow> rows;
    while (query.Step())
      rows.push_back(ReadRow(query));
    return rows;
  });
}

int64_t TLibrary::Count(const TSearch &search) {
  return Guarded(m_path, [&] {
    const TWhere where = WhereOf(search);
    const std::string sql = "SELECT count(*) FROM patch p" + where.sql;
    TStatement query = m_db->Prepare(sql.c_str());
    BindWhere(query, where);
    return query.Step() ? query.Int(0) : int64_t(0);
  });
}

int64_t TLibrary::Resolve(const std::string &text) {
  return Guarded(m_path, [&]() -> int64_t {
    // IDs of up to 7 digits are IDs; longer digit runs may be hash prefixes.
    const bool digits =
        !text.empty() && text.size() <= 18 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto byId = [&]() -> int64_t {
      TStatement query = m_db->Prepare("SELECT id FROM patch WHERE id = ?");
      query.Bind(1, static_cast<int64_t>(std::stoll(text)));
      return query.Step() ? query.Int(0) : 0;
    };
    if (digits && text.size() < 8) {
      if (const int64_t id = byId())
        return id;
      throw TLibraryError("The library holds no patch " + text + ".");
    }
    std::string prefix = text;
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool hex = prefix.size() >= 8 && prefix.size() <= 16 &&
                     std::all_of(prefix.begin(), prefix.end(), [](char c) {
                       return std::isxdigit(static_cast<unsigned char>(c));
                     });
    if (!hex) {
      if (const int64_t id = digits ? byId() : 0)
        return id;
      throw TLibraryError("\"" + text +
                          "\" names no patch: give its ID as the search lists it, or at least "
                          "8 hex digits of its hash.");
    }
    TStatement byHash = m_db->Prepare(
        "SELECT id FROM patch WHERE hash >= ? AND hash < ? || 'g' ORDER BY id LIMIT 2");
    byHash.Bind(1, prefix).Bind(2, prefix);
    std::vector<int64_t> ids;
    while (byHash.Step())
      ids.push_back(byHash.Int(0));
    if (ids.size() == 1)
      return ids[0];
    if (const int64_t id = ids.empty() && digits ? byId() : 0)
      return id;
    if (ids.empty())
      throw TLibraryError("The library holds no patch whose hash begins with " + prefix + ".");
    throw TLibraryError("More than one patch has a hash beginning with " + prefix +
                        "; give more of its digits.");
  });
}

TPatchRow TLibrary::Row(int64_t id) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        (std::string("SELECT ") + kRowColumns + " FROM patch p WHERE p.id = ?").c_str());
    query.Bind(1, id);
    if (!query.Step())
      throw TLibraryError("The library holds no patch " + std::to_string(id) + ".");
    return ReadRow(query);
  });
}

TStoredPatch TLibrary::Patch(int64_t id) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare("SELECT kind, data, flaws FROM patch WHERE id = ?");
    query.Bind(1, id);
    if (!query.Step())
      throw TLibraryError("The library holds no patch " + std::to_string(id) + ".");
    TStoredPatch stored;
    stored.id = id;
    stored.patch.kind = static_cast<TKind>(query.Int(0));
    const std::vector<uint8_t> data = query.Blob(1);
    std::copy_n(data.begin(), std::min(data.size(), stored.patch.data.size()),
                stored.patch.data.begin());
    stored.patch.flaws = static_cast<uint8_t>(query.Int(2));
    if (HasName(stored.patch.kind))
      stored.nameBytes.assign(stored.patch.data.begin(), stored.patch.data.begin() + 16);
    return stored;
  });
}

std::vector<TSightingRow> TLibrary::Sightings(int64_t id) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT s.source, s.time, f.path, s.row, n.fm, n.device, s.bank, s.slot, s.snapshot_id, "
        "s.verified, s.flaws FROM sighting s LEFT JOIN file f ON f.id = s.file_id LEFT JOIN "
        "snapshot n ON n.id = s.snapshot_id WHERE s.patch_id = ? ORDER BY s.time, s.id");
    query.Bind(1, id);
    std::vector<TSightingRow> rows;
    while (query.Step()) {
      TSightingRow row;
      row.source = query.Text(0);
      row.time = query.Int(1);
      row.path = query.Text(2);
      row.row = static_cast<int>(query.Int(3));
      row.fm = query.Int(4) != 0;
      row.device = static_cast<int>(query.Int(5));
      row.bank = static_cast<int>(query.Int(6));
      row.number = static_cast<int>(query.Int(7));
      row.snapshot = query.Int(8);
      row.verified = query.Int(9) != 0;
      row.flaws = static_cast<uint8_t>(query.Int(10));
      rows.push_back(row);
    }
    return rows;
  });
}

std::vector<int64_t> TLibrary::Related(int64_t id) {
  TSearch search;
  search.relatedTo = id;
  search.sort = TSortBy::FirstSeen;
  std::vector<int64_t> ids;
  for (const TPatchRow &row : Search(search))
    ids.push_back(row.id);
  return ids;
}

void TLibrary::SetFavourite(int64_t id, bool favourite) {
  Guarded(m_path, [&] {
    Row(id);
    TStatement update = m_db->Prepare("UPDATE patch SET favourite = ? WHERE id = ?");
    update.Bind(1, static_cast<int64_t>(favourite)).Bind(2, id).Run();
  });
}

void TLibrary::AddTag(int64_t id, const std::string &tag) {
  if (tag.empty() || tag.size() > 64 ||
      std::any_of(tag.begin(), tag.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
    throw TLibraryError("A tag is a short text of 1 to 64 characters without control characters.");
  Guarded(m_path, [&] {
    Row(id);
    TStatement insert = m_db->Prepare("INSERT OR IGNORE INTO tag (patch_id, tag) VALUES (?, ?)");
    insert.Bind(1, id).Bind(2, tag).Run();
  });
}

void TLibrary::RemoveTag(int64_t id, const std::string &tag) {
  Guarded(m_path, [&] {
    Row(id);
    TStatement remove = m_db->Prepare("DELETE FROM tag WHERE patch_id = ? AND tag = ?");
    remove.Bind(1, id).Bind(2, tag).Run();
  });
}

void TLibrary::SetNote(int64_t id, const std::string &note) {
  Guarded(m_path, [&] {
    Row(id);
    TStatement update = m_db->Prepare("UPDATE patch SET note = ? WHERE id = ?");
    update.Bind(1, note).Bind(2, id).Run();
  });
}

std::vector<std::string> TLibrary::AllTags() {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare("SELECT DISTINCT tag FROM tag ORDER BY tag");
    std::vector<std::string> tags;
    while (query.Step())
      tags.push_back(query.Text(0));
    return tags;
  });
}

std::vector<TSnapshotRow> TLibrary::History(TKind kind, int bank) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT n.id, n.time, n.source, n.device, s.slot, s.patch_id FROM sighting s JOIN "
        "snapshot n ON n.id = s.snapshot_id WHERE s.kind = ? AND s.bank = ? ORDER BY n.time, "
        "n.id, s.slot");
    query.Bind(1, static_cast<int64_t>(kind)).Bind(2, static_cast<int64_t>(bank));
    std::vector<TSnapshotRow> history;
    std::map<int, int64_t> state;
    while (query.Step()) {
      if (history.empty() || history.back().id != query.Int(0)) {
        TSnapshotRow row;
        row.id = query.Int(0);
        row.time = query.Int(1);
        row.source = query.Text(2);
        row.device = static_cast<int>(query.Int(3));
        history.push_back(row);
      }
      const int slot = static_cast<int>(query.Int(4));
      const int64_t patch = query.Int(5);
      history.back().numbers.push_back(slot);
      const auto before = state.find(slot);
      if (before != state.end() && before->second != patch)
        ++history.back().changed;
      state[slot] = patch;
    }
    std::reverse(history.begin(), history.end());
    return history;
  });
}

std::vector<TBankSlot> TLibrary::BankAt(TKind kind, int bank, int64_t time) {
  return Guarded(m_path, [&] {
    std::vector<TBankSlot> slots(static_cast<size_t>(SlotsPerBank(kind)));
    for (size_t i = 0; i < slots.size(); ++i)
      slots[i].number = static_cast<int>(i);
    TStatement query = m_db->Prepare(
        "SELECT s.slot, s.patch_id, p.name_text FROM sighting s JOIN snapshot n ON n.id = "
        "s.snapshot_id JOIN patch p ON p.id = s.patch_id WHERE s.kind = ? AND s.bank = ? AND "
        "n.time <= ? ORDER BY n.time, n.id");
    query.Bind(1, static_cast<int64_t>(kind)).Bind(2, static_cast<int64_t>(bank)).Bind(3, time);
    while (query.Step()) {
      const auto slot = static_cast<size_t>(query.Int(0));
      if (slot >= slots.size())
        continue;
      slots[slot].id = query.Int(1);
      slots[slot].name.reset();
      if (!query.IsNull(2))
        slots[slot].name = query.Text(2);
    }
    return slots;
  });
}

std::vector<TPlacedPatch> TLibrary::SnapshotSlots(int64_t snapshot) {
  return Guarded(m_path, [&] {
    TStatement exists = m_db->Prepare("SELECT 1 FROM snapshot WHERE id = ?");
    exists.Bind(1, snapshot);
    if (!exists.Step())
      throw TLibraryError("The library holds no snapshot " + std::to_string(snapshot) + ".");
    TStatement query = m_db->Prepare(
        "SELECT s.patch_id, s.bank, s.slot FROM sighting s WHERE s.snapshot_id = ? ORDER BY "
        "s.kind, s.bank, s.slot");
    query.Bind(1, snapshot);
    std::vector<TPlacedPatch> placed;
    while (query.Step()) {
      TPlacedPatch slot;
      slot.id = query.Int(0);
      slot.bank = static_cast<int>(query.Int(1));
      slot.number = static_cast<int>(query.Int(2));
      placed.push_back(slot);
    }
    for (TPlacedPatch &slot : placed)
      slot.patch = Patch(slot.id).patch;
    return placed;
  });
}

int64_t TLibrary::CreateUserBank(const std::string &name, TKind kind) {
  if (name.empty())
    throw TLibraryError("A user bank needs a name.");
  return Guarded(m_path, [&] {
    TStatement taken = m_db->Prepare("SELECT 1 FROM user_bank WHERE name = ?");
    taken.Bind(1, name);
    if (taken.Step())
      throw TLibraryError("There is a user bank named \"" + name + "\" already.");
    TStatement insert =
        m_db->Prepare("INSERT INTO user_bank (name, kind, created) VALUES (?, ?, ?)");
    insert.Bind(1, name).Bind(2, static_cast<int64_t>(kind)).Bind(3, NowMs()).Run();
    return m_db->LastInsertId();
  });
}

std::vector<TUserBank> TLibrary::UserBanks() {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT b.id, b.name, b.kind, (SELECT count(*) FROM user_bank_slot WHERE bank_id = b.id) "
        "FROM user_bank b ORDER BY b.name");
    std::vector<TUserBank> banks;
    while (query.Step()) {
      TUserBank bank;
      bank.id = query.Int(0);
      bank.name = query.Text(1);
      bank.kind = static_cast<TKind>(query.Int(2));
      bank.filled = static_cast<int>(query.Int(3));
      banks.push_back(bank);
    }
    return banks;
  });
}

TUserBank TLibrary::UserBankNamed(const std::string &name) {
  for (const TUserBank &bank : UserBanks())
    if (bank.name == name)
      return bank;
  throw TLibraryError("The library has no user bank named \"" + name + "\".");
}

void TLibrary::SetUserBankSlot(int64_t bank, int slot, int64_t patch) {
  Guarded(m_path, [&] {
    TStatement kindOf = m_db->Prepare("SELECT kind FROM user_bank WHERE id = ?");
    kindOf.Bind(1, bank);
    if (!kindOf.Step())
      throw TLibraryError("The library has no user bank " + std::to_string(bank) + ".");
    const auto kind = static_cast<TKind>(kindOf.Int(0));
    if (slot < 0 || slot >= SlotsPerBank(kind))
      throw TLibraryError("A bank of " + std::string(KindText(kind)) + " patches has slots 1 to " +
                          std::to_string(SlotsPerBank(kind)) + ".");
    if (patch == 0) {
      TStatement clear = m_db->Prepare("DELETE FROM user_bank_slot WHERE bank_id = ? AND slot = ?");
      clear.Bind(1, bank).Bind(2, static_cast<int64_t>(slot)).Run();
      return;
    }
    if (Patch(patch).patch.kind != kind)
      throw TLibraryError("Patch " + std::to_string(patch) + " is not a " + KindText(kind) +
                          " patch, so it cannot go into this bank.");
    TStatement put = m_db->Prepare(
        "INSERT OR REPLACE INTO user_bank_slot (bank_id, slot, patch_id) VALUES (?, ?, ?)");
    put.Bind(1, bank).Bind(2, static_cast<int64_t>(slot)).Bind(3, patch).Run();
  });
}

std::vector<int64_t> TLibrary::UserBankSlots(int64_t bank) {
  return Guarded(m_path, [&] {
    TStatement kindOf = m_db->Prepare("SELECT kind FROM user_bank WHERE id = ?");
    kindOf.Bind(1, bank);
    if (!kindOf.Step())
      throw TLibraryError("The library has no user bank " + std::to_string(bank) + ".");
    std::vector<int64_t> slots(
        static_cast<size_t>(SlotsPerBank(static_cast<TKind>(kindOf.Int(0)))));
    TStatement query = m_db->Prepare("SELECT slot, patch_id FROM user_bank_slot WHERE bank_id = ?");
    query.Bind(1, bank);
    while (query.Step())
      if (query.Int(0) >= 0 && static_cast<size_t>(query.Int(0)) < slots.size())
        slots[static_cast<size_t>(query.Int(0))] = query.Int(1);
    return slots;
  });
}

std::vector<std::string> TLibrary::Check() {
  return Guarded(m_path, [&] {
    std::vector<std::string> problems;
    TStatement integrity = m_db->Prepare("PRAGMA integrity_check");
    while (integrity.Step())
      if (integrity.Text(0) != "ok")
        problems.push_back("The database: " + integrity.Text(0));
    TStatement keys = m_db->Prepare("PRAGMA foreign_key_check");
    while (keys.Step())
      problems.push_back("Row " + std::to_string(keys.Int(1)) + " of " + keys.Text(0) +
                         " names a " + keys.Text(2) + " that is not there.");
    TStatement patches = m_db->Prepare("SELECT id, hash, sound, kind, data FROM patch");
    while (patches.Step()) {
      TPatchBytes patch;
      const int64_t kind = patches.Int(3);
      const std::vector<uint8_t> data = patches.Blob(4);
      const std::string id = std::to_string(patches.Int(0));
      if (kind < 0 || kind >= kKindCount || data.size() != patch.data.size()) {
        problems.push_back("Patch " + id + " is not a whole patch of a known kind.");
        continue;
      }
      patch.kind = static_cast<TKind>(kind);
      std::copy(data.begin(), data.end(), patch.data.begin());
      if (PatchHash(patch) != patches.Text(1) || SoundHash(patch) != patches.Text(2))
        problems.push_back("Patch " + id + " has a hash that does not match its bytes.");
    }
    return problems;
  });
}

TLibraryStats TLibrary::Stats() {
  return Guarded(m_path, [&] {
    TLibraryStats stats;
    TStatement kinds = m_db->Prepare("SELECT kind, count(*) FROM patch GROUP BY kind");
    while (kinds.Step())
      if (kinds.Int(0) >= 0 && kinds.Int(0) < kKindCount)
        stats.patches[static_cast<size_t>(kinds.Int(0))] = kinds.Int(1);
    stats.files = m_db->Number("SELECT count(DISTINCT path) FROM file");
    stats.snapshots = m_db->Number("SELECT count(*) FROM snapshot");
    stats.userBanks = m_db->Number("SELECT count(*) FROM user_bank");
    std::error_code error;
    stats.bytes = static_cast<int64_t>(fs::file_size(m_path, error));
    if (error)
      stats.bytes = 0;
    return stats;
  });
}

} // namespace zpm
