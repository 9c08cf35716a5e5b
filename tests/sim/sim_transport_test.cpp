// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_messages.h"
#include "sid/sid_messages.h"
#include "sim/sim_fm.h"
#include "sim/sim_synth.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(SimTransport, InputSplitAnywhereWithRealTimeBytesGivesTheSameAnswers) {
  const Bytes traffic = Join({SidBankSelect(0, 4), FmPatchRequest(0, 2, 5, kFmDrumset),
                              SidPatchRequest(0, 33), FmWrite(0, kFmVoice, 1, 1, RampData(9)),
                              SidWrite(0, 2, RampData(50)), SidPatchRequest(0, 2)});
  TSimSynth whole{TSimOptions()};
  const Bytes expected = whole.Receive(traffic);
  ASSERT_EQ(expected.size(), 9 + kFmDumpSize + kSidDumpSize + kSimFmAckSize + kSidDumpSize);

  TSimSynth split{TSimOptions()};
  Bytes got;
  for (size_t i = 0; i < traffic.size(); ++i) {
    const uint8_t bytes[2] = {traffic[i], static_cast<uint8_t>(i % 2 ? 0xF8 : 0xFE)};
    const Bytes out = split.Receive(bytes, 2);
    got.insert(got.end(), out.begin(), out.end());
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(split.SidPatchData(4, 2), RampData(50));
}

TEST(SimTransport, BrokenAndForeignMessagesAreDropped) {
  TSimSynth synth{TSimOptions()};
  const Bytes request = SidPatchRequest(0, 1);
  // A status byte inside a SysEx aborts it; the note's data are not SysEx.
  Bytes aborted(request.begin(), request.begin() + 6);
  aborted.insert(aborted.end(), {0x90, 0x3C, 0x40, 0x01, 0x01, 0xF7});
  EXPECT_TRUE(synth.Receive(aborted).empty());
  // A new F0 before F7 drops the unfinished message.
  Bytes restarted(request.begin(), request.begin() + 7);
  restarted.insert(restarted.end(), request.begin(), request.end());
  EXPECT_EQ(synth.Receive(restarted).size(), kSidDumpSize);
  // Another manufacturer, and an over-long message with a valid header.
  EXPECT_TRUE(synth.Receive(Bytes{0xF0, 0x43, 0x00, 0x7E, 0x46, 0x00, 0x01, 0x01, 0xF7}).empty());
  Bytes longWrite = FmWrite(0, kFmVoice, 0, 0, RampData(0));
  longWrite.insert(longWrite.end() - 1, 4000, 0x11);
  EXPECT_TRUE(synth.Receive(longWrite).empty());
  EXPECT_EQ(synth.Receive(request).size(), kSidDumpSize);
}

TEST(SimTransport, EachDeviceHearsOnlyItsOwnId) {
  TSimOptions options;
  options.sidId = 3;
  options.fmId = 1;
  TSimSynth synth(options);
  const Bytes sid = synth.SidPatchData(0, 1);
  const Bytes fm = synth.FmPatchData(kFmVoice, 0, 0);
  const Bytes others =
      Join({SidBankSelect(1, 2), SidPatchRequest(4, 1), SidBankDumpRequest(0),
            SidWrite(1, 1, RampData(0)), FmPatchRequest(3, 0, 0, kFmVoice),
            FmPatchRequest(0, 9, 0, kFmVoice), FmWrite(3, kFmVoice, 0, 0, RampData(1))});
  EXPECT_TRUE(synth.Receive(others).empty());
  EXPECT_EQ(synth.SelectedSidBank(), 0);
  EXPECT_EQ(synth.SidPatchData(0, 1), sid);
  EXPECT_EQ(synth.FmPatchData(kFmVoice, 0, 0), fm);
  EXPECT_EQ(synth.Receive(Join({SidPatchRequest(3, 1), FmPatchRequest(1, 0, 0, kFmVoice)})).size(),
            kSidDumpSize + kFmDumpSize);
}

