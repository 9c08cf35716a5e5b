// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sighting_writer.h"

namespace zpm {

void TSightingWriter::Write(size_t from, size_t count) {
  std::string sql =
      "INSERT OR FAIL INTO sighting (patch_id, source, file_id, row, snapshot_id, kind, "
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
    insert->Bind(at + 1, values.patch).BindInPlace(at + 2, values.source);
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

} // namespace zpm
