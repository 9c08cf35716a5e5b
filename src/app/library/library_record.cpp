// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_record.h"

#include "app/main_context.h"
#include "library/library.h"
#include "library/library_files.h"

namespace zpm {

namespace {

void TellRefusal(TMainContext &context, const char *what, const std::exception &error) {
  context.ReportDone(QStringLiteral("The %1 could not be kept in the library: %2")
                         .arg(QLatin1String(what), QString::fromStdString(error.what())));
}

} // namespace

TSendReport SentAgain(const TSendReport &before, const TSendReport &after) {
  TSendReport again;
  for (size_t i = 0; i < after.items.size(); ++i)
    if (i >= before.items.size() || after.items[i].tries > before.items[i].tries)
      again.items.push_back(after.items[i]);
  return again;
}

bool AnyFetched(const TFetchReport &report) {
  for (const TFetchItem &item : report.items)
    if (item.result == TFetchResult::Fetched)
      return true;
  return false;
}

std::vector<TSighting> FileSightings(const QString &path,
                                     const std::vector<const TPatchBank *> &sid,
                                     const std::vector<const TFMPatchBank *> &fm) {
  std::vector<TSighting> sightings;
  const std::string file = LibraryFilePath(path.toStdString());
  const auto add = [&](const auto &bank) {
    for (int row = 0; row < bank.Count(); ++row) {
      TSighting sighting;
      sighting.patch = PatchBytesOf(bank.GetPatch(row));
      sighting.path = file;
      sighting.row = row;
      sightings.push_back(sighting);
    }
  };
  for (const TPatchBank *bank : sid)
    add(*bank);
  for (const TFMPatchBank *bank : fm)
    add(*bank);
  return sightings;
}

void KeepSnapshot(TMainContext &context, const TSnapshotRecord &record) {
  TLibrary *library = context.Library();
  if (!library || !context.KeepInLibrary() || record.places.empty())
    return;
  try {
    library->RecordSnapshot(record);
  } catch (const std::exception &error) {
    TellRefusal(context,
                record.source == TSnapshotRecord::TSource::Send ? "sent patches"
                                                                : "fetched patches",
                error);
    return;
  }
  context.LibraryChanged();
}

void KeepSightings(TMainContext &context, const std::vector<TSighting> &sightings) {
  TLibrary *library = context.Library();
  if (!library || !context.KeepInLibrary() || sightings.empty())
    return;
  try {
    library->RecordSightings(sightings);
  } catch (const std::exception &error) {
    TellRefusal(context, "loaded patches", error);
    return;
  }
  context.LibraryChanged();
}

} // namespace zpm
