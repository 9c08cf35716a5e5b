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

// Replaces the contents of into with the patches of a file's bytes. path
// only names the file in the error texts. A refused file (empty, not a SID
// file, or a Bank Select for a bank the device cannot have) raises ZpmError
// and leaves into empty.
void LoadSidFile(const Bytes &data, const std::string &path, TPatchBank &into);

} // namespace zpm
