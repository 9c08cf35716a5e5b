// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing two patch images row by row and byte by byte, and two sources
// slot by slot.

#include "viewer/patch_compare.h"
#include "viewer/slot_compare.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

TPatch Sid(const char *name, uint8_t bank, uint8_t number) {
  TPatch patch;
  for (size_t i = 0; name[i] != 0; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

TFMPatch Fm(const char *name, uint8_t type, uint8_t bank, uint8_t number) {
  TFMPatch patch;
  for (size_t i = 0; name[i] != 0; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.SetPatchType(type);
  patch.SetBank(bank);
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

Bytes Image(const TPatch &patch) {
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

TEST(PatchCompare, OnlyChangedParametersAndTheirBytesDiffer) {
  TPatch a = Sid("Lead", 0, 0);
  TPatch b = a;
  b.Data()[16] = 3; // Volume, dump byte 24
  b.UpdateChecksum();
  const TPatchComparison same = ComparePatchImages(Image(a), Image(a));
  EXPECT_FALSE(same.contentDiffers);
  EXPECT_TRUE(DifferingRows(same).empty());

  const TPatchComparison changed = ComparePatchImages(Image(a), Image(b));
  EXPECT_TRUE(changed.contentDiffers);
  const std::vector<TRowComparison> rows = DifferingRows(changed);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].label, "Volume");
  EXPECT_EQ(rows[0].valueA, "0");
  EXPECT_EQ(rows[0].valueB, "3");
  std::vector<size_t> bytes;
  for (size_t i = 0; i < changed.differingBytes.size(); ++i)
    if (changed.differingBytes[i])
      bytes.push_back(i);
  EXPECT_EQ(bytes, (std::vector<size_t>{24, 264}));
}

TEST(PatchCompare, WhereAPatchLivesIsNotWhatItIs) {
  TPatch a = Sid("Pad", 0, 0);
  TPatch moved = a;
  moved.SetPatchNumber(5);
  moved.SetDeviceNumber(7);
  const TPatchComparison c = ComparePatchImages(Image(a), Image(moved));
  EXPECT_FALSE(c.contentDiffers);
  EXPECT_TRUE(c.differingBytes[5]);
  EXPECT_TRUE(c.differingBytes[7]);
  // A voice and a SID patch are never the same.
  const TFMPatch voice = Fm("Pad", kFmVoice, 0, 0);
  const TPatchComparison kinds =
      ComparePatchImages(Image(a), Bytes(voice.Dump.begin(), voice.Dump.end()));
  EXPECT_TRUE(kinds.contentDiffers);
  EXPECT_FALSE(DifferingRows(kinds).empty());
  EXPECT_EQ(kinds.differingBytes.size(), kFmDumpSize);
}

TEST(SlotCompare, SlotsAreMatchedByKindBankAndNumber) {
  TPatch changed = Sid("Two", 1, 1);
  changed.Data()[26] = 9; // CutOff
  changed.UpdateChecksum();
  const std::vector<TSlotPatch> a = {SlotOf(Sid("One", 1, 0)), SlotOf(Sid("Two", 1, 1)),
                                     SlotOf(Sid("Gone", 1, 2)),
                                     SlotOf(Fm("Kit", kFmDrumset, 0, 3))};
  const std::vector<TSlotPatch> b = {SlotOf(Fm("Kit", kFmDrumset, 0, 3)), SlotOf(changed),
                                     SlotOf(Sid("One", 1, 0)), SlotOf(Sid("New", 2, 0)),
                                     SlotOf(Fm("Voice", kFmVoice, 0, 3))};
  const std::vector<TSlotComparison> slots = CompareSlots(a, b);
  struct Expect {
    const char *type;
    const char *slot;
    TSlotState state;
    size_t rows;
  };
  const Expect expected[] = {
      {"sid", "B:1", TSlotState::Same, 0},    {"sid", "B:2", TSlotState::Differs, 1},
      {"sid", "B:3", TSlotState::OnlyA, 0},   {"sid", "C:1", TSlotState::OnlyB, 0},
      {"voice", "A:4", TSlotState::OnlyB, 0}, {"drumset", "A:4", TSlotState::Same, 0},
  };
  ASSERT_EQ(slots.size(), std::size(expected));
  for (size_t i = 0; i < slots.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(SlotTypeText(slots[i].kind), expected[i].type);
    EXPECT_EQ(SlotText(slots[i]), expected[i].slot);
    EXPECT_EQ(slots[i].state, expected[i].state);
    EXPECT_EQ(slots[i].rows.size(), expected[i].rows);
  }
  EXPECT_EQ(slots[1].rows[0].label, "CutOff");
  EXPECT_EQ(slots[2].nameA, std::optional<std::string>("Gone"));
  EXPECT_EQ(slots[2].nameB, std::nullopt);
  EXPECT_EQ(slots[5].nameA, std::nullopt); // drumsets have no name
}

TEST(SlotCompare, TheLastPatchOfASlotCounts) {
  TPatch first = Sid("Old", 0, 4);
  TPatch last = Sid("Newer", 0, 4);
  const std::vector<TSlotComparison> slots =
      CompareSlots({SlotOf(first), SlotOf(last)}, {SlotOf(last)});
  ASSERT_EQ(slots.size(), 1u);
  EXPECT_EQ(slots[0].state, TSlotState::Same);
}

} // namespace
} // namespace zpm
