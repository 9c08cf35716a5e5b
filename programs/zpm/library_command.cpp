// SPDX-License-Identifier: GPL-3.0-or-later
// zpm library: the patch library from the command line. Importing files and
// finding patches; what the musician says about them and the file's health
// are in library_upkeep.cpp, the bank history and exports in
// library_history.cpp.
#include "library/library_view.h"
#include "midi/transfer_host.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/interrupts.h"
#include "zpm/library_output.h"
#include "zpm/lineage_output.h"
#include "zpm/patch_file.h"
#include "zpm/patch_view_output.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

namespace zpm::cli {

namespace {

const char *const kLibraryUsage =
    "Usage: zpm library SUBCOMMAND [options] [--library FILE]\n"
    "\n"
    "The patch library: every patch fetched, loaded, imported, created or sent, once each.\n"
    "\n"
    "Subcommands:\n"
    "  import PATH...           add the patches of .syx files and folders\n"
    "  search [TEXT]            find patches by part of their name, kind, tag, file\n"
    "  show ID                  one patch, where it was seen and its related sounds\n"
    "  tag ID [+TAG|-TAG]...    add or remove tags\n"
    "  favourite ID [--off]     mark a patch as a favourite, or no longer\n"
    "  note ID TEXT             set a patch's note (an empty TEXT removes it)\n"
    "  history BANK [--at TIME] the synthesizer bank's snapshots, or its state at a time\n"
    "  export ... --output FILE write a set of patches into a .syx file\n"
    "  check                    check the library file's consistency\n"
    "  stats                    count what the library holds\n"
    "\n"
    "A patch is named by its ID, as search lists it, or by at least 8 hex digits of its\n"
    "hash. zpm library SUBCOMMAND --help shows a subcommand's options.\n";

// Imports run file by file; the count goes to standard error, and Ctrl+C
// stops after the file in progress, keeping what was imported.
class TImportProgress : public TTransferHost {
public:
  bool Ask(const std::string &) override { return false; }
  void Inform(const std::string &text) override { PrintErr(QString::fromStdString(text) + "\n"); }
  int WaitForSysEx() override { return kWaitCancelled; }
  void Delay(int) override {}
  void WaitForBytes(size_t, int) override {}
  void BeginProgress(int count) override { m_count = count; }
  void StepProgress() override {
    PrintErr(QString("\rImported %1 of %2 files").arg(++m_done).arg(m_count));
  }
  bool ProgressCancelled() override { return TInterrupts::Received() != 0; }
  void EndProgress() override {
    if (m_done > 0)
      PrintErr("\n");
  }

private:
  int m_count = 0;
  int m_done = 0;
};

QString Plural(int64_t count, const char *one, const char *many) {
  return QString("%1 %2").arg(count).arg(count == 1 ? one : many);
}

std::string JsonList(const std::vector<std::string> &items) {
  std::string json = "[";
  for (size_t i = 0; i < items.size(); ++i)
    json += (i ? ", " : "") + items[i];
  return json + "]";
}

std::string JsonOrNull(bool present, const std::string &text) {
  return present ? JsonBytes(text) : "null";
}

// The name from its bytes, control characters kept for JSON to escape.
std::string NameOfBytes(TLibrary &library, const TPatchRow &row) {
  if (!row.name)
    return {};
  const TStoredPatch stored = library.Patch(row.id);
  return NameUtf8(stored.patch.data.data());
}

// The members of a patch's JSON object that search and show share.
std::string RowJsonMembers(TLibrary &library, const TPatchRow &row) {
  std::vector<std::string> tags, related;
  for (const std::string &tag : row.tags)
    tags.push_back(JsonBytes(tag));
  for (int64_t id : library.Related(row.id))
    related.push_back(std::to_string(id));
  return "\"id\": " + std::to_string(row.id) + ", \"hash\": " + JsonString(row.hash) +
         ", \"kind\": " + JsonString(KindText(row.kind)) +
         ", \"name\": " + JsonOrNull(row.name.has_value(), NameOfBytes(library, row)) +
         ", \"tags\": " + JsonList(tags) +
         ", \"favourite\": " + (row.favourite ? "true" : "false") +
         ", \"seen\": " + std::to_string(row.seen) +
         ", \"first_seen\": " + JsonString(IsoTime(row.firstSeen)) +
         ", \"last_seen\": " + JsonString(IsoTime(row.lastSeen)) +
         ", \"related\": " + JsonList(related) +
         ", \"note\": " + JsonOrNull(!row.note.empty(), row.note) +
         ", \"flaws\": " + JsonOrNull(row.flaws != kFlawNone, FlawText(row.flaws));
}

// --- import ---

QString ImportLine(const TImportedFile &file) {
  const QString path = ShownBytes(file.path);
  if (!file.error.empty()) {
    // The loaders' reasons mostly name the file already.
    const bool named = file.error.compare(0, file.path.size(), file.path) == 0;
    return (named ? QString() : path + ": ") + "refused: " + ShownBytes(file.error);
  }
  QString line = file.unchanged
                     ? QString("%1: unchanged since it was imported (%2 already known)")
                           .arg(path, Plural(file.knownPatches, "patch", "patches"))
                     : QString("%1: %2, %3 already known")
                           .arg(path, Plural(file.newPatches, "new patch", "new patches"))
                           .arg(file.knownPatches);
  if (!file.warning.empty())
    line += "; " + ShownBytes(file.warning);
  return line;
}

int RunImport(const QStringList &args) {
  CommandLine line("zpm library import PATH... [--json] [--library FILE]",
                   "Adds the patches of .syx files, and of every .syx file in folders (and "
                   "their folders), to the library, each file on its own. Exit 1 when a file "
                   "was refused; the others are imported.");
  line.AddFlag("json", "Print one JSON document.");
  AddLibraryOption(line);
  if (!line.Parse(args, 1, -1))
    return ExitDone;
  std::vector<std::string> paths;
  for (const QString &path : line.Positionals())
    paths.push_back(ArgumentString(AbsolutePath(path)));
  const auto library = OpenLibrary(line);
  TInterrupts::Install();
  TImportProgress progress;
  const bool json = line.IsSet("json");
  // Each file is told as soon as it is in: a library that fails later keeps it.
  std::vector<TImportedFile> files;
  std::string failure;
  try {
    library->Import(paths, &progress, [&](const TImportedFile &file) {
      files.push_back(file);
      if (!json) {
        PrintOut(ImportLine(file) + "\n");
        std::fflush(stdout);
      }
    });
  } catch (const TLibraryError &error) {
    failure = error.what();
  }

  int64_t fresh = 0, known = 0, refused = 0;
  for (const TImportedFile &file : files) {
    fresh += file.newPatches;
    known += file.knownPatches;
    refused += !file.error.empty();
  }
  if (json) {
    std::string text = "{\"files\": [";
    for (size_t i = 0; i < files.size(); ++i) {
      const TImportedFile &file = files[i];
      text += std::string(i ? ",\n  " : "\n  ") + "{\"path\": " + JsonBytes(file.path) +
              ", \"new\": " + std::to_string(file.newPatches) +
              ", \"known\": " + std::to_string(file.knownPatches) +
              ", \"error\": " + JsonOrNull(!file.error.empty(), file.error) +
              ", \"warning\": " + JsonOrNull(!file.warning.empty(), file.warning) +
              ", \"unchanged\": " + (file.unchanged ? "true" : "false") + "}";
    }
    text += std::string(files.empty() ? "]" : "\n]") + ", \"new\": " + std::to_string(fresh) +
            ", \"known\": " + std::to_string(known) + "}\n";
    PrintOutBytes(QByteArray::fromStdString(text));
  } else {
    PrintOut(QString("%1: %2, %3 already known, %4 refused.\n")
                 .arg(Plural(static_cast<int64_t>(files.size()), "file", "files"),
                      Plural(fresh, "new patch", "new patches"))
                 .arg(known)
                 .arg(refused));
  }
  if (!failure.empty()) {
    const bool listed = std::any_of(files.begin(), files.end(),
                                    [](const auto &file) { return file.error.empty(); });
    throw ZpmError(failure + (listed ? " The files listed above are in the library; import "
                                       "again to add the rest."
                                     : " No file was imported; try again."));
  }
  if (refused == 0)
    return ExitDone;
  PrintErr(QString("%1 of %2 could not be read; the others were imported.\n")
               .arg(refused)
               .arg(Plural(static_cast<int64_t>(files.size()), "file", "files")));
  return ExitFailed;
}

// --- search ---

QString SearchLine(const TPatchRow &row) {
  QStringList tags;
  for (const std::string &tag : row.tags)
    tags << ShownBytes(tag);
  QString line = QString("%1  %2  %3  %4  %5  %6")
                     .arg(row.id, 6)
                     .arg(KindText(row.kind), -11)
                     .arg(row.favourite ? "*" : " ", -3)
                     .arg(row.name ? ShownBytes(*row.name) : QString("-"), -16)
                     .arg(row.seen, 4)
                     .arg(tags.join(", "));
  if (row.flaws != kFlawNone)
    line += QString("  (%1)").arg(QString::fromStdString(FlawText(row.flaws)));
  while (line.endsWith(' '))
    line.chop(1);
  return line + "\n";
}

int RunSearch(const QStringList &args) {
  CommandLine line("zpm library search [TEXT] [--kind K] [--tag T]... [--favourite] "
                   "[--file PATH] [--limit N] [--json] [--library FILE]",
                   "Lists the patches whose name holds TEXT (in any case) and that pass "
                   "every filter given, by name.");
  AddSearchOptions(line);
  line.AddValueOption("limit", "N", "At most N patches.");
  line.AddFlag("json", "Print one JSON document.");
  AddLibraryOption(line);
  if (!line.Parse(args, 0, 1))
    return ExitDone;
  TSearch search = SearchOf(line, line.Positionals().value(0));
  if (line.IsSet("limit"))
    search.limit = ParseNumberIn("--limit", line.Value("limit"), 1, INT32_MAX);
  const auto library = OpenLibrary(line);
  const std::vector<TPatchRow> rows = library->Search(search);

  if (line.IsSet("json")) {
    std::string json = "{\"patches\": [";
    for (size_t i = 0; i < rows.size(); ++i)
      json += std::string(i ? ",\n  {" : "\n  {") + RowJsonMembers(*library, rows[i]) + "}";
    json += rows.empty() ? "]}\n" : "\n]}\n";
    PrintOutBytes(QByteArray::fromStdString(json));
    return ExitDone;
  }
  if (rows.empty()) {
    PrintOut("No patch in the library matches.\n");
    return ExitDone;
  }
  QString text = "    ID  Kind         Fav  Name              Seen  Tags\n";
  for (const TPatchRow &row : rows)
    text += SearchLine(row);
  const int64_t total =
      search.limit < 0 ? static_cast<int64_t>(rows.size()) : library->Count(search);
  text += total > static_cast<int64_t>(rows.size())
              ? QString("%1 of %2 matching patches shown.\n").arg(rows.size()).arg(total)
              : Plural(total, "patch.\n", "patches.\n");
  PrintOut(text);
  return ExitDone;
}

// --- show ---

QString SightingText(const TSightingRow &seen, TKind kind) {
  const QString synth = QString("the %1 (device %2)").arg(seen.fm ? "FM" : "SID").arg(seen.device);
  const QString slot = QString("%1%2, snapshot %3")
                           .arg(seen.fm ? QString(KindText(kind)).mid(3) + " " : QString(),
                                QString::fromStdString(SlotName(seen.bank, seen.number)))
                           .arg(seen.snapshot);
  QString text;
  if (seen.source == "file")
    text = QString("file %1, %2 index %3").arg(ShownBytes(seen.path), KindText(kind)).arg(seen.row);
  else if (seen.source == "device")
    text = "fetched from " + synth + " at " + slot;
  else if (seen.snapshot == 0)
    text = "created at random";
  else
    text = QString("%1 to %2 at %3, %4")
               .arg(seen.source == "random" ? "random patch sent" : "sent", synth, slot,
                    seen.verified ? "verified" : "not verified");
  if (seen.flaws != kFlawNone)
    text += ", " + QString::fromStdString(FlawText(seen.flaws));
  return text;
}

std::string SightingJson(const TSightingRow &seen, TKind kind) {
  const bool file = seen.source == "file", slot = seen.snapshot != 0;
  return "{\"source\": " + JsonString(seen.source) +
         ", \"time\": " + JsonString(IsoTime(seen.time)) +
         ", \"path\": " + JsonOrNull(file, seen.path) +
         ", \"index\": " + (file ? std::to_string(seen.row) : "null") +
         ", \"slot\": " + (slot ? JsonString(SlotName(seen.bank, seen.number)) : "null") +
         ", \"synth\": " + (slot ? (seen.fm ? "\"fm\"" : "\"sid\"") : "null") +
         ", \"device\": " + (slot ? std::to_string(seen.device) : "null") +
         ", \"snapshot\": " + (slot ? std::to_string(seen.snapshot) : "null") + ", \"verified\": " +
         (seen.source == "send" || seen.source == "random" ? (seen.verified ? "true" : "false")
                                                           : "null") +
         ", \"kind\": " + JsonString(KindText(kind)) + "}";
}

int RunShowPatch(const QStringList &args) {
  CommandLine line("zpm library show ID [--json] [--library FILE]",
                   "Shows a patch of the library as zpm show does, then where it was seen, "
                   "the patches it was made from and those made from it (edited, varied or "
                   "crossed), and the other patches of the same sound.");
  line.AddFlag("json", "Print one JSON document.");
  AddLibraryOption(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const auto library = OpenLibrary(line);
  const int64_t id = ResolvePatch(*library, line.Positional(0));
  const TPatchRow row = library->Row(id);
  const TStoredPatch stored = library->Patch(id);
  const std::vector<TSightingRow> sightings = library->Sightings(id);
  const PatchViewText view = StoredPatchView(stored.patch, sightings);

  if (line.IsSet("json")) {
    std::string json = "{" + RowJsonMembers(*library, row) + ",\n  " + PatchViewJsonMembers(view) +
                       ",\n  \"sightings\": [";
    for (size_t i = 0; i < sightings.size(); ++i)
      json += (i ? ",\n    " : "\n    ") + SightingJson(sightings[i], row.kind);
    json += sightings.empty() ? "]" : "\n  ]";
    json += ",\n  " + LineageJsonMembers(*library, id) + "}\n";
    PrintOutBytes(QByteArray::fromStdString(json));
    return ExitDone;
  }
  QString text = PatchViewListing(view) + "\n";
  text +=
      QString("Library patch %1, hash %2, %3, seen %4 (first %5, last %6).\n")
          .arg(row.id)
          .arg(QString::fromStdString(row.hash), KindText(row.kind),
               Plural(row.seen, "time", "times"), QString::fromStdString(IsoTime(row.firstSeen)),
               QString::fromStdString(IsoTime(row.lastSeen)));
  if (row.flaws != kFlawNone)
    text += QString("Marked: %1; the bytes above are what was seen.\n")
                .arg(QString::fromStdString(FlawText(row.flaws)));
  if (row.favourite)
    text += "A favourite.\n";
  if (!row.tags.empty()) {
    QStringList tags;
    for (const std::string &tag : row.tags)
      tags << ShownBytes(tag);
    text += "Tags: " + tags.join(", ") + "\n";
  }
  if (!row.note.empty())
    text += "Note: " + ShownBytes(row.note) + "\n";
  // A patch made by an edit or by Explore may not have been anywhere yet.
  text += sightings.empty() ? "\nSeen: not in a file or on the synthesizer yet.\n" : "\nSeen:\n";
  for (const TSightingRow &seen : sightings)
    text += QString("  %1  %2\n")
                .arg(QString::fromStdString(IsoTime(seen.time)), SightingText(seen, row.kind));
  text += LineageText(*library, id);
  const std::vector<int64_t> related = library->Related(id);
  if (!related.empty()) {
    text += "\nThe same sound under another name:\n";
    for (int64_t other : related)
      text += "  " + PatchLabel(library->Row(other)) + "\n";
  }
  PrintOut(text);
  return ExitDone;
}

} // namespace

int RunLibrary(const QStringList &args) {
  const std::map<QString, std::function<int(const QStringList &)>> subcommands = {
      {"import", RunImport},
      {"search", RunSearch},
      {"show", RunShowPatch},
      {"tag", RunLibraryTag},
      {"favourite", RunLibraryFavourite},
      {"note", RunLibraryNote},
      {"history", RunLibraryHistory},
      {"export", RunLibraryExport},
      {"check", RunLibraryCheck},
      {"stats", RunLibraryStats}};
  if (args.isEmpty())
    throw UsageError("zpm library needs a subcommand. Run zpm library --help for them.");
  if (args.first() == "--help" || args.first() == "help") {
    PrintOut(kLibraryUsage);
    return ExitDone;
  }
  const auto found = subcommands.find(args.first());
  if (found == subcommands.end())
    throw UsageError(QString("zpm library has no subcommand \"%1\". Run zpm library --help for "
                             "them.")
                         .arg(args.first()));
  return found->second(args.mid(1));
}

} // namespace zpm::cli
