// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_list.h"

#include "fm/fm_messages.h"
#include "patch/list_text.h"

namespace zpm {

FmListRow FmListText(const TFMPatch &patch, uint8_t listType) {
  FmListRow row;
  row.bank = BankLetter(patch.Bank());
  row.number = patch.PatchNumber() + 1;
  row.hasName = listType == kFmVoice;
  if (row.hasName) {
    uint8_t name[kNameSize];
    patch.GetName(name);
    row.name = ListNameText(name);
  }
  return row;
}

std::optional<FmListRow> FmListRowAt(const TFMPatchBank &bank, int row, uint8_t listType) {
  if (row < 0 || row >= bank.Count())
    return std::nullopt;
  return FmListText(bank.GetPatch(row), listType);
}

uint8_t FmTypeOfIndex(int index) {
  switch (index) {
  case 1:
    return kFmDrumset;
  case 2:
    return kFmEnsemble;
  default:
    return kFmVoice;
  }
}

std::string FmTypeText(uint8_t type) {
  switch (type) {
  case kFmDrumset:
    return "Drums";
  case kFmEnsemble:
    return "Ensembles";
  default:
    return "Voices";
  }
}

std::string FmListCaption(uint8_t type) {
  return FmTypeText(type) + " Patch list";
}

FmSendLocationTexts FmSendLocationText(const TFMPatch &patch, uint8_t listType) {
  FmSendLocationTexts text;
  text.patchType = FmTypeText(listType);
  uint8_t name[kNameSize];
  patch.GetName(name);
  for (uint8_t byte : name) {
    if (byte == 0)
      break;
    text.patchName.push_back(static_cast<char>(byte));
  }
  text.location = std::to_string(patch.PatchNumber() + 1);
  text.bank = BankLetter(patch.Bank());
  text.maxPosition = FmPatchesPerBank(listType);
  return text;
}

} // namespace zpm
