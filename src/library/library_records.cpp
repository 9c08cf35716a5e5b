// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_records.h"

#include "library/library_files.h"

#include <cstring>

namespace zpm {

namespace {

TSnapshotRecord::TSlot Slot(const TPatchBytes &patch, int bank, int number) {
  TSnapshotRecord::TSlot slot;
  slot.placed.patch = patch;
  slot.placed.bank = bank;
  slot.placed.number = number;
  return slot;
}

// A row of a list as it was sent, when the list holds it.
template <typename Bank> bool RowOf(const Bank &list, int row, TPatchBytes &patch) {
  if (row < 0 || row >= list.Count())
    return false;
  patch = PatchBytesOf(list.GetPatch(row));
  return true;
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

TSnapshotRecord FmFetchRecord(const std::vector<const TFMPatchBank *> &fetched, int device) {
  TSnapshotRecord record;
  record.fm = true;
  record.device = device;
  for (const TFMPatchBank *bank : fetched)
    for (const TFMPatch &patch : *bank)
      record.places.push_back(Slot(PatchBytesOf(patch), patch.Bank(), patch.PatchNumber()));
  return record;
}

TSnapshotRecord SendRecord(const TSendReport &report, bool fm, int device, bool random,
                           const std::function<bool(const TSendItem &, TPatchBytes &)> &patchOf) {
  TSnapshotRecord record;
  record.source = TSnapshotRecord::TSource::Send;
  record.fm = fm;
  record.device = device;
  for (const TSendItem &item : report.items) {
    TPatchBytes patch;
    if (!SlotReached(item.result) || !patchOf(item, patch))
      continue;
    record.places.push_back(Slot(patch, item.bank, item.number));
    record.places.back().verified = item.result == TSendResult::Verified;
    record.places.back().random = random;
  }
  return record;
}

TSnapshotRecord SidSendRecord(const TSendReport &report, const TPatchBank &list, int device,
                              bool random) {
  return SendRecord(report, false, device, random, [&](const TSendItem &item, TPatchBytes &patch) {
    return RowOf(list, item.row, patch);
  });
}

TSnapshotRecord FmSendRecord(const TSendReport &report, const TFmLists &lists, int device,
                             bool random) {
  return SendRecord(report, true, device, random, [&](const TSendItem &item, TPatchBytes &patch) {
    return RowOf(lists.Of(item.type), item.row, patch);
  });
}

} // namespace zpm
