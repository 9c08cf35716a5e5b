// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_file.h"

#include "patch/checksum.h"
#include "patch/error.h"
#include "sid/sid_bank_dump.h"
#include "sid/sid_messages.h"

#include <algorithm>
#include <utility>

namespace zpm {

namespace {

constexpr size_t kPeekSize = 8;
constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kLastBank = 7;

bool IsSidHeader(const uint8_t *bytes) {
  return bytes[0] == kSysExStart && bytes[1] == 0x00 && bytes[2] == 0x00 && bytes[3] == 0x7E &&
         bytes[4] == kSidFamily;
}

// Position of the next SysEx start after from, or the end of the data.
size_t NextMessageStart(const Bytes &data, size_t from) {
  if (from >= data.size())
    return data.size();
  const auto it =
      std::find(data.begin() + static_cast<std::ptrdiff_t>(from), data.end(), kSysExStart);
  return static_cast<size_t>(it - data.begin());
}

// Bank Selects and Patch Dumps in any order, from the first message on.
void ReadSidMessages(const Bytes &data, const std::string &path, TMemoryStream &stream,
                     uint8_t command, uint8_t value, TPatchBank &into, TSidLoadReport &report) {
  uint8_t bank = 0;
  bool peeked = true;
  do {
    const size_t start = stream.Position();
    if (command == kSidPatchDump) {
      TPatch patch;
      // Whatever of the dump is there: a dump cut short by the end of the
      // file keeps the Init values for the rest. (LoadFromStream would leave
      // the patch blank when the whole file is shorter than one dump.)
      const size_t read = stream.Read(patch.Dump.data(), kSidDumpSize);
      patch.Bank = bank;
      if (read < kSidDumpSize) {
        // Read returned what was left: the end of the file, so this is the last patch.
        report.cutShortRow = into.Count();
        report.cutShortBytes = read;
        patch.CutShort = true;
      }
      into.Add(patch);
      report.dumpOffsets.push_back(start);
    } else if (command == kSidBankSelect) {
      // Bank H is the last slot; a higher bank would be sent as bank A and
      // overwrite the wrong patches.
      if (value > kLastBank)
        throw ZpmError(path + " has a Bank Select for bank " + std::to_string(value) + " at byte " +
                       std::to_string(start) +
                       "; banks go from A to H (0..7). The file was not loaded.");
      bank = value;
      stream.SetPosition(start + kSidBankSelectSize);
    } else {
      // Another SID message (a request, a stray bank dump): skip it and read
      // on, so the file's remaining patches still load.
      stream.SetPosition(NextMessageStart(data, start + 1));
    }
    peeked = PeekSidHeader(stream, command, value);
  } while (stream.Position() + 1 < data.size() && peeked);
}

} // namespace

bool PeekSidHeader(TMemoryStream &stream, uint8_t &command, uint8_t &value) {
  uint8_t header[kPeekSize];
  if (stream.Read(header, kPeekSize) != kPeekSize)
    return false;
  stream.SetPosition(stream.Position() - kPeekSize);
  if (!IsSidHeader(header))
    return false;
  command = header[6];
  value = header[7];
  return true;
}

void WriteSidPatches(TMemoryStream &stream, const std::vector<const TPatch *> &patches) {
  int lastBank = -1;
  for (const TPatch *patch : patches) {
    if (patch->Bank != lastBank) {
      WriteSidBankSelect(stream, patch->DeviceNumber(), patch->Bank);
      lastBank = patch->Bank;
    }
    patch->SaveToStream(stream);
  }
}

Bytes SidFileBytes(const TPatchBank &bank) {
  std::vector<const TPatch *> patches;
  patches.reserve(static_cast<size_t>(bank.Count()));
  for (const TPatch &patch : bank)
    patches.push_back(&patch);
  TMemoryStream stream;
  WriteSidPatches(stream, patches);
  return stream.TakeData();
}

void CheckSidFileStart(const uint8_t *head, size_t headSize, size_t fileSize,
                       const std::string &path) {
  if (fileSize == 0)
    throw ZpmError(path + " is too short (0 bytes)");
  if (headSize < kPeekSize || fileSize < kPeekSize || !IsSidHeader(head))
    throw ZpmError(path + " is not a SID patch SysEx file.");
}

TSidLoadReport LoadSidFile(const Bytes &data, const std::string &path, TPatchBank &into) {
  into.Clear();
  CheckSidFileStart(data.data(), data.size(), data.size(), path);
  TMemoryStream stream(data);
  uint8_t command = 0;
  uint8_t value = 0;
  PeekSidHeader(stream, command, value);
  // Collected apart so that a refusal half way leaves into empty.
  TPatchBank loaded;
  TSidLoadReport report;
  if (command == kSidBankDump)
    AppendSidBankPatches(data, 0, loaded);
  else
    ReadSidMessages(data, path, stream, command, value, loaded, report);
  for (int row = 0; row < loaded.Count(); ++row) {
    const TPatch &patch = loaded.GetPatch(row);
    if (DataChecksum(patch.Data()) != patch.Checksum())
      report.wrongChecksumRows.push_back(row);
  }
  into = std::move(loaded);
  return report;
}

} // namespace zpm
