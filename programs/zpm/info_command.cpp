// SPDX-License-Identifier: GPL-3.0-or-later
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
                  row.checksumOk ? "ok" : "WRONG");
    text += line;
  }
  return text;
}

// A patch of the report: which list, which row.
struct ReportRow {
  PatchList list;
  int index;
};

struct LoadNotes {
  bool cutShort = false;
  ReportRow cutRow{PatchList::Sid, 0};
  size_t cutBytes = 0;
  size_t dumpSize = 0;
  std::vector<ReportRow> wrongChecksums;
};

LoadNotes NotesOf(const LoadedFile &file) {
  LoadNotes notes;
  if (file.fm) {
    notes.cutShort = file.fmReport.cutShort;
    notes.cutRow = {FmListOfType(file.fmReport.cutShortRow.type), file.fmReport.cutShortRow.index};
    notes.cutBytes = file.fmReport.cutShortBytes;
    notes.dumpSize = kFmDumpSize;
    for (const TFmLoadRow &row : file.fmReport.wrongChecksumRows)
      notes.wrongChecksums.push_back({FmListOfType(row.type), row.index});
  } else {
    notes.cutShort = file.sidReport.cutShortRow >= 0;
    notes.cutRow = {PatchList::Sid, file.sidReport.cutShortRow};
    notes.cutBytes = file.sidReport.cutShortBytes;
    notes.dumpSize = kSidDumpSize;
    for (int row : file.sidReport.wrongChecksumRows)
      notes.wrongChecksums.push_back({PatchList::Sid, row});
  }
  return notes;
}

std::string TextNotes(const LoadNotes &notes) {
  std::string text;
  if (notes.cutShort)
    text += "\nThe file ends inside the dump of " + ListName(notes.cutRow.list).toStdString() +
            " index " + std::to_string(notes.cutRow.index) + ": it holds " +
            std::to_string(notes.cutBytes) + " of its " + std::to_string(notes.dumpSize) +
            " bytes; the missing " + std::to_string(notes.dumpSize - notes.cutBytes) +
            " are blank.\n";
  if (!notes.wrongChecksums.empty()) {
    text += "\nChecksum wrong (the checksum byte does not match the data):";
    for (size_t i = 0; i < notes.wrongChecksums.size(); ++i)
      text += std::string(i == 0 ? " " : ", ") +
              ListName(notes.wrongChecksums[i].list).toStdString() + " index " +
              std::to_string(notes.wrongChecksums[i].index);
    text += ".\n";
  }
  return text;
}

std::string JsonCutShort(const LoadNotes &notes) {
  if (!notes.cutShort)
    return "null";
  return "{\"list\": " + JsonString(ListName(notes.cutRow.list).toStdString()) +
         ", \"index\": " + std::to_string(notes.cutRow.index) +
         ", \"bytes\": " + std::to_string(notes.cutBytes) +
         ", \"missing\": " + std::to_string(notes.dumpSize - notes.cutBytes) + "}";
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

  const LoadNotes notes = NotesOf(file);
  std::string out;
  if (!line.IsSet("json")) {
    PrintOut(QString::fromStdString(TextListing(file, rows) + TextNotes(notes)));
    return ExitDone;
  } else {
    out = "{\"file\": " + JsonString(file.path.toStdString()) + ", \"kind\": \"" +
          (file.fm ? "fm" : "sid") + "\", \"patches\": [";
    for (size_t i = 0; i < rows.size(); ++i) {
      out += i == 0 ? "\n  " : ",\n  ";
      AppendListRowJson(out, rows[i]);
    }
    out += rows.empty() ? "]" : "\n]";
    out += ", \"cut_short\": " + JsonCutShort(notes) + "}\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return ExitDone;
}

} // namespace zpm::cli
