// SPDX-License-Identifier: GPL-3.0-or-later
// Finding patches: searches, look-ups by ID or hash, and the musician's
// favourites, tags and notes.
#include "library/library.h"

#include "library/library_internal.h"
#include "library/library_values.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace zpm {

namespace {

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
  row.hash = HashOfRow(statement.Text(1), "patch", row.id);
  row.kind = KindOfRow(statement.Int(2), "patch", row.id);
  if (!statement.IsNull(3))
    row.name = statement.Text(3);
  row.favourite = statement.Int(4) != 0;
  row.note = statement.Text(5);
  row.seen = statement.Int(6);
  row.firstSeen = statement.Int(7);
  row.lastSeen = statement.Int(8);
  row.flaws = FlawsOfRow(statement.Int(9), "patch", row.id);
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

} // namespace

void AddSearchFunctions(TSqliteDb &db) {
  sqlite3_create_function_v2(db.Handle(), "zpm_name_has", 2,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             NameHas, nullptr, nullptr, nullptr);
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
    stored.patch.kind = KindOfRow(query.Int(0), "patch", id);
    const std::vector<uint8_t> data = query.Blob(1);
    if (data.size() != stored.patch.data.size())
      RefuseRow("patch", id,
                "holds " + std::to_string(data.size()) + " data bytes instead of " +
                    std::to_string(stored.patch.data.size()));
    std::copy(data.begin(), data.end(), stored.patch.data.begin());
    stored.patch.flaws = FlawsOfRow(query.Int(2), "patch", id);
    if (HasName(stored.patch.kind))
      stored.nameBytes.assign(stored.patch.data.begin(), stored.patch.data.begin() + 16);
    return stored;
  });
}

std::vector<TSightingRow> TLibrary::Sightings(int64_t id) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT s.source, s.time, f.path, s.row, n.fm, n.device, s.bank, s.slot, s.snapshot_id, "
        "s.verified, s.flaws, s.id, s.kind FROM sighting s LEFT JOIN file f ON f.id = s.file_id "
        "LEFT JOIN snapshot n ON n.id = s.snapshot_id WHERE s.patch_id = ? ORDER BY s.time, "
        "s.id");
    query.Bind(1, id);
    std::vector<TSightingRow> rows;
    while (query.Step()) {
      TSightingRow row;
      const int64_t sighting = query.Int(11);
      const auto inRange = [&](int column, int64_t high, const char *name) {
        return static_cast<int>(
            InRangeOfRow(query.Int(column), 0, high, "sighting", name, sighting));
      };
      row.source = SightingSourceOfRow(query.Text(0), sighting);
      row.time = query.Int(1);
      row.path = query.Text(2);
      row.row = inRange(3, INT32_MAX, "row");
      row.snapshot = query.Int(8);
      if (row.snapshot != 0) {
        const TKind kind = KindOfRow(query.Int(12), "sighting", sighting);
        row.fm = query.Int(4) != 0;
        row.device = static_cast<int>(
            InRangeOfRow(query.Int(5), 0, kLastDevice, "snapshot", "device", row.snapshot));
        row.bank = inRange(6, BanksPerKind(kind) - 1, "bank");
        row.number = inRange(7, SlotsPerBank(kind) - 1, "slot");
      }
      row.verified = query.Int(9) != 0;
      row.flaws = FlawsOfRow(query.Int(10), "sighting", sighting);
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

} // namespace zpm
