// SPDX-License-Identifier: GPL-3.0-or-later
// What LoadFmFile reports besides the patches: a dump the end of the file cut
// short, and the rows, per list, whose checksum does not match their data.
#include "fm/fm_file.h"
#include "fm/fm_messages.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zpm {
namespace {

Bytes Dump(uint8_t type, int number, bool rightChecksum) {
  TFMPatch p;
  p.Dump[7] = type;
  p.Dump[9] = static_cast<uint8_t>(number);
  for (size_t i = 0; i < kDataSize; ++i)
    p.Data()[i] = static_cast<uint8_t>((i * 5 + number + type) & 0x7F);
  p.UpdateChecksum();
  if (!rightChecksum)
    p.Dump[266] ^= 0x01;
  return Bytes(p.Dump.begin(), p.Dump.end());
}

Bytes Cat(std::initializer_list<Bytes> parts, size_t cutOff = 0) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  all.resize(all.size() - cutOff);
  return all;
}

bool operator==(const TFmLoadRow &a, const TFmLoadRow &b) {
  return a.type == b.type && a.index == b.index;
}

struct ReportCase {
  const char *what;
  Bytes file;
  bool cut;
  TFmLoadRow cutRow;
  size_t cutBytes;
  std::vector<TFmLoadRow> wrong;
};

TEST(FmLoadReport, TellsTheCutShortDumpAndTheWrongChecksumsPerList) {
  const Bytes voice = Dump(kFmVoice, 0, true), drum = Dump(kFmDrumset, 1, true),
              badVoice = Dump(kFmVoice, 2, false), badEnsemble = Dump(kFmEnsemble, 3, false);
  const Bytes unknown = Dump(0x20, 4, true);
  const std::vector<ReportCase> cases = {
      {"whole and right", Cat({voice, drum}), false, {0, -1}, 0, {}},
      // Reported voices first, then drumsets, then ensembles, whatever the file order.
      {"wrong checksums",
       Cat({badEnsemble, drum, voice, badVoice}),
       false,
       {0, -1},
       0,
       {{kFmVoice, 1}, {kFmEnsemble, 0}}},
      {"a drumset cut short",
       Cat({voice, drum, drum}, 100),
       true,
       {kFmDrumset, 1},
       168,
       {{kFmDrumset, 1}}},
      // Only zeros of data remain, and a checksum of 0 matches them.
      {"cut just after the header", Cat({voice, voice}, 258), true, {kFmVoice, 1}, 10, {}},
      // A fragment of fewer than 10 bytes is no patch: nothing was cut short.
      {"a fragment of 9 bytes", Cat({voice, voice}, 259), false, {0, -1}, 0, {}},
      // A dropped type code is not in any list, cut or not.
      {"an unknown type cut short", Cat({voice, unknown}, 50), false, {0, -1}, 0, {}},
  };
  for (const ReportCase &c : cases) {
    SCOPED_TRACE(c.what);
    TFMPatchBank v, d, e;
    const TFmLoadReport report = LoadFmFile(c.file, "/f.syx", v, d, e);
    EXPECT_EQ(report.cutShort, c.cut);
    // The list itself tells which patch was cut short, for the sends.
    const std::pair<uint8_t, const TFMPatchBank *> lists[] = {
        {kFmVoice, &v}, {kFmDrumset, &d}, {kFmEnsemble, &e}};
    for (const auto &[type, bank] : lists)
      for (int row = 0; row < bank->Count(); ++row)
        EXPECT_EQ(bank->GetPatch(row).CutShort,
                  c.cut && c.cutRow.type == type && c.cutRow.index == row)
            << int(type) << " row " << row;
    if (c.cut) {
      EXPECT_TRUE(report.cutShortRow == c.cutRow);
      EXPECT_EQ(report.cutShortBytes, c.cutBytes);
      const TFMPatchBank &bank = c.cutRow.type == kFmDrumset ? d : v;
      const TFMPatch &patch = bank.GetPatch(c.cutRow.index);
      for (size_t i = c.cutBytes; i < kFmDumpSize - 1; ++i)
        ASSERT_EQ(patch.Dump[i], 0) << "byte " << i;
    }
    ASSERT_EQ(report.wrongChecksumRows.size(), c.wrong.size());
    for (size_t i = 0; i < c.wrong.size(); ++i)
      EXPECT_TRUE(report.wrongChecksumRows[i] == c.wrong[i]) << i;
  }
}

} // namespace
} // namespace zpm
