// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sighting_writer.h"

#include <algorithm>

namespace zpm {

void TSightingWriter::Write(size_t from, size_t count) {
  const auto first = m_rows.begin() + static_cast<std::ptrdiff_t>(from);
  // A file's rows name no snapshot, bank or slot and are never verified:
  // those columns are left to their defaults, and each row binds six values
  // rather than eleven.
  const bool fileRows = std::all_of(
      first, first + static_cast<std::ptrdiff_t>(count), [](const TSightingValues &values) {
        return !values.snapshot && !values.bank && !values.slot && values.verified == 0;
      });
  const int columns = fileRows ? 7 : 11;
  std::string sql = fileRows
                        ? "INSERT OR FAIL INTO sighting (patch_id, source, file_id, row, kind, "
                          "flaws, time) VALUES "
                        : "INSERT OR FAIL INTO sighting (patch_id, source, file_id, row, "
                          "snapshot_id, kind, bank, slot, verified, flaws, time) VALUES ";
  const std::string row = fileRows ? "(?, ?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
  for (size_t i = 0; i < count; ++i)
    sql += (i ? ", " : "") + row;
  TCachedStatement insert = m_db.Cached(sql);
  for (size_t i = 0; i < count; ++i) {
    const TSightingValues &values = m_rows[from + i];
    int at = static_cast<int>(i) * columns;
    const auto bind = [&](const std::optional<int64_t> &value) {
      if (value)
        insert->Bind(++at, *value);
      else
        insert->BindNull(++at);
    };
    insert->Bind(++at, values.patch);
    insert->BindInPlace(++at, values.source);
    bind(values.file);
    bind(values.row);
    if (!fileRows)
      bind(values.snapshot);
    insert->Bind(++at, values.kind);
    if (!fileRows) {
      bind(values.bank);
      bind(values.slot);
      insert->Bind(++at, values.verified);
    }
    insert->Bind(++at, values.flaws);
    insert->Bind(++at, values.time);
  }
  insert->Run();
}

} // namespace zpm
