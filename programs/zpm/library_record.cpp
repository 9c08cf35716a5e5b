// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/library_record.h"

#include "library/library.h"
#include "library/library_records.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/library_output.h"

namespace zpm::cli {

namespace {

void Record(const CommandLine &line, const TSnapshotRecord &record, const char *what) {
  if (line.IsSet("no-library") || record.places.empty())
    return;
  try {
    OpenLibrary(line)->RecordSnapshot(record);
  } catch (const std::exception &error) {
    PrintErr(QString("The %1 patches were not kept in the library: %2\n")
                 .arg(QLatin1String(what), QString::fromStdString(error.what())));
  }
}

} // namespace

void AddLibraryOptions(CommandLine &line) {
  line.AddValueOption("library", "FILE",
                      "The patch library to keep what was fetched or written in (default: "
                      "ZPM_LIBRARY, else library.sqlite in the application's data folder).");
  line.AddFlag("no-library", "Keep nothing in the patch library.");
}

void RecordSidFetch(const CommandLine &line, int device, const TPatchBank &fetched) {
  Record(line, SidFetchRecord(fetched, device), "fetched");
}

void RecordFmFetch(const CommandLine &line, int device, const TFMPatchBank &voices,
                   const TFMPatchBank &drums, const TFMPatchBank &ensembles) {
  Record(line, FmFetchRecord({&voices, &drums, &ensembles}, device), "fetched");
}

void RecordSend(const CommandLine &line, const TSnapshotRecord &record) {
  Record(line, record, "sent");
}

TKeptEdit RecordEdit(const CommandLine &line, const Bytes &made, const Bytes &original) {
  TKeptEdit kept;
  TPatchBytes child, parent;
  // An edit that changed no data byte made no new patch.
  if (line.IsSet("no-library") || !PatchBytesOf(made.data(), made.size(), child) ||
      !PatchBytesOf(original.data(), original.size(), parent) || child.data == parent.data)
    return kept;
  try {
    const auto library = OpenLibrary(line);
    kept.id = library->RecordMade(child, {parent}, {TMadeBy::Edit});
    kept.parent = library->Resolve(PatchHash(parent));
  } catch (const std::exception &error) {
    PrintErr(QString("The changed patch was not kept in the library: %1\n")
                 .arg(QString::fromStdString(error.what())));
  }
  return kept;
}

} // namespace zpm::cli
