// SPDX-License-Identifier: GPL-3.0-or-later
// What LoadSidFile reports besides the patches: a Patch Dump the end of the
// file cut short, and the rows whose checksum byte does not match their data.
#include "patch/checksum.h"
#include "sid/sid_file.h"
#include "sid/sid_messages.h"

#include <gtest/gtest.h>

#include <vector>

namespace zpm {
namespace {

TPatch Patch(uint8_t number, bool rightChecksum) {
  TPatch p;
  p.SetPatchNumber(number);
  for (size_t i = 0; i < kDataSize; ++i)
    p.Data()[i] = static_cast<uint8_t>((number * 3 + i) % 128);
  p.UpdateChecksum();
  if (!rightChecksum)
    p.Dump[264] ^= 0x01;
  return p;
}

Bytes FileOf(const std::vector<TPatch> &patches, size_t cutOff, size_t extra = 0) {
  TPatchBank bank;
  for (const TPatch &p : patches)
    bank.Add(p);
  Bytes bytes = SidFileBytes(bank);
  bytes.resize(bytes.size() - cutOff);
  bytes.insert(bytes.end(), extra, 0x00);
  return bytes;
}

struct ReportCase {
  const char *what;
  Bytes file;
  int patches;
  int cutRow;
  size_t cutBytes;
  std::vector<int> wrongRows;
};

TEST(SidLoadReport, TellsTheCutShortPatchAndTheWrongChecksums) {
  const TPatch good1 = Patch(0, true), good2 = Patch(1, true), bad = Patch(2, false);
  Bytes bankDump(7 + 256 * 3 + 100, 0x11);
  const uint8_t head[] = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04};
  std::copy(head, head + 7, bankDump.begin());
  const std::vector<ReportCase> cases = {
      {"whole, right checksums", FileOf({good1, good2}, 0), 2, -1, 0, {}},
      {"one wrong checksum in the middle", FileOf({good1, bad, good2}, 0), 3, -1, 0, {1}},
      // 9 + 266 + 166: the second dump has 166 of its bytes.
      {"last patch cut short", FileOf({good1, good2}, 100), 2, 1, 166, {1}},
      {"cut one byte short", FileOf({good1, good2}, 1), 2, 1, 265, {}},
      // Only zeros of data remain, and a checksum of 0 matches them.
      {"cut after its header", FileOf({good1, good2}, 266 - 8), 2, 1, 8, {}},
      {"a file shorter than one dump", FileOf({good1}, 200), 1, 0, 66, {0}},
      // A bank dump computes fresh checksums and drops an incomplete block.
      {"bank dump with a partial block", bankDump, 3, -1, 0, {}},
  };
  for (const ReportCase &c : cases) {
    SCOPED_TRACE(c.what);
    TPatchBank loaded;
    const TSidLoadReport report = LoadSidFile(c.file, "/x.syx", loaded);
    ASSERT_EQ(loaded.Count(), c.patches);
    EXPECT_EQ(report.cutShortRow, c.cutRow);
    EXPECT_EQ(report.cutShortBytes, c.cutBytes);
    EXPECT_EQ(report.wrongChecksumRows, c.wrongRows);
    // The list itself tells which patch was cut short, for the sends.
    for (int row = 0; row < loaded.Count(); ++row)
      EXPECT_EQ(loaded.GetPatch(row).CutShort, row == c.cutRow) << "row " << row;
    if (c.cutRow >= 0) {
      // The bytes that were there, then the blank Init values: data 0, checksum 0, F7.
      const TPatch &cut = loaded.GetPatch(c.cutRow);
      for (size_t i = c.cutBytes; i < kSidDumpSize - 1; ++i)
        ASSERT_EQ(cut.Dump[i], 0) << "byte " << i;
      EXPECT_EQ(cut.Dump[kSidDumpSize - 1], 0xF7);
    }
  }
}

TEST(SidLoadReport, CheckSidFileStartRefusesAsTheLoaderDoes) {
  const Bytes sid = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00};
  const Bytes fm = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00};
  struct Case {
    Bytes head;
    size_t fileSize;
    const char *message; // empty: accepted
  };
  const std::vector<Case> cases = {
      {sid, 40000000, ""},
      {{}, 0, "/x.syx is too short (0 bytes)"},
      {fm, 268, "/x.syx is not a SID patch SysEx file."},
      {Bytes(sid.begin(), sid.begin() + 5), 5, "/x.syx is not a SID patch SysEx file."},
  };
  for (const Case &c : cases) {
    std::string message;
    try {
      CheckSidFileStart(c.head.data(), c.head.size(), c.fileSize, "/x.syx");
    } catch (const std::exception &e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message);
  }
}

} // namespace
} // namespace zpm