TEST(SimFaults, EachFaultShapesOnlyDumpReplies) {
  TSimSynth healthy{TSimOptions()};
  const Bytes patch = healthy.Receive(SidPatchRequest(0, 7));

  TSimOptions options;
  options.fault.kind = TSimFaultKind::Silence;
  TSimSynth silent(options);
  EXPECT_TRUE(silent.Receive(SidPatchRequest(0, 7)).empty());
  EXPECT_TRUE(silent.Receive(FmPatchRequest(0, 0, 0, kFmVoice)).empty());
  EXPECT_EQ(silent.Receive(SidBankSelect(0, 1)).size(), 9u);
  EXPECT_EQ(silent.Receive(FmPatchRequest(0, 9, 0, kFmEnsemble)).size(), kFmRefusalSize);
  EXPECT_EQ(silent.Receive(FmWrite(0, kFmVoice, 0, 0, RampData(2))).size(), kSimFmAckSize);
  EXPECT_EQ(silent.DumpReplies(), 2);

  options.fault = {TSimFaultKind::Short, 100, 0};
  TSimSynth cut(options);
  EXPECT_EQ(cut.Receive(SidPatchRequest(0, 7)), Bytes(patch.begin(), patch.begin() + 100));
  options.fault = {TSimFaultKind::Short, 5000, 0};
  TSimSynth longCut(options);
  EXPECT_EQ(longCut.Receive(SidPatchRequest(0, 7)), patch);

  options.fault = {TSimFaultKind::Garbage, 300, 0};
  TSimSynth garbage(options);
  const Bytes noise = garbage.Receive(SidPatchRequest(0, 7));
  ASSERT_EQ(noise.size(), 300u);
  for (uint8_t b : noise)
    ASSERT_LT(b, 0x80);
  EXPECT_NE(Bytes(noise.begin(), noise.begin() + 266), patch);
  EXPECT_EQ(TSimSynth(options).Receive(SidPatchRequest(0, 7)), noise);
  options.seed = 2;
  EXPECT_NE(TSimSynth(options).Receive(SidPatchRequest(0, 7)), noise);
}

TEST(SimFaults, VanishingCutsTheReplyAndSilencesBothDevices) {
  TSimSynth healthy{TSimOptions()};
  const Bytes bank = healthy.Receive(SidBankDumpRequest(0));

  TSimOptions options;
  options.fault = {TSimFaultKind::Vanish, 20000, 0};
  TSimSynth synth(options);
  // Bytes after the request in the same call are not answered either.
  const Bytes out = synth.Receive(Join({SidBankDumpRequest(0), SidBankSelect(0, 1)}));
  EXPECT_EQ(out, Bytes(bank.begin(), bank.begin() + 20000));
  EXPECT_TRUE(synth.Vanished());
  EXPECT_TRUE(synth.Receive(SidBankSelect(0, 1)).empty());
  EXPECT_TRUE(synth.Receive(FmWrite(0, kFmVoice, 0, 0, RampData(2))).empty());
  EXPECT_NE(synth.FmPatchData(kFmVoice, 0, 0), RampData(2));
}

TEST(SimFaults, FaultAtStrikesOnlyTheKthDumpReply) {
  // "Get All Banks": the third bank's dump arrives short, the others whole.
  TSimOptions options;
  options.fault = {TSimFaultKind::Short, 30000, 3};
  TSimSynth synth(options);
  for (uint8_t bank = 0; bank < 5; ++bank) {
    EXPECT_EQ(synth.Receive(SidBankSelect(0, bank)).size(), 9u);
    EXPECT_EQ(synth.Receive(SidBankDumpRequest(0)).size(), bank == 2 ? 30000u : kSidBankDumpSize)
        << "bank " << int(bank);
  }
  EXPECT_EQ(synth.DumpReplies(), 5);

  // Counted over both devices; refusals do not count.
  options.fault = {TSimFaultKind::Silence, 0, 2};
  TSimSynth mixed(options);
  EXPECT_EQ(mixed.Receive(FmPatchRequest(0, 0, 0, kFmDrumset)).size(), kFmDumpSize);
  EXPECT_EQ(mixed.Receive(FmPatchRequest(0, 9, 0, kFmDrumset)).size(), kFmRefusalSize);
  EXPECT_TRUE(mixed.Receive(SidPatchRequest(0, 0)).empty());
  EXPECT_EQ(mixed.Receive(FmPatchRequest(0, 0, 1, kFmDrumset)).size(), kFmDumpSize);
}

} // namespace
} // namespace zpm
