// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_file.h"

#include "fm/fm_messages.h"
#include "patch/checksum.h"
#include "patch/error.h"

#include <algorithm>

namespace zpm {

namespace {

constexpr size_t kPeekSize = 10;

// A message other than a dump has no fixed length: it ends at its F7, or,
// without one, at the end of the file.
void SkipMessage(TMemoryStream &stream) {
  const Bytes &data = stream.Data();
  size_t pos = stream.Position() + 1;
  while (pos < data.size() && data[pos] != 0xF7)
    ++pos;
  stream.SetPosition(pos < data.size() ? pos + 1 : data.size());
}

// The bank a type code goes to, or null for a code that is dropped.
TFMPatchBank *BankOfType(uint8_t type, TFMPatchBank &voices, TFMPatchBank &drums,
                         TFMPatchBank &ensembles) {
  switch (type) {
  case kFmVoice:
    return &voices;
  case kFmDrumset:
    return &drums;
  case kFmEnsemble:
    return &ensembles;
  default:
    return nullptr;
  }
}

// The offsets of a list that BankOfType gives a bank for.
std::vector<size_t> &OffsetsOfType(TFmLoadReport &report, uint8_t type) {
  switch (type) {
  case kFmDrumset:
    return report.drumsetOffsets;
  case kFmEnsemble:
    return report.ensembleOffsets;
  default:
    return report.voiceOffsets;
  }
}

void AddWrongChecksums(uint8_t type, const TFMPatchBank &bank, TFmLoadReport &report) {
  for (int row = 0; row < bank.Count(); ++row) {
    const TFMPatch &patch = bank.GetPatch(row);
    if (DataChecksum(patch.Data()) != patch.Checksum())
      report.wrongChecksumRows.push_back({type, row});
  }
}

} // namespace

bool PeekFmHeader(TMemoryStream &stream, uint8_t &command, uint8_t &type, uint8_t &bank) {
  uint8_t head[kPeekSize];
  if (stream.Read(head, kPeekSize) < kPeekSize)
    return false;
  stream.SetPosition(stream.Position() - kPeekSize);
  const uint8_t fm[] = {0xF0, 0x00, 0x00, 0x7E, kFmFamily};
  if (!std::equal(std::begin(fm), std::end(fm), head))
    return false;
  command = head[6];
  type = head[7];
  bank = head[8];
  return true;
}

std::vector<int> FmSelectedRows(const TFMPatchBank &bank, std::vector<int> selected) {
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  if (selected.empty() || selected.front() >= bank.Count())
    return {};
  selected.erase(std::remove_if(selected.begin(), selected.end(),
                                [&](int row) { return row < 0 || row >= bank.Count(); }),
                 selected.end());
  return selected;
}

void WriteFmBank(TMemoryStream &stream, const TFMPatchBank &bank) {
  for (const TFMPatch &patch : bank)
    patch.SaveToStream(stream);
}

void WriteFmSelection(TMemoryStream &stream, const TFMPatchBank &bank,
                      const std::vector<int> &selected) {
  for (int row : FmSelectedRows(bank, selected))
    bank.GetPatch(row).SaveToStream(stream);
}

Bytes FmBankFile(const TFMPatchBank &bank) {
  TMemoryStream stream;
  WriteFmBank(stream, bank);
  return stream.TakeData();
}

Bytes FmSelectionFile(const TFMPatchBank &bank, const std::vector<int> &selected) {
  TMemoryStream stream;
  WriteFmSelection(stream, bank, selected);
  return stream.TakeData();
}

Bytes FmAllTypesFile(const TFMPatchBank &voices, const TFMPatchBank &drums,
                     const TFMPatchBank &ensembles) {
  TMemoryStream stream;
  WriteFmBank(stream, voices);
  WriteFmBank(stream, drums);
  WriteFmBank(stream, ensembles);
  return stream.TakeData();
}

Bytes FmAllTypesSelectionFile(const TFMPatchBank &voices, const std::vector<int> &voiceRows,
                              const TFMPatchBank &drums, const std::vector<int> &drumRows,
                              const TFMPatchBank &ensembles, const std::vector<int> &ensembleRows) {
  TMemoryStream stream;
  WriteFmSelection(stream, voices, voiceRows);
  WriteFmSelection(stream, drums, drumRows);
  WriteFmSelection(stream, ensembles, ensembleRows);
  return stream.TakeData();
}

void CheckFmFileStart(const uint8_t *head, size_t headSize, size_t fileSize,
                      const std::string &path) {
  if (fileSize == 0)
    throw ZpmError(path + " is too short (0 bytes)");
  const uint8_t fm[] = {0xF0, 0x00, 0x00, 0x7E, kFmFamily};
  if (headSize < kPeekSize || fileSize < kPeekSize ||
      !std::equal(std::begin(fm), std::end(fm), head))
    throw ZpmError(path + " is not a FM patch SysEx file.");
}

TFmLoadReport LoadFmFile(const Bytes &data, const std::string &path, TFMPatchBank &voices,
                         TFMPatchBank &drums, TFMPatchBank &ensembles) {
  voices.Clear();
  drums.Clear();
  ensembles.Clear();
  TFmLoadReport report;
  CheckFmFileStart(data.data(), data.size(), data.size(), path);

  TMemoryStream stream(data);
  uint8_t command = 0, type = 0, bank = 0;
  PeekFmHeader(stream, command, type, bank);

  bool peeked = true;
  while (peeked && stream.Position() + 1 < stream.Size()) {
    if (command == kFmPatchDump) {
      const size_t start = stream.Position();
      TFMPatch patch;
      patch.LoadFromStream(stream);
      // A file shorter than one dump is left unread: there is no whole patch
      // in it to take, and nothing after it could be one.
      if (stream.Position() == start)
        break;
      if (TFMPatchBank *list = BankOfType(patch.PatchType(), voices, drums, ensembles)) {
        const size_t read = stream.Position() - start;
        if (read < kFmDumpSize) {
          report.cutShort = true;
          report.cutShortRow = {patch.PatchType(), list->Count()};
          report.cutShortBytes = read;
          patch.CutShort = true;
        }
        list->Add(patch);
        OffsetsOfType(report, patch.PatchType()).push_back(start);
      }
    } else {
      SkipMessage(stream);
    }
    peeked = PeekFmHeader(stream, command, type, bank);
  }
  AddWrongChecksums(kFmVoice, voices, report);
  AddWrongChecksums(kFmDrumset, drums, report);
  AddWrongChecksums(kFmEnsemble, ensembles, report);
  return report;
}

} // namespace zpm
