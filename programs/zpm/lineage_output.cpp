// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/lineage_output.h"

#include "zpm/library_output.h"
#include "zpm/patch_file.h"

#include <vector>

namespace zpm::cli {

namespace {

// "edit", "vary 30%, seed 42", "cross, seed 7".
QString MakingText(const TMaking &making) {
  QString text = MadeByText(making.how);
  if (making.amount >= 0)
    text += QString(" %1%").arg(making.amount);
  if (making.hasSeed)
    text += QString(", seed %1").arg(making.seed);
  return text;
}

QString Paragraph(TLibrary &library, const char *heading, const std::vector<TLineageRow> &rows) {
  if (rows.empty())
    return QString();
  QString text = QString("\n%1\n").arg(QLatin1String(heading));
  for (const TLineageRow &row : rows)
    text += QString("  %1  %2, %3\n")
                .arg(PatchLabel(library.Row(row.id)), MakingText(row.making),
                     QString::fromStdString(IsoTime(row.time)));
  return text;
}

std::string JsonList(TLibrary &library, const std::vector<TLineageRow> &rows) {
  std::string json = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    const TLineageRow &row = rows[i];
    const TStoredPatch stored = library.Patch(row.id);
    json += std::string(i ? ", " : "") + "{\"id\": " + std::to_string(row.id) + ", \"name\": " +
            (HasName(stored.patch.kind) ? JsonString(NameUtf8(stored.patch.data.data()))
                                        : std::string("null")) +
            ", \"how\": " + JsonString(MadeByText(row.making.how)) + ", \"amount\": " +
            (row.making.amount >= 0 ? std::to_string(row.making.amount) : "null") +
            ", \"seed\": " + (row.making.hasSeed ? std::to_string(row.making.seed) : "null") +
            ", \"time\": " + JsonString(IsoTime(row.time)) + "}";
  }
  return json + "]";
}

} // namespace

QString LineageText(TLibrary &library, int64_t id) {
  return Paragraph(library, "Made from:", library.Parents(id)) +
         Paragraph(library, "Made into:", library.Children(id));
}

std::string LineageJsonMembers(TLibrary &library, int64_t id) {
  return "\"parents\": " + JsonList(library, library.Parents(id)) +
         ", \"children\": " + JsonList(library, library.Children(id));
}

} // namespace zpm::cli
