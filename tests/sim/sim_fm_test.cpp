// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_messages.h"
#include "sim/sim_fm.h"
#include "sim/sim_synth.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

Bytes Refusal(uint8_t id, uint8_t bank) {
  return {0xF0, 0x00, 0x00, 0x7E, 0x49, id, kSimFmRefusal, bank, 0xF7};
}

TEST(SimFm, RequestsDumpPresentSlotsAndRefuseTheOthers) {
  TSimOptions options;
  options.fmId = 0x22;
  options.fmDrumBanks = 0b0000'1111; // drumsets in A..D only
  TSimSynth synth(options);
  struct Slot {
    uint8_t type, bank, patch;
  };
  for (const Slot &s : {Slot{kFmVoice, 7, 127}, Slot{kFmDrumset, 3, 15}, Slot{kFmEnsemble, 3, 31},
                        Slot{kFmEnsemble, 3, 0}})
    EXPECT_EQ(synth.Receive(FmPatchRequest(0x22, s.bank, s.patch, s.type)),
              FmWrite(0x22, s.type, s.bank, s.patch, synth.FmPatchData(s.type, s.bank, s.patch)));
  EXPECT_NE(synth.FmPatchData(kFmVoice, 0, 3), synth.FmPatchData(kFmDrumset, 0, 3));

  const auto request = [&](uint8_t type, uint8_t bank, uint8_t patch) {
    return synth.Receive(Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x22, 0x01, type, bank, patch, 0xF7});
  };
  EXPECT_EQ(request(kFmDrumset, 4, 0), Refusal(0x22, 4));
  EXPECT_EQ(request(kFmDrumset, 3, 16), Refusal(0x22, 3));  // beyond 16 drumsets
  EXPECT_EQ(request(kFmEnsemble, 1, 32), Refusal(0x22, 1)); // beyond 32 ensembles
  EXPECT_EQ(request(0x20, 1, 0), Refusal(0x22, 1));         // no such type
  EXPECT_EQ(request(kFmVoice, 8, 0), Refusal(0x22, 8));
}

TEST(SimFm, WritesAreStoredAndAcknowledgedOrRefusedUntouched) {
  TSimOptions options;
  options.fmId = 9;
  options.fmEnsembleBanks = 0b0000'0001;
  TSimSynth synth(options);
  const Bytes data = RampData(17);
  const Bytes ack = synth.Receive(FmWrite(9, kFmVoice, 5, 77, data));
  EXPECT_EQ(ack, (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x09, kSimFmAck, 0xF7}));
  EXPECT_EQ(ClassifyFmWriteReply(ack.size()), FmWriteReply::Acknowledged);
  EXPECT_EQ(synth.FmPatchData(kFmVoice, 5, 77), data);

  const Bytes drum = synth.FmPatchData(kFmDrumset, 2, 7);
  Bytes badSum = FmWrite(9, kFmDrumset, 2, 7, data);
  badSum[266] ^= 0x40;
  EXPECT_EQ(synth.Receive(badSum), Refusal(9, 2));
  Bytes cut = FmWrite(9, kFmDrumset, 2, 7, data);
  cut.erase(cut.begin() + 200);
  EXPECT_EQ(synth.Receive(cut), Refusal(9, 2));
  EXPECT_EQ(synth.Receive(FmWrite(9, kFmDrumset, 2, 16, data)), Refusal(9, 2));
  EXPECT_EQ(synth.FmPatchData(kFmDrumset, 2, 7), drum);
  const Bytes ensemble = synth.FmPatchData(kFmEnsemble, 1, 0);
  EXPECT_EQ(synth.Receive(FmWrite(9, kFmEnsemble, 1, 0, data)), Refusal(9, 1)); // absent bank
  EXPECT_EQ(synth.FmPatchData(kFmEnsemble, 1, 0), ensemble);
}

} // namespace
} // namespace zpm
