// zpm info: a file's patches as the send-side lists show them.
#include "cli/cli_io.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/patch_file.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace zpm::cli {

namespace {

FileKind ParseKind(const CommandLine &line) {
  if (!line.IsSet("kind"))
    return FileKind::Auto;
  const QString kind = line.Value("kind");
  if (kind == "sid")
    return FileKind::Sid;
  if (kind == "fm")
    return FileKind::Fm;
  throw UsageError(QString("--kind is sid or fm, not \"%1\".").arg(kind));
}

QString TextListing(const LoadedFile &file, const std::vector<ListRow> &rows) {
  QString text = QString("%1: %2 %3 patch%4\n")
                     .arg(file.path)
                     .arg(rows.size())
                     .arg(file.fm ? "FM" : "SID")
                     .arg(rows.size() == 1 ? "" : "es");
  PatchList current = PatchList::Sid;
  bool first = true;
  for (const ListRow &row : rows) {
    if (first || row.list != current) {
      text += QString("\n%1\n  %2  %3  %4  %5  %6\n")
                  .arg(ListName(row.list))
                  .arg("Index", 5)
                  .arg("Bnk")
                  .arg("Nr", 3)
                  .arg("Patch Name", -16)
                  .arg("Dev  Checksum");
      current = row.list;
      first = false;
    }
    text += QString("  %1  %2    %3  %4  %5  %6 %7\n")
                .arg(row.index, 5)
                .arg(row.bank)
                .arg(row.number, 3)
                .arg(row.name.isNull() ? QString(16, ' ') : row.name)
                .arg(row.device, 3)
                .arg(row.checksum, 8)
                .arg(row.checksumOk ? "ok" : "wrong");
  }
  return text;
}

} // namespace

int RunInfo(const QStringList &args) {
  CommandLine line("zpm info FILE [--kind sid|fm] [--json]",
                   "Lists the patches of a .syx file as the send lists show them.");
  line.AddValueOption("kind", "sid|fm", "Load with the SID or the FM loader.");
  line.AddFlag("json", "Print one JSON document.");
  if (!line.Parse(args, 1))
    return ExitDone;
  const FileKind kind = ParseKind(line);
  const LoadedFile file = LoadPatchFile(line.Positional(0), kind);

  std::vector<ListRow> rows;
  for (PatchList list : file.Lists())
    for (int i = 0; i < file.Count(list); ++i)
      rows.push_back(MakeListRow(file, list, i));

  if (!line.IsSet("json")) {
    PrintOut(TextListing(file, rows));
    return ExitDone;
  }
  QJsonArray patches;
  for (const ListRow &row : rows)
    patches.append(ListRowJson(row));
  QJsonObject json;
  json["file"] = file.path;
  json["kind"] = file.fm ? "fm" : "sid";
  json["patches"] = patches;
  PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  return ExitDone;
}

} // namespace zpm::cli
