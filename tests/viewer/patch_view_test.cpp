// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/patch_view.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zpm {
namespace {

using Panels = std::array<std::string, 5>;

template <typename Patch> void PutBytes(Patch &patch, size_t at, const std::string &bytes) {
  std::memcpy(patch.Dump.data() + at, bytes.data(), bytes.size());
}

TEST(PatchView, FreshWindowTexts) {
  const PatchViewText view = InitialPatchView();
  EXPECT_EQ(view.caption, "Patch Viewer");
  EXPECT_EQ(view.panels, (Panels{"Bank:", "Location:", "Name:", "Checksum:", "Patchtype:"}));
  EXPECT_TRUE(view.rows.empty());
  EXPECT_TRUE(view.image.empty());
}

TEST(PatchView, SidPatchTexts) {
  TPatch patch;
  patch.Bank = 2;
  patch.SetPatchNumber(4);
  PutBytes(patch, 8, "Bass");
  PutBytes(patch, 24, "\x40"); // Volume 64
  patch.Dump[264] = 0x55;
  const PatchViewText view = ViewSidPatch(patch);
  EXPECT_EQ(view.caption, "Patch Hex View - 5 - Bass");
  EXPECT_EQ(view.panels,
            (Panels{"Bank: C", "Location: 5", "Name: Bass", "Checksum: 85", "Patchtype: SID"}));
  EXPECT_EQ(view.image, Bytes(patch.Dump.begin(), patch.Dump.end()));
  ASSERT_EQ(view.rows.size(), 107u);
  EXPECT_EQ(view.rows[0].value, "Bass");
  EXPECT_EQ(view.rows[1].value, "64");
  EXPECT_EQ(view.bank, 2);
  // The same from the image alone, given the bank a SID dump does not hold.
  const PatchViewText fromImage = ViewPatchImage(view.image, 2);
  EXPECT_EQ(fromImage.caption, view.caption);
  EXPECT_EQ(fromImage.panels, view.panels);
  EXPECT_EQ(fromImage.bank, 2);

  // A full 16-byte name: the caption stops at the name's end, not at byte 24.
  PutBytes(patch, 8, "ABCDEFGHIJKLMNOP");
  patch.SetPatchNumber(127);
  const PatchViewText full = ViewSidPatch(patch);
  EXPECT_EQ(full.caption, "Patch Hex View - 128 - ABCDEFGHIJKLMNOP");
  EXPECT_EQ(full.panels[2], "Name: ABCDEFGHIJKLMNOP");
}

TEST(PatchView, FmVoiceTextsComeFromTheDump) {
  TFMPatch patch;
  patch.SetBank(7);
  patch.SetPatchNumber(127);
  PutBytes(patch, 10, "Lead");
  patch.Dump[266] = 0x7F;
  const PatchViewText view = ViewFmPatch(patch);
  EXPECT_EQ(view.caption, "Patch Hex View - 128 - Lead");
  EXPECT_EQ(view.panels, (Panels{"Bank: H", "Location: 128", "Name: Lead", "Checksum: 127",
                                 "Patchtype: FM / Voice"}));
  EXPECT_EQ(view.rows.size(), 94u);
  EXPECT_EQ(view.image.size(), 268u);
  EXPECT_EQ(view.bank, 7);
  EXPECT_EQ(ViewPatchImage(view.image, 0).panels, view.panels); // the dump's bank
}

TEST(PatchView, DrumsetsAndEnsemblesShowNoNameButTheCaptionReadsOne) {
  TFMPatch patch;
  patch.SetPatchType(kFmDrumset);
  patch.SetPatchNumber(15);
  PutBytes(patch, 10, "\x01\x02\x03");
  const PatchViewText drums = ViewFmPatch(patch);
  EXPECT_EQ(drums.caption, "Patch Hex View - 16 - \x01\x02\x03");
  EXPECT_EQ(drums.panels[2], "Name: ---");
  EXPECT_EQ(drums.panels[4], "Patchtype: FM / Drumset");
  EXPECT_EQ(drums.rows.size(), 74u);

  patch.SetPatchType(kFmEnsemble);
  const PatchViewText ensemble = ViewFmPatch(patch);
  EXPECT_EQ(ensemble.panels[2], "Name: ---");
  EXPECT_EQ(ensemble.panels[4], "Patchtype: FM / Ensemble");
  EXPECT_EQ(ensemble.rows.size(), 44u);
}

TEST(PatchView, UnrecognisedImageKeepsPanelFourAndHasNoRows) {
  TFMPatch patch;
  PutBytes(patch, 10, "Odd");
  patch.Dump[7] = 0x20;
  const PatchViewText afterVoice = ViewFmPatch(patch, "Patchtype: FM / Voice");
  EXPECT_EQ(afterVoice.panels[4], "Patchtype: FM / Voice");
  EXPECT_EQ(afterVoice.panels[2], "Name: Odd");
  EXPECT_TRUE(afterVoice.rows.empty());
  EXPECT_EQ(ViewFmPatch(patch).panels[4], "Patchtype:");

  // The rows follow the image, not the kind of record holding it.
  TPatch sid;
  sid.Dump[4] = 0x00;
  const PatchViewText unknownSid = ViewSidPatch(sid, "Patchtype: SID");
  EXPECT_EQ(unknownSid.panels[4], "Patchtype: SID");
  EXPECT_TRUE(unknownSid.rows.empty());
}

TEST(PatchView, HexPositionTexts) {
  EXPECT_EQ(HexPositionText(0), "0x0000");
  EXPECT_EQ(HexPositionText(26), "0x001A");
  EXPECT_EQ(HexPositionText(267), "0x010B");
  EXPECT_EQ(HexPositionText(0x12345), "0x12345");
  EXPECT_EQ(HexOffsetHint(26), "Offset: 0x001A");
}

} // namespace
} // namespace zpm
