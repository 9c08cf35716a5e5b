// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/checksum.h"
#include "patch/patch.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

Bytes Saved(const TPatch &p) {
  TMemoryStream s;
  p.SaveToStream(s);
  return s.Data();
}

TEST(SidPatch, NewPatchSavesTheInitImage) {
  const Bytes bytes = Saved(TPatch());
  ASSERT_EQ(bytes.size(), 266u);
  const Bytes head = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00};
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), head);
  for (size_t i = 8; i < 265; ++i)
    ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[265], 0xF7);
}

TEST(SidPatch, SettersIgnoreOutOfRangeValues) {
  TPatch p;
  p.SetPatchNumber(127);
  EXPECT_EQ(p.Dump[7], 0x7F);
  p.SetPatchNumber(128);
  EXPECT_EQ(p.Dump[7], 0x7F);
  p.SetDeviceNumber(5);
  p.SetDeviceNumber(200);
  EXPECT_EQ(p.Dump[5], 5);
}

TEST(SidPatch, SaveToStreamAtReplacesOnlyForTheWrite) {
  TPatch p;
  p.SetPatchNumber(3);
  TMemoryStream s;
  p.SaveToStreamAt(s, 5, 9);
  EXPECT_EQ(s.Data()[5], 5);
  EXPECT_EQ(s.Data()[7], 9);
  EXPECT_EQ(p.Dump[5], 0);
  EXPECT_EQ(p.Dump[7], 3);

  TMemoryStream t;
  p.SaveToStreamAt(t, 128, 200); // out of range: the stored bytes are written
  EXPECT_EQ(t.Data()[5], 0);
  EXPECT_EQ(t.Data()[7], 3);

  TMemoryStream u;
  p.SaveToStreamAs(u, 17);
  EXPECT_EQ(u.Data()[5], 17);
  EXPECT_EQ(p.Dump[5], 0);
}

TEST(SidPatch, ChecksumIsTheSevenBitComplementOfTheDataSum) {
  TPatch p;
  std::fill(p.Data(), p.Data() + 256, 1);
  p.UpdateChecksum();
  EXPECT_EQ(p.Dump[264], 0x00);
  std::fill(p.Data(), p.Data() + 256, 0);
  p.Data()[0] = 1;
  p.UpdateChecksum();
  EXPECT_EQ(p.Dump[264], 0x7F);
  // The name bytes count, the header does not.
  p.Data()[255] = 0x7F;
  p.Dump[7] = 0x55;
  p.UpdateChecksum();
  EXPECT_EQ(p.Dump[264], 0x00);
  EXPECT_EQ(DataChecksum(p.Data()), 0x00);
}

TEST(SidPatch, LoadFromStreamSizeRule) {
  TPatch p;
  TMemoryStream shortStream(Bytes(100, 0x11));
  p.LoadFromStream(shortStream);
  EXPECT_EQ(Saved(p), Saved(TPatch()));
  EXPECT_EQ(shortStream.Position(), 0u);

  Bytes big(300);
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<uint8_t>(i);
  TMemoryStream bigStream(big);
  p.Bank = 4;
  p.LoadFromStream(bigStream);
  EXPECT_EQ(Saved(p), Bytes(big.begin(), big.begin() + 266));
  EXPECT_EQ(bigStream.Position(), 266u);
  EXPECT_EQ(p.Bank, 4); // not part of the dump

  // Fewer bytes left than a dump: those are read, the rest stays.
  TPatch q;
  bigStream.SetPosition(200);
  q.LoadFromStream(bigStream);
  EXPECT_EQ(q.Dump[0], 200);
  EXPECT_EQ(q.Dump[99], 43);
  EXPECT_EQ(q.Dump[100], 0);
  EXPECT_EQ(q.Dump[265], 0xF7);
}

