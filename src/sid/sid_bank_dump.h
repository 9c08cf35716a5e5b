// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cutting the SID's Bank Dump (F0 00 00 7E 46 dd 04, 128 x 256 data bytes,
// two closing bytes) into patch records, for a fetched bank and for a file
// that holds one whole-bank dump.

#include "patch/patch.h"

#include <cstdint>

namespace zpm {

// Patch n's data start at 7 + 256 * n, right behind the unexamined header.
constexpr size_t kSidBankDumpDataOffset = 7;

// Appends one patch per complete 256-byte block from offset 7 on, at most
// 128: a fresh header (device 0), patch number = block index, fresh checksum,
// Bank = bank. Bytes after the last complete block are ignored. Returns the
// number of patches added.
int AppendSidBankPatches(const Bytes &buffer, uint8_t bank, TPatchBank &into);

// A received Bank Dump of the fetched bank: only a buffer of exactly 32777
// bytes is cut (128 patches appended, result true); any other size is a
// broken or foreign answer and adds nothing (result false).
bool CutSidBankDump(const Bytes &buffer, uint8_t bank, TPatchBank &into);

} // namespace zpm
