// SPDX-License-Identifier: GPL-3.0-or-later
// Lineage: which patches a patch was made from, and how.
#include "library/library.h"

#include "library/library_internal.h"
#include "library/library_values.h"

namespace zpm {

namespace {

TMadeBy MadeByOfRow(const std::string &value, int64_t id) {
  for (TMadeBy how : {TMadeBy::Edit, TMadeBy::Vary, TMadeBy::Cross})
    if (value == MadeByText(how))
      return how;
  RefuseRow("lineage", id, "holds a making that is none of edit, vary, cross");
  return TMadeBy::Edit;
}

std::vector<TLineageRow> LineageOf(TSqliteDb &db, int64_t id, const char *mine,
                                   const char *theirs) {
  const std::string sql = std::string("SELECT ") + theirs +
                          ", how, amount, seed, time, id FROM lineage WHERE " + mine +
                          " = ? ORDER BY time, id";
  TStatement query = db.Prepare(sql.c_str());
  query.Bind(1, id);
  std::vector<TLineageRow> rows;
  while (query.Step()) {
    const int64_t row = query.Int(5);
    TLineageRow lineage;
    lineage.id = query.Int(0);
    lineage.making.how = MadeByOfRow(query.Text(1), row);
    if (!query.IsNull(2))
      lineage.making.amount =
          static_cast<int>(InRangeOfRow(query.Int(2), 0, 100, "lineage", "amount", row));
    lineage.making.hasSeed = !query.IsNull(3);
    lineage.making.seed = query.Int(3);
    lineage.time = query.Int(4);
    rows.push_back(lineage);
  }
  return rows;
}

} // namespace

int64_t TLibrary::RecordMade(const TPatchBytes &made, const std::vector<TPatchBytes> &parents,
                             const TMaking &making) {
  return Guarded(m_path, [&] {
    const int64_t time = NowMs();
    TTransaction transaction(*m_db);
    bool fresh = false;
    const int64_t child = StorePatch(made, time, fresh);
    TStatement link = m_db->Prepare(
        "INSERT OR IGNORE INTO lineage (child_id, parent_id, how, amount, seed, time) VALUES (?, "
        "?, ?, ?, ?, ?)");
    for (const TPatchBytes &parent : parents) {
      const int64_t id = StorePatch(parent, time, fresh);
      // A copy made unchanged is the parent itself, not its own child.
      if (id == child)
        continue;
      link.Bind(1, child).Bind(2, id).Bind(3, std::string(MadeByText(making.how)));
      if (making.amount >= 0)
        link.Bind(4, static_cast<int64_t>(making.amount));
      else
        link.BindNull(4);
      if (making.hasSeed)
        link.Bind(5, making.seed);
      else
        link.BindNull(5);
      link.Bind(6, time).Run();
    }
    transaction.Commit();
    return child;
  });
}

std::vector<TLineageRow> TLibrary::Parents(int64_t id) {
  return Guarded(m_path, [&] { return LineageOf(*m_db, id, "child_id", "parent_id"); });
}

std::vector<TLineageRow> TLibrary::Children(int64_t id) {
  return Guarded(m_path, [&] { return LineageOf(*m_db, id, "parent_id", "child_id"); });
}

} // namespace zpm
