// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FM .syx files: FM Patch Dumps back to back, nothing before, between or after
// them. Each dump carries its own type, bank and patch number.

#include "patch/patch.h"
#include "patch/stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// Looks at the 10 bytes at the stream's position. True when they begin with
// F0 00 00 7E 49 (the device ID is not looked at); command, type and bank then
// hold bytes 6, 7 and 8. When 10 bytes could be read the position goes back to
// where it was; when fewer could, the answer is false and the position stays
// after them.
bool PeekFmHeader(TMemoryStream &stream, uint8_t &command, uint8_t &type, uint8_t &bank);

// The rows a list selection saves: in increasing order, each once. Empty (so
// nothing is saved and no dialog shown) when nothing is selected or the first
// selected row is not below the bank's Count; rows outside the bank are left out.
std::vector<int> FmSelectedRows(const TFMPatchBank &bank, std::vector<int> selected);

// Every patch of the bank in bank order, each as its unchanged dump image.
void WriteFmBank(TMemoryStream &stream, const TFMPatchBank &bank);
void WriteFmSelection(TMemoryStream &stream, const TFMPatchBank &bank,
                      const std::vector<int> &selected);

// The file of one type's list: all its patches, or its selection.
Bytes FmBankFile(const TFMPatchBank &bank);
Bytes FmSelectionFile(const TFMPatchBank &bank, const std::vector<int> &selected);

// "All Types": voices, then drumsets, then ensembles; empty when all are.
Bytes FmAllTypesFile(const TFMPatchBank &voices, const TFMPatchBank &drums,
                     const TFMPatchBank &ensembles);
Bytes FmAllTypesSelectionFile(const TFMPatchBank &voices, const std::vector<int> &voiceRows,
                              const TFMPatchBank &drums, const std::vector<int> &drumRows,
                              const TFMPatchBank &ensembles, const std::vector<int> &ensembleRows);

// A row of one of the three send-side lists: the list by its type code.
struct TFmLoadRow {
  uint8_t type; // kFmVoice, kFmDrumset or kFmEnsemble
  int index;    // the row in that type's list
};

// What a load found beyond the patches themselves, for the front ends to tell.
struct TFmLoadReport {
  // A dump the end of the file cut short, when it was loaded: its dump holds
  // cutShortBytes from the file, the rest are blank (Init values), and the
  // patch is marked CutShort so that no send takes it.
  bool cutShort = false;
  TFmLoadRow cutShortRow{0, -1};
  size_t cutShortBytes = 0;
  // Rows whose checksum byte does not match their data: voices, drumsets,
  // then ensembles, each in row order.
  std::vector<TFmLoadRow> wrongChecksumRows;
  // Where each row's dump starts in the file, list by list, so that one
  // patch can be replaced in place.
  std::vector<size_t> voiceOffsets, drumsetOffsets, ensembleOffsets;
};

// Throws the loader's refusal when a file of fileSize bytes beginning with
// the headSize bytes at head cannot be an FM file, so that a caller can turn
// a file away before reading all of it.
void CheckFmFileStart(const uint8_t *head, size_t headSize, size_t fileSize,
                      const std::string &path);

// Empties the three banks, then fills them from the file's dumps by type code
// (00h voices, 10h drumsets, 70h ensembles; other codes are dropped), in file
// order. Raises path + " is too short (0 bytes)" for an empty file and
// path + " is not a FM patch SysEx file." when it does not begin with an FM
// message; patches read before the reading stops stay in the banks.
TFmLoadReport LoadFmFile(const Bytes &data, const std::string &path, TFMPatchBank &voices,
                         TFMPatchBank &drums, TFMPatchBank &ensembles);

} // namespace zpm
