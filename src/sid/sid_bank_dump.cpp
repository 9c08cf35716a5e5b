// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_bank_dump.h"

#include "sid/sid_messages.h"

#include <algorithm>

namespace zpm {

int AppendSidBankPatches(const Bytes &buffer, uint8_t bank, TPatchBank &into) {
  if (buffer.size() < kSidBankDumpDataOffset)
    return 0;
  const size_t blocks =
      std::min<size_t>((buffer.size() - kSidBankDumpDataOffset) / kDataSize, kSidPatchesPerBank);
  into.Reserve(into.Count() + static_cast<int>(blocks));
  for (size_t n = 0; n < blocks; ++n) {
    TPatch patch;
    const auto first =
        buffer.begin() + static_cast<std::ptrdiff_t>(kSidBankDumpDataOffset + kDataSize * n);
    std::copy(first, first + kDataSize, patch.Data());
    patch.SetPatchNumber(static_cast<uint8_t>(n));
    // A Bank Dump has no per-patch checksum; each record needs its own.
    patch.UpdateChecksum();
    patch.Bank = bank;
    into.Add(patch);
  }
  return static_cast<int>(blocks);
}

bool CutSidBankDump(const Bytes &buffer, uint8_t bank, TPatchBank &into) {
  if (buffer.size() != kSidBankDumpSize)
    return false;
  AppendSidBankPatches(buffer, bank, into);
  return true;
}

} // namespace zpm
