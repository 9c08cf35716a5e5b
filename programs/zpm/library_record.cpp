// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/library_record.h"

#include "library/library.h"
#include "library/library_files.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"

#include <QFile>

namespace zpm::cli {

namespace {

void Record(const CommandLine &line, const TSnapshotRecord &record, const char *what) {
  if (line.IsSet("no-library") || record.places.empty())
    return;
  const std::string path = line.IsSet("library")
                               ? QFile::encodeName(line.Value("library")).toStdString()
                               : DefaultLibraryPath();
  try {
    TLibrary library(path);
    library.RecordSnapshot(record);
  } catch (const std::exception &error) {
    PrintErr(QString("The %1 patches were not kept in the library: %2\n")
                 .arg(QLatin1String(what), QString::fromStdString(error.what())));
  }
}

template <typename Patch> void AddSlot(TSnapshotRecord &record, const Patch &patch, int bank) {
  TSnapshotRecord::TSlot slot;
  slot.placed.patch = PatchBytesOf(patch);
  slot.placed.bank = bank;
  slot.placed.number = patch.PatchNumber();
  record.places.push_back(slot);
}

} // namespace

void AddLibraryOptions(CommandLine &line) {
  line.AddValueOption("library", "FILE",
                      "The patch library to keep what was fetched or written in (default: "
                      "ZPM_LIBRARY, else library.sqlite in the application's data folder).");
  line.AddFlag("no-library", "Keep nothing in the patch library.");
}

void RecordSidFetch(const CommandLine &line, int device, const TPatchBank &fetched) {
  TSnapshotRecord record;
  record.device = device;
  for (const TPatch &patch : fetched)
    AddSlot(record, patch, patch.Bank);
  Record(line, record, "fetched");
}

void RecordFmFetch(const CommandLine &line, int device, const TFMPatchBank &voices,
                   const TFMPatchBank &drums, const TFMPatchBank &ensembles) {
  TSnapshotRecord record;
  record.fm = true;
  record.device = device;
  for (const TFMPatchBank *bank : {&voices, &drums, &ensembles})
    for (const TFMPatch &patch : *bank)
      AddSlot(record, patch, patch.Bank());
  Record(line, record, "fetched");
}

void RecordSend(const CommandLine &line, bool fm, int device, const TSendReport &report,
                const std::function<TPatchBytes(const TSendItem &)> &patchOf, bool random) {
  TSnapshotRecord record;
  record.source = TSnapshotRecord::TSource::Send;
  record.fm = fm;
  record.device = device;
  for (const TSendItem &item : report.items) {
    if (item.result != TSendResult::Written && item.result != TSendResult::Verified &&
        item.result != TSendResult::Unverified)
      continue;
    TSnapshotRecord::TSlot slot;
    slot.placed.patch = patchOf(item);
    slot.placed.bank = item.bank;
    slot.placed.number = item.number;
    slot.verified = item.result == TSendResult::Verified;
    slot.random = random;
    record.places.push_back(slot);
  }
  Record(line, record, "sent");
}

} // namespace zpm::cli
