// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the six FM patch lists (voices, drumsets and ensembles, on the
// get and on the send tab) and of the "Send FM Patch" dialog.

#include "patch/patch.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zpm {

constexpr const char *kFmBankColumn = "Bnk";
constexpr const char *kFmNumberColumn = "Nr";
constexpr const char *kFmNameColumn = "Patch Name";
constexpr int kFmBankColumnWidth = 32;
constexpr int kFmNumberColumnWidth = 30; // centred; fixed in the voice lists
constexpr int kFmNameColumnWidth = 160;

// One row. hasName is true in a voice list only; drumset and ensemble lists
// have no "Patch Name" column, and name is then empty.
struct FmListRow {
  std::string bank; // "A" + dump byte 8
  int number = 0;   // dump byte 9 + 1
  std::string name; // 16 Latin-1 characters, bytes below 20h as blanks
  bool hasName = false;
};

// listType is the type code of the list the patch is shown in: a fetched
// patch lands in its list whatever its own type byte says.
FmListRow FmListText(const TFMPatch &patch, uint8_t listType);
// Row `row` of a list over `bank`; nothing for a row outside the bank.
std::optional<FmListRow> FmListRowAt(const TFMPatchBank &bank, int row, uint8_t listType);

// The type of the "Type:" box's item: 1 drumsets, 2 ensembles, any other voices.
uint8_t FmTypeOfIndex(int index);
// "Voices", "Drums" or "Ensembles"; codes other than 10h and 70h count as voices.
std::string FmTypeText(uint8_t type);
// "Voices Patch list", "Drums Patch list" or "Ensembles Patch list".
std::string FmListCaption(uint8_t type);

// The "Send FM Patch" dialog.
constexpr const char *kFmSendLocationCaption = "Send FM Patch";
constexpr const char *kFmPatchTypeLabel = "Patch Type:";
constexpr const char *kFmSelectedPatchLabel = "Selected Patch:";
constexpr const char *kFmLocationLabel = "Location:";
constexpr const char *kFmBankLabel = "Bank:";
constexpr const char *kFmNewPositionLabel = "New Position:";
constexpr const char *kFmOkButton = "&OK";
constexpr const char *kFmCancelButton = "&Cancel";
constexpr const char *kFmInitialPatchType = "---";
constexpr const char *kFmInitialPatchName = "-";
constexpr const char *kFmInitialLocation = "0";
constexpr const char *kFmInitialBank = "0";
constexpr const char *kFmInitialDestinationBank = "A";

// What the dialog shows of the patch to send from a list of type listType,
// and the highest "New Position:" it offers (128, 16 or 32).
struct FmSendLocationTexts {
  std::string patchType;
  std::string patchName; // name bytes up to the first zero byte, Latin-1
  std::string location;  // own patch number, one-based
  std::string bank;      // own bank letter
  int maxPosition = 128;
};
FmSendLocationTexts FmSendLocationText(const TFMPatch &patch, uint8_t listType);

} // namespace zpm
