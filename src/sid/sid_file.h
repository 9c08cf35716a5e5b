// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SID ".syx" files: nothing but SID SysEx messages as they travel on the
// cable. Written as a Bank Select ahead of each run of patches of one bank,
// each followed by its Patch Dump; read back either in that form or as one
// whole-bank dump.

#include "patch/patch.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// Reads 8 bytes at the position; true when all 8 were there and begin
// F0 00 00 7E 46, giving command = byte 6 and value = byte 7 (left untouched
// otherwise). When 8 bytes were read the position goes back to where it was.
bool PeekSidHeader(TMemoryStream &stream, uint8_t &command, uint8_t &value);

// Writes the patches in the given order: a Bank Select (the patch's own
// device number and Bank) before the first patch and before each change of
// Bank, then the patch's Dump unchanged. No entry may be null.
void WriteSidPatches(TMemoryStream &stream, const std::vector<const TPatch *> &patches);

// The whole list as a file.
Bytes SidFileBytes(const TPatchBank &bank);

// What a load found beyond the patches themselves, for the front ends to tell.
struct TSidLoadReport {
  // The row of a Patch Dump the end of the file cut short, or -1. Its dump
  // holds the cutShortBytes the file had; the rest are blank (Init values),
  // and the patch is marked CutShort so that no send takes it.
  int cutShortRow = -1;
  size_t cutShortBytes = 0;
  // Rows whose checksum byte does not match their data, in row order.
  std::vector<int> wrongChecksumRows;
  // Where each row's Patch Dump starts in the file, so that one patch can be
  // replaced in place; empty for a whole-bank dump, whose patches have no
  // dump of their own.
  std::vector<size_t> dumpOffsets;
};

// Throws the loader's refusal when a file of fileSize bytes beginning with
// the headSize bytes at head cannot be a SID file, so that a caller can turn
// a file away before reading all of it.
void CheckSidFileStart(const uint8_t *head, size_t headSize, size_t fileSize,
                       const std::string &path);

// Replaces the contents of into with the patches of a file's bytes. path
// only names the file in the error texts. A refused file (empty, not a SID
// file, or a Bank Select for a bank the device cannot have) raises ZpmError
// and leaves into empty.
TSidLoadReport LoadSidFile(const Bytes &data, const std::string &path, TPatchBank &into);

} // namespace zpm
