// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zpm {
namespace {

TFMPatch Named(uint8_t bank, uint8_t number, const std::string &name) {
  TFMPatch p;
  p.SetBank(bank);
  p.SetPatchNumber(number);
  std::memcpy(p.Data(), name.data(), name.size());
  p.Data()[16] = 'X'; // first data byte past the name
  return p;
}

TEST(FmList, RowsShowBankNumberAndOnlyVoicesAName) {
  TFMPatch p = Named(7, 127, "Bass");
  p.SetPatchType(kFmDrumset); // the list, not the type byte, decides the columns
  p.Data()[4] = 0xC4;
  p.Data()[15] = 0x1F;
  const FmListRow voice = FmListText(p, kFmVoice);
  EXPECT_EQ(voice.bank + std::to_string(voice.number) + "|" + voice.name,
            "H128|Bass\xC4           ");
  EXPECT_TRUE(voice.hasName);
  const FmListRow drum = FmListText(Named(0, 0, "Kit"), kFmDrumset);
  EXPECT_EQ(drum.bank + std::to_string(drum.number) + "|" + drum.name, "A1|");
  EXPECT_FALSE(drum.hasName);

  TFMPatchBank bank;
  bank.Add(Named(2, 9, "Pad"));
  EXPECT_EQ(FmListRowAt(bank, 0, kFmEnsemble).value().number, 10);
  EXPECT_FALSE(FmListRowAt(bank, 1, kFmVoice) || FmListRowAt(bank, -1, kFmVoice));
}

TEST(FmList, TypeTextsAndSendDialog) {
  EXPECT_EQ(FmTypeOfIndex(1) + FmTypeOfIndex(2) * 2 + FmTypeOfIndex(3), 0x10 + 0x70 * 2);
  EXPECT_EQ(FmListCaption(kFmEnsemble) + "|" + FmListCaption(0x20),
            "Ensembles Patch list|Voices Patch list");
  FmSendLocationTexts t = FmSendLocationText(Named(2, 15, std::string("Kit\0Z", 5)), kFmDrumset);
  EXPECT_EQ(t.patchType + "|" + t.patchName + "|" + t.location + "|" + t.bank, "Drums|Kit|16|C");
  EXPECT_EQ(t.maxPosition, 16);
  t = FmSendLocationText(Named(0, 31, "0123456789ABCDEF"), kFmEnsemble);
  EXPECT_EQ(t.patchType + "|" + t.patchName + "|" + t.location, "Ensembles|0123456789ABCDEF|32");
  EXPECT_EQ(t.maxPosition + FmSendLocationText(TFMPatch(), kFmVoice).maxPosition, 32 + 128);
}

} // namespace
} // namespace zpm
