// SPDX-License-Identifier: GPL-3.0-or-later
// Checking the library and counting what it holds.
#include "library/library.h"

#include "library/library_internal.h"
#include "library/library_values.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

namespace zpm {

namespace fs = std::filesystem;

namespace {

// A value out of its range: the rows of from where bad holds, each named by
// id as a row of table.
struct TRangeRule {
  const char *table;
  const char *id;
  const char *from;
  std::string bad;
  const char *what;
};

std::string IntegerIn(const std::string &column, int64_t low, const std::string &high) {
  return "NOT (typeof(" + column + ") = 'integer' AND " + column + " BETWEEN " +
         std::to_string(low) + " AND " + high + ")";
}

std::string IntegerIn(const std::string &column, int64_t low, int64_t high) {
  return IntegerIn(column, low, std::to_string(high));
}

// The last value of a range that depends on the row's kind, as SQL.
std::string LastOfKind(const std::string &kind, int (*count)(TKind)) {
  std::string sql = "CASE " + kind;
  for (TKind each : kAllKinds)
    sql += " WHEN " + std::to_string(static_cast<int>(each)) + " THEN " +
           std::to_string(count(each) - 1);
  return sql + " END";
}

std::string NotHash(const std::string &column) {
  return "NOT (typeof(" + column + ") = 'text' AND length(" + column + ") = 16 AND " + column +
         " NOT GLOB '*[^0-9a-f]*')";
}

// The ranges the library's readers hold every value to (library_values.h).
std::vector<TRangeRule> RangeRules() {
  const std::string kind = IntegerIn("kind", 0, kKindCount - 1);
  const std::string flaws = IntegerIn("flaws", 0, kFlawChecksum | kFlawCutShort);
  return {
      {"patch", "id", "patch", kind, "holds a kind outside 0 to 3"},
      {"patch", "id", "patch", "NOT (typeof(data) = 'blob' AND length(data) = 256)",
       "does not hold 256 data bytes"},
      {"patch", "id", "patch", flaws, "holds flaws outside 0 to 3"},
      {"patch", "id", "patch", NotHash("hash") + " OR " + NotHash("sound"),
       "holds a hash that is not 16 hex digits"},
      {"sighting", "id", "sighting", kind, "holds a kind outside 0 to 3"},
      {"sighting", "id", "sighting",
       "source IS NOT 'file' AND source IS NOT 'device' AND source IS NOT 'random' AND source IS "
       "NOT 'send'",
       "holds a source that is none of file, device, random, send"},
      {"sighting", "id", "sighting",
       "snapshot_id IS NOT NULL AND " + IntegerIn("bank", 0, LastOfKind("kind", BanksPerKind)),
       "holds a bank its synthesizer does not have"},
      {"sighting", "id", "sighting",
       "snapshot_id IS NOT NULL AND " + IntegerIn("slot", 0, LastOfKind("kind", SlotsPerBank)),
       "holds a slot outside its bank"},
      {"sighting", "id", "sighting", "row IS NOT NULL AND " + IntegerIn("row", 0, INT32_MAX),
       "holds a negative row"},
      {"sighting", "id", "sighting", flaws, "holds flaws outside 0 to 3"},
      {"snapshot", "id", "snapshot", "source IS NOT 'fetch' AND source IS NOT 'send'",
       "holds a source that is neither fetch nor send"},
      {"snapshot", "id", "snapshot", IntegerIn("device", 0, kLastDevice),
       "holds a device ID outside 0 to 127"},
      {"user_bank", "id", "user_bank", kind, "holds a kind outside 0 to 3"},
      {"lineage", "id", "lineage", "how IS NOT 'edit' AND how IS NOT 'vary' AND how IS NOT 'cross'",
       "holds a making that is none of edit, vary, cross"},
      {"lineage", "id", "lineage", "amount IS NOT NULL AND " + IntegerIn("amount", 0, 100),
       "holds an amount outside 0 to 100"},
      {"user_bank", "s.bank_id", "user_bank_slot s JOIN user_bank b ON b.id = s.bank_id",
       IntegerIn("s.slot", 0, LastOfKind("b.kind", SlotsPerBank)), "has a slot outside its bank"},
  };
}

// Runs of white space as one blank, and the sighting's source check in the
// form the first libraries were written with, which means the same.
std::string Normalized(const std::string &sql) {
  std::string text;
  for (char c : sql)
    if (!std::isspace(static_cast<unsigned char>(c)))
      text += c;
    else if (!text.empty() && text.back() != ' ')
      text += ' ';
  const std::string joined =
      "CHECK (source = 'file' OR source = 'device' OR source = 'random' OR source = 'send')";
  const size_t at = text.find(joined);
  if (at != std::string::npos)
    text.replace(at, joined.size(), "CHECK (source IN ('file', 'device', 'random', 'send'))");
  return text;
}

// Name to (type, SQL) of every table and index the database holds.
std::map<std::string, std::pair<std::string, std::string>> SchemaOf(TSqliteDb &db) {
  std::map<std::string, std::pair<std::string, std::string>> objects;
  TStatement query = db.Prepare("SELECT name, type, sql FROM sqlite_schema WHERE name NOT LIKE "
                                "'sqlite\\_%' ESCAPE '\\'");
  while (query.Step())
    objects[query.Text(0)] = {query.Text(1), Normalized(query.Text(2))};
  return objects;
}

// The tables and indexes of the file against those this version writes.
void CompareSchema(TSqliteDb &db, const std::function<void(const std::string &)> &add) {
  TSqliteDb written(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  WriteLibrarySchema(written);
  const auto expected = SchemaOf(written);
  const auto found = SchemaOf(db);
  for (const auto &[name, object] : expected) {
    const auto there = found.find(name);
    if (there == found.end()) {
      add("The library has no " + object.first + " " + name + ".");
      continue;
    }
    const std::string &sql = there->second.second;
    if (there->second.first == object.first && sql == object.second)
      continue;
    const auto differ =
        std::mismatch(sql.begin(), sql.end(), object.second.begin(), object.second.end());
    const size_t at = static_cast<size_t>(differ.first - sql.begin());
    add("The library's " + object.first + " " + name +
        " is not as this version writes it, from \"" + sql.substr(at, 40) + "\" on.");
  }
  for (const auto &[name, object] : found)
    if (expected.count(name) == 0)
      add("The library has a " + object.first + " " + name + " that this version does not write.");
}

} // namespace

TLibraryCheck TLibrary::Check() {
  return Guarded(m_path, [&] {
    TLibraryCheck check;
    const auto add = [&](const std::string &problem) {
      if (check.problems.size() < TLibraryCheck::kShown)
        check.problems.push_back(problem);
      ++check.count;
    };
    TStatement integrity = m_db->Prepare("PRAGMA integrity_check");
    while (integrity.Step())
      if (integrity.Text(0) != "ok")
        add("The database: " + integrity.Text(0));
    const int64_t schemaProblems = check.count;
    CompareSchema(*m_db, add);
    const bool schemaHolds = check.count == schemaProblems;
    // A table not as it should be may lack what a check reads: its
    // difference is the problem then, said once above.
    const auto run = [&](const std::string &what, const std::function<void()> &body) {
      try {
        body();
      } catch (const TSqliteError &error) {
        if (schemaHolds)
          add("The library's " + what + " could not be checked (" + error.what() + ").");
      }
    };
    run("references", [&] {
      TStatement keys = m_db->Prepare("PRAGMA foreign_key_check");
      while (keys.Step())
        add("Row " + std::to_string(keys.Int(1)) + " of the " + keys.Text(0) + " table names a " +
            keys.Text(2) + " that is not there.");
    });
    for (const TRangeRule &rule : RangeRules())
      run(std::string(rule.table) + " table", [&] {
        TStatement rows = m_db->Prepare((std::string("SELECT ") + rule.id + " FROM " + rule.from +
                                         " WHERE " + rule.bad + " ORDER BY 1")
                                            .c_str());
        while (rows.Step())
          add("Row " + std::to_string(rows.Int(0)) + " of the " + rule.table + " table " +
              rule.what + ".");
      });
    run("files", [&] {
      // A file's sightings each name one row; the window's loads have no size.
      TStatement twice = m_db->Prepare(
          "SELECT path, count(*), group_concat(id, ', ') FROM file WHERE size >= 0 GROUP BY path, "
          "size, mtime HAVING count(*) > 1 ORDER BY min(id)");
      while (twice.Step())
        add("The file " + twice.Text(0) + " is recorded " + std::to_string(twice.Int(1)) +
            " times (rows " + twice.Text(2) + " of the file table).");
    });
    run("hashes", [&] {
      TStatement patches = m_db->Prepare(
          "SELECT id, hash, sound, kind, data FROM patch WHERE typeof(kind) = 'integer' AND kind "
          "BETWEEN 0 AND 3 AND typeof(data) = 'blob' AND length(data) = 256 ORDER BY id");
      while (patches.Step()) {
        TPatchBytes patch;
        patch.kind = static_cast<TKind>(patches.Int(3));
        const std::vector<uint8_t> data = patches.Blob(4);
        std::copy(data.begin(), data.end(), patch.data.begin());
        if (PatchHash(patch) != patches.Text(1) || SoundHash(patch) != patches.Text(2))
          add("Patch " + std::to_string(patches.Int(0)) +
              " has a hash that does not match its bytes.");
      }
    });
    return check;
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