TEST(FmPatch, NewPatchSavesTheInitImage) {
  TMemoryStream s;
  TFMPatch().SaveToStream(s);
  ASSERT_EQ(s.Size(), 268u);
  const Bytes head = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00, 0x00, 0x00};
  EXPECT_EQ(Bytes(s.Data().begin(), s.Data().begin() + 10), head);
  for (size_t i = 10; i < 267; ++i)
    ASSERT_EQ(s.Data()[i], 0) << i;
  EXPECT_EQ(s.Data()[267], 0xF7);
}

TEST(FmPatch, SettersKeepTheirRanges) {
  TFMPatch p;
  p.SetPatchType(0x20);
  EXPECT_EQ(p.Dump[7], 0x00);
  p.SetPatchType(0x70);
  EXPECT_EQ(p.Dump[7], 0x70);
  p.SetPatchType(0x10);
  EXPECT_EQ(p.Dump[7], 0x10);
  p.SetBank(8);
  EXPECT_EQ(p.Dump[8], 0);
  p.SetBank(7);
  EXPECT_EQ(p.Dump[8], 7);
  p.SetPatchNumber(128);
  EXPECT_EQ(p.Dump[9], 0);
  p.SetPatchNumber(127);
  EXPECT_EQ(p.Dump[9], 127);
}

TEST(FmPatch, SaveToStreamAtReplacesInRangeValuesForTheWriteOnly) {
  TFMPatch p;
  p.SetBank(2);
  p.SetPatchNumber(40);
  TMemoryStream s;
  p.SaveToStreamAt(s, 1, 9, 200);
  EXPECT_EQ(s.Data()[5], 1);
  EXPECT_EQ(s.Data()[8], 2);
  EXPECT_EQ(s.Data()[9], 40);
  TMemoryStream t;
  p.SaveToStreamAt(t, 3, 6, 100);
  EXPECT_EQ(t.Data()[5], 3);
  EXPECT_EQ(t.Data()[8], 6);
  EXPECT_EQ(t.Data()[9], 100);
  EXPECT_EQ(p.Dump[5], 0);
  EXPECT_EQ(p.Dump[8], 2);
  EXPECT_EQ(p.Dump[9], 40);
}

TEST(FmPatch, LoadAndChecksum) {
  TFMPatch p;
  TMemoryStream shortStream(Bytes(267, 0x22));
  p.LoadFromStream(shortStream);
  EXPECT_EQ(p.Dump[0], 0xF0);
  EXPECT_EQ(p.Dump[10], 0);

  TMemoryStream exact(Bytes(268, 0x22));
  p.LoadFromStream(exact);
  EXPECT_EQ(p.Dump[0], 0x22);
  EXPECT_EQ(p.Dump[267], 0x22);

  TFMPatch q;
  q.Data()[0] = 1;
  q.Dump[9] = 5; // outside the data: does not count
  q.UpdateChecksum();
  EXPECT_EQ(q.Dump[266], 0x7F);
}

TEST(Bank, GetPatchRangeErrorNamesIndexAndLastIndex) {
  TPatchBank bank;
  for (int i = 0; i < 5; ++i)
    bank.Add(TPatch());
  try {
    bank.GetPatch(5);
    FAIL();
  } catch (const ZpmError &e) {
    EXPECT_STREQ(e.what(), "Index (5) outside range 1..4");
  }
  EXPECT_THROW(bank.GetPatch(-1), ZpmError);
  EXPECT_NO_THROW(bank.GetPatch(4));

  TFMPatchBank empty;
  try {
    empty.GetPatch(0);
    FAIL();
  } catch (const ZpmError &e) {
    EXPECT_STREQ(e.what(), "Index (0) outside range 1..-1");
  }
}

TEST(Bank, ClearEmptiesAndKeepsOrder) {
  TPatchBank bank;
  for (int i = 0; i < 128; ++i) {
    TPatch p;
    p.SetPatchNumber(static_cast<uint8_t>(127 - i));
    bank.Add(p);
  }
  EXPECT_EQ(bank.GetPatch(0).PatchNumber(), 127);
  EXPECT_EQ(bank.GetPatch(127).PatchNumber(), 0);
  bank.Clear();
  EXPECT_EQ(bank.Count(), 0);
}

} // namespace
} // namespace zpm
