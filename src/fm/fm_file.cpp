#include "fm/fm_file.h"

#include "fm/fm_messages.h"
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

void AddByType(const TFMPatch &patch, TFMPatchBank &voices, TFMPatchBank &drums,
               TFMPatchBank &ensembles) {
  switch (patch.PatchType()) {
  case kFmVoice:
    voices.Add(patch);
    break;
  case kFmDrumset:
    drums.Add(patch);
    break;
  case kFmEnsemble:
    ensembles.Add(patch);
    break;
  default:
    break;
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

void LoadFmFile(const Bytes &data, const std::string &path, TFMPatchBank &voices,
                TFMPatchBank &drums, TFMPatchBank &ensembles) {
  voices.Clear();
  drums.Clear();
  ensembles.Clear();
  if (data.empty())
    throw ZpmError(path + " is too short (0 bytes)");

  TMemoryStream stream(data);
  uint8_t command = 0, type = 0, bank = 0;
  if (!PeekFmHeader(stream, command, type, bank))
    throw ZpmError(path + " is not a FM patch SysEx file.");

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
      AddByType(patch, voices, drums, ensembles);
    } else {
      SkipMessage(stream);
    }
    peeked = PeekFmHeader(stream, command, type, bank);
  }
}

} // namespace zpm
