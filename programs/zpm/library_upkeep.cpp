// SPDX-License-Identifier: GPL-3.0-or-later
// zpm library tag, favourite and note: what the musician says of a patch;
// check and stats: the library file's health.
#include "library/library.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/library_output.h"
#include "zpm/patch_file.h"

#include <string>
#include <utility>
#include <vector>

namespace zpm::cli {

namespace {

QString TagsText(const TPatchRow &row) {
  QStringList tags;
  for (const std::string &tag : row.tags)
    tags << ShownBytes(tag);
  return tags.isEmpty() ? QString("no tags") : "tags " + tags.join(", ");
}

} // namespace

int RunLibraryTag(const QStringList &args) {
  const QString usage = "zpm library tag ID [+TAG|-TAG]... [--library FILE]";
  // -TAG would read as an option, so the tags are taken out first.
  QStringList rest;
  std::vector<std::pair<bool, std::string>> changes;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString &arg = args[i];
    if (arg.startsWith("--")) {
      rest << arg;
      if (arg == "--library" && i + 1 < args.size())
        rest << args[++i];
    } else if (arg.size() > 1 && (arg.startsWith('+') || arg.startsWith('-'))) {
      changes.emplace_back(arg.startsWith('+'), ArgumentString(arg.mid(1)));
    } else {
      rest << arg;
    }
  }
  CommandLine line(usage, "Adds (+TAG) and removes (-TAG) tags of a patch, in the order given, "
                          "and prints its tags.");
  AddLibraryOption(line);
  if (!line.Parse(rest, 1))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const int64_t id = ResolvePatch(*library, line.Positional(0));
  for (const auto &[add, tag] : changes)
    add ? library->AddTag(id, tag) : library->RemoveTag(id, tag);
  const TPatchRow row = library->Row(id);
  PrintOut(QString("Patch %1: %2.\n").arg(PatchLabel(row), TagsText(row)));
  return ExitDone;
}

int RunLibraryFavourite(const QStringList &args) {
  CommandLine line("zpm library favourite ID [--off] [--library FILE]",
                   "Marks a patch as a favourite, or with --off no longer.");
  line.AddFlag("off", "No longer a favourite.");
  AddLibraryOption(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const int64_t id = ResolvePatch(*library, line.Positional(0));
  library->SetFavourite(id, !line.IsSet("off"));
  const TPatchRow row = library->Row(id);
  PrintOut(QString("Patch %1 is %2.\n")
               .arg(PatchLabel(row), row.favourite ? "a favourite" : "not a favourite"));
  return ExitDone;
}

int RunLibraryNote(const QStringList &args) {
  CommandLine line("zpm library note ID TEXT [--library FILE]",
                   "Sets the note of a patch; an empty TEXT removes it.");
  AddLibraryOption(line);
  if (!line.Parse(args, 2))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const int64_t id = ResolvePatch(*library, line.Positional(0));
  library->SetNote(id, ArgumentString(line.Positional(1)));
  const TPatchRow row = library->Row(id);
  PrintOut(row.note.empty()
               ? QString("Patch %1 has no note.\n").arg(PatchLabel(row))
               : QString("Patch %1: note \"%2\".\n").arg(PatchLabel(row), ShownBytes(row.note)));
  return ExitDone;
}

int RunLibraryCheck(const QStringList &args) {
  CommandLine line("zpm library check [--library FILE]",
                   "Runs the database's integrity check and the library's own checks "
                   "(the tables as this version writes them, every value in its range, every "
                   "sighting names a patch, every hash matches its bytes, no file recorded "
                   "twice); one line per problem, at most 20, then their count. Exit 0 when "
                   "all hold, 1 when not.");
  AddLibraryOption(line);
  if (!line.Parse(args, 0))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const TLibraryCheck check = library->Check();
  const QString path = ShownBytes(library->Path());
  if (check.count == 0) {
    PrintOut(QString("%1: every check holds.\n").arg(path));
    return ExitDone;
  }
  QString text;
  for (const std::string &problem : check.problems)
    text += ShownBytes(problem) + "\n";
  const int64_t more = check.count - static_cast<int64_t>(check.problems.size());
  if (more > 0)
    text += QString("... and %1 more %2.\n").arg(more).arg(more == 1 ? "problem" : "problems");
  PrintOut(text);
  PrintErr(
      QString("The library %1 has %2; keep a copy of the file before changing it.\n")
          .arg(path,
               QString("%1 %2").arg(check.count).arg(check.count == 1 ? "problem" : "problems")));
  return ExitFailed;
}

int RunLibraryStats(const QStringList &args) {
  CommandLine line("zpm library stats [--json] [--library FILE]",
                   "Counts the library's patches by kind, its files, snapshots and user "
                   "banks, and gives the file's size.");
  line.AddFlag("json", "Print one JSON document.");
  AddLibraryOption(line);
  if (!line.Parse(args, 0))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const TLibraryStats stats = library->Stats();
  if (line.IsSet("json")) {
    std::string json = "{\"patches\": {";
    for (TKind kind : kAllKinds)
      json += std::string(kind == TKind::Sid ? "" : ", ") + JsonString(KindText(kind)) + ": " +
              std::to_string(stats.patches[static_cast<size_t>(kind)]);
    json += "}, \"files\": " + std::to_string(stats.files) +
            ", \"snapshots\": " + std::to_string(stats.snapshots) +
            ", \"user_banks\": " + std::to_string(stats.userBanks) +
            ", \"bytes\": " + std::to_string(stats.bytes) +
            ", \"path\": " + JsonBytes(library->Path()) + "}\n";
    PrintOutBytes(QByteArray::fromStdString(json));
    return ExitDone;
  }
  QString text = ShownBytes(library->Path()) + "\n";
  for (TKind kind : kAllKinds)
    text += QString("  %1 %2 patches\n")
                .arg(KindText(kind), -12)
                .arg(stats.patches[static_cast<size_t>(kind)], 8);
  text += QString("  %1 %2\n").arg("files", -12).arg(stats.files, 8);
  text += QString("  %1 %2\n").arg("snapshots", -12).arg(stats.snapshots, 8);
  text += QString("  %1 %2\n").arg("user banks", -12).arg(stats.userBanks, 8);
  text += QString("  %1 %2 bytes\n").arg("size", -12).arg(stats.bytes, 8);
  PrintOut(text);
  return ExitDone;
}

} // namespace zpm::cli
