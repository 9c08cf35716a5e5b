// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_record.h"

#include "app/library/library_access.h"
#include "app/main_context.h"

#include <cstring>

namespace zpm {

namespace {

uint8_t FmType(TKind kind) {
  return kind == TKind::FmDrumset ? kFmDrumset : kind == TKind::FmEnsemble ? kFmEnsemble : kFmVoice;
}

TSnapshotRecord::TSlot Slot(const TPatchBytes &patch, int bank, int number) {
  TSnapshotRecord::TSlot slot;
  slot.placed.patch = patch;
  slot.placed.bank = bank;
  slot.placed.number = number;
  return slot;
}

void TellRefusal(TMainContext &context, const char *what, const std::exception &error) {
  context.ReportDone(QStringLiteral("The %1 could not be kept in the library: %2")
                         .arg(QLatin1String(what), QString::fromStdString(error.what())));
}

} // namespace

TPatchBank SidBankOf(const std::vector<TPlacedPatch> &placed, int device) {
  TPatchBank bank;
  for (const TPlacedPatch &slot : placed) {
    TPatch patch;
    std::memcpy(patch.Data(), slot.patch.data.data(), kDataSize);
    patch.Bank = static_cast<uint8_t>(slot.bank);
    patch.SetDeviceNumber(static_cast<uint8_t>(device & 0x7F));
    patch.SetPatchNumber(static_cast<uint8_t>(slot.number));
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  return bank;
}

TFmBanks FmBanksOf(const std::vector<TPlacedPatch> &placed, int device) {
  TFmBanks banks;
  for (const TPlacedPatch &slot : placed) {
    TFMPatch patch;
    std::memcpy(patch.Data(), slot.patch.data.data(), kDataSize);
    patch.SetDeviceNumber(static_cast<uint8_t>(device & 0x7F));
    patch.SetPatchType(FmType(slot.patch.kind));
    patch.SetBank(static_cast<uint8_t>(slot.bank));
    patch.SetPatchNumber(static_cast<uint8_t>(slot.number));
    patch.UpdateChecksum();
    (slot.patch.kind == TKind::FmDrumset    ? banks.drums
     : slot.patch.kind == TKind::FmEnsemble ? banks.ensembles
                                            : banks.voices)
        .Add(patch);
  }
  return banks;
}

PatchViewText LibraryPatchView(const TPatchBytes &patch, const std::string &patchType) {
  TPlacedPatch placed;
  placed.patch = patch;
  if (patch.kind == TKind::Sid)
    return ViewSidPatch(SidBankOf({placed}, 0).GetPatch(0), patchType);
  const TFmBanks banks = FmBanksOf({placed}, 0);
  const TFMPatchBank &bank = patch.kind == TKind::FmDrumset    ? banks.drums
                             : patch.kind == TKind::FmEnsemble ? banks.ensembles
                                                               : banks.voices;
  return ViewFmPatch(bank.GetPatch(0), patchType);
}

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

bool SlotReached(TSendResult result) {
  return result == TSendResult::Written || result == TSendResult::Verified ||
         result == TSendResult::Unverified;
}

TSnapshotRecord SidFetchRecord(const TPatchBank &fetched, int device) {
  TSnapshotRecord record;
  record.device = device;
  for (const TPatch &patch : fetched)
    record.places.push_back(Slot(PatchBytesOf(patch), patch.Bank, patch.PatchNumber()));
  return record;
}

TSnapshotRecord FmFetchRecord(const TFMPatchBank &fetched, int device) {
  TSnapshotRecord record;
  record.fm = true;
  record.device = device;
  for (const TFMPatch &patch : fetched)
    record.places.push_back(Slot(PatchBytesOf(patch), patch.Bank(), patch.PatchNumber()));
  return record;
}

TSnapshotRecord SidSendRecord(const TSendReport &report, const TPatchBank &list, int device) {
  TSnapshotRecord record;
  record.source = TSnapshotRecord::TSource::Send;
  record.device = device;
  for (const TSendItem &item : report.items) {
    if (!SlotReached(item.result) || item.row < 0 || item.row >= list.Count())
      continue;
    record.places.push_back(Slot(PatchBytesOf(list.GetPatch(item.row)), item.bank, item.number));
    record.places.back().verified = item.result == TSendResult::Verified;
  }
  return record;
}

TSnapshotRecord FmSendRecord(const TSendReport &report, const TFmLists &lists, int device) {
  TSnapshotRecord record;
  record.source = TSnapshotRecord::TSource::Send;
  record.fm = true;
  record.device = device;
  for (const TSendItem &item : report.items) {
    const TFMPatchBank &list = lists.Of(item.type);
    if (!SlotReached(item.result) || item.row < 0 || item.row >= list.Count())
      continue;
    record.places.push_back(Slot(PatchBytesOf(list.GetPatch(item.row)), item.bank, item.number));
    record.places.back().verified = item.result == TSendResult::Verified;
  }
  return record;
}

TSnapshotRecord AsRandom(TSnapshotRecord record) {
  for (TSnapshotRecord::TSlot &slot : record.places)
    slot.random = true;
  return record;
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
