// zpm info: a file's patches as the send-side lists show them.
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/patch_file.h"

#include <cstdio>
#include <string>

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

std::string TextListing(const LoadedFile &file, const std::vector<ListRow> &rows) {
  std::string text = file.path.toStdString() + ": " + std::to_string(rows.size()) +
                     (file.fm ? " FM" : " SID") + (rows.size() == 1 ? " patch\n" : " patches\n");
  char line[160];
  for (size_t i = 0; i < rows.size(); ++i) {
    const ListRow &row = rows[i];
    if (i == 0 || row.list != rows[i - 1].list)
      text += "\n" + ListName(row.list).toStdString() +
              "\n  Index  Bnk   Nr  Patch Name        Dev  Checksum\n";
    std::snprintf(line, sizeof line, "  %5d  %s   %4d  ", row.index, row.bank.c_str(), row.number);
    text += line;
    text += row.name ? *row.name : std::string(16, ' ');
    std::snprintf(line, sizeof line, "  %3d  %8d %s\n", row.device, row.checksum,
                  row.checksumOk ? "ok" : "wrong");
    text += line;
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

  std::string out;
  if (!line.IsSet("json")) {
    out = TextListing(file, rows);
  } else {
    out = "{\"file\": " + JsonString(file.path.toStdString()) + ", \"kind\": \"" +
          (file.fm ? "fm" : "sid") + "\", \"patches\": [";
    for (size_t i = 0; i < rows.size(); ++i) {
      out += i == 0 ? "\n  " : ",\n  ";
      AppendListRowJson(out, rows[i]);
    }
    out += rows.empty() ? "]}\n" : "\n]}\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return ExitDone;
}

} // namespace zpm::cli
