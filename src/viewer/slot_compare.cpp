// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/slot_compare.h"

#include "patch/list_text.h"

#include <map>
#include <tuple>

namespace zpm {

namespace {

using TSlotKey = std::tuple<int, int, int>;

TSlotKey KeyOf(const TSlotPatch &patch) {
  return {static_cast<int>(patch.kind), patch.bank, patch.number};
}

// Drumsets and ensembles have no name: their first bytes are parameters.
std::optional<std::string> NameOf(const TSlotPatch &patch) {
  if (patch.kind == PatchKind::FmDrumset || patch.kind == PatchKind::FmEnsemble)
    return std::nullopt;
  const size_t offset = patch.kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
  std::string name;
  for (size_t i = offset; i < offset + kNameSize && i < patch.image.size(); ++i) {
    if (patch.image[i] == 0)
      break;
    name.push_back(static_cast<char>(patch.image[i]));
  }
  return name;
}

PatchKind FmKind(uint8_t type) {
  switch (type) {
  case kFmVoice:
    return PatchKind::FmVoice;
  case kFmDrumset:
    return PatchKind::FmDrumset;
  case kFmEnsemble:
    return PatchKind::FmEnsemble;
  default:
    return PatchKind::Unknown;
  }
}

} // namespace

TSlotPatch SlotOf(const TPatch &patch) {
  return {PatchKind::Sid, patch.Bank, patch.PatchNumber(),
          Bytes(patch.Dump.begin(), patch.Dump.end())};
}

TSlotPatch SlotOf(const TFMPatch &patch) {
  return {FmKind(patch.PatchType()), patch.Bank(), patch.PatchNumber(),
          Bytes(patch.Dump.begin(), patch.Dump.end())};
}

std::vector<TSlotComparison> CompareSlots(const std::vector<TSlotPatch> &a,
                                          const std::vector<TSlotPatch> &b) {
  std::map<TSlotKey, std::pair<const TSlotPatch *, const TSlotPatch *>> slots;
  for (const TSlotPatch &patch : a)
    slots[KeyOf(patch)].first = &patch;
  for (const TSlotPatch &patch : b)
    slots[KeyOf(patch)].second = &patch;

  std::vector<TSlotComparison> result;
  for (const auto &[key, pair] : slots) {
    const auto [inA, inB] = pair;
    const TSlotPatch &any = inA ? *inA : *inB;
    TSlotComparison slot;
    slot.kind = any.kind;
    slot.bank = any.bank;
    slot.number = any.number;
    if (inA)
      slot.nameA = NameOf(*inA);
    if (inB)
      slot.nameB = NameOf(*inB);
    if (!inB) {
      slot.state = TSlotState::OnlyA;
    } else if (!inA) {
      slot.state = TSlotState::OnlyB;
    } else {
      const TPatchComparison comparison = ComparePatchImages(inA->image, inB->image);
      slot.state = comparison.contentDiffers ? TSlotState::Differs : TSlotState::Same;
      slot.rows = DifferingRows(comparison);
    }
    result.push_back(std::move(slot));
  }
  return result;
}

std::string SlotText(const TSlotComparison &slot) {
  return BankLetter(static_cast<uint8_t>(slot.bank)) + ":" + std::to_string(slot.number + 1);
}

std::string SlotTypeText(PatchKind kind) {
  switch (kind) {
  case PatchKind::Sid:
    return "sid";
  case PatchKind::FmVoice:
    return "voice";
  case PatchKind::FmDrumset:
    return "drumset";
  case PatchKind::FmEnsemble:
    return "ensemble";
  case PatchKind::Unknown:
    break;
  }
  return "unknown";
}

std::string SlotStateText(TSlotState state) {
  switch (state) {
  case TSlotState::Same:
    return "same";
  case TSlotState::Differs:
    return "differs";
  case TSlotState::OnlyA:
    return "only a";
  case TSlotState::OnlyB:
    return "only b";
  }
  return "same";
}

} // namespace zpm
