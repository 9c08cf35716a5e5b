// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_bank_dump.h"
#include "sid/sid_messages.h"
#include "sim/sim_sid.h"
#include "sim/sim_synth.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

TSimOptions SidOptions(uint8_t id, TBankMask banks) {
  TSimOptions options;
  options.sidId = id;
  options.sidBanks = banks;
  return options;
}

TEST(SimSid, BankSelectAcknowledgesPresentBanksAndRefusesAbsentOnes) {
  TSimSynth synth(SidOptions(3, 0b0000'1100)); // carts in C and D
  EXPECT_EQ(synth.SelectedSidBank(), 2);
  Bytes answer = synth.Receive(SidBankSelect(3, 3));
  EXPECT_EQ(answer, (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x03, 0x0F, 0x03, 0xF7}));
  EXPECT_EQ(synth.SelectedSidBank(), 3);

  // An absent bank answers with 9 bytes the program reads as "not available",
  // and the selection stays where it was.
  answer = synth.Receive(SidBankSelect(3, 0));
  EXPECT_EQ(answer, (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x03, kSimSidBankRefusal, 0x00, 0xF7}));
  EXPECT_EQ(ClassifySidBankSelectAnswer(answer, 3, 0), SidBankMissing);
  answer = synth.Receive(Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x03, 0x0B, 0x09, 0xF7});
  EXPECT_EQ(ClassifySidBankSelectAnswer(answer, 3, 1), SidBankMissing);
  EXPECT_EQ(synth.SelectedSidBank(), 3);

  // Without any cart nothing is selected and requests go unanswered.
  TSimSynth empty(SidOptions(0, 0));
  EXPECT_EQ(empty.SelectedSidBank(), -1);
  EXPECT_TRUE(empty.Receive(SidPatchRequest(0, 0)).empty());
  EXPECT_TRUE(empty.Receive(SidBankDumpRequest(0)).empty());
}

TEST(SimSid, RequestsDumpTheSelectedBank) {
  TSimSynth synth(SidOptions(5, kAllBanks));
  synth.Receive(SidBankSelect(5, 2));
  EXPECT_NE(synth.SidPatchData(2, 127), synth.SidPatchData(0, 127));
  for (uint8_t patch : {0, 127})
    EXPECT_EQ(synth.Receive(SidPatchRequest(5, patch)),
              SidWrite(5, patch, synth.SidPatchData(2, patch)));

  const Bytes dump = synth.Receive(SidBankDumpRequest(5));
  ASSERT_EQ(dump.size(), kSidBankDumpSize);
  EXPECT_EQ(Bytes(dump.begin(), dump.begin() + 7),
            (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x05, 0x04}));
  EXPECT_EQ(Sum(dump.data() + 7, 32768 + 1) % 128, 0u);
  EXPECT_EQ(dump.back(), 0xF7);
  TPatchBank bank;
  ASSERT_TRUE(CutSidBankDump(dump, 2, bank));
  for (int n : {0, 1, 127})
    EXPECT_EQ(Bytes(bank.GetPatch(n).Data(), bank.GetPatch(n).Data() + 256),
              synth.SidPatchData(2, static_cast<uint8_t>(n)));
}

TEST(SimSid, PatchDumpWritesOnlyIntactDumpsIntoTheSelectedBank) {
  TSimSynth synth(SidOptions(0, kAllBanks));
  synth.Receive(SidBankSelect(0, 1));
  const Bytes bankA = synth.SidPatchData(0, 9);
  EXPECT_TRUE(synth.Receive(SidWrite(0, 9, RampData(3))).empty()); // writes are not answered
  EXPECT_EQ(synth.SidPatchData(1, 9), RampData(3));
  EXPECT_EQ(synth.SidPatchData(0, 9), bankA);

  // A wrong checksum or a cut dump leaves the slot as it was.
  const Bytes before = synth.SidPatchData(1, 10);
  Bytes broken = SidWrite(0, 10, RampData(40));
  broken[264] ^= 0x01;
  synth.Receive(broken);
  Bytes cut = SidWrite(0, 10, RampData(40));
  cut.erase(cut.begin() + 100);
  synth.Receive(cut);
  EXPECT_EQ(synth.SidPatchData(1, 10), before);
}

TEST(SimSid, Firmware16KeepsToBankAAndDoesNotAnswerBankSelect) {
  TSimOptions options = SidOptions(0, kAllBanks);
  options.firmware16 = true;
  TSimSynth synth(options);
  EXPECT_FALSE(synth.SidBankPresent(2));
  const Bytes answer = synth.Receive(SidBankSelect(0, 2));
  EXPECT_EQ(ClassifySidBankSelectAnswer(answer, 0, 2), SidSingleCart);
  EXPECT_TRUE(answer.empty());
  EXPECT_EQ(synth.Receive(SidPatchRequest(0, 4)), SidWrite(0, 4, synth.SidPatchData(0, 4)));

  options.firmware16SevenByteAnswer = true;
  TSimSynth seven(options);
  EXPECT_EQ(seven.Receive(SidBankSelect(0, 2)).size(), 7u);
  EXPECT_EQ(seven.SelectedSidBank(), 0);
}

} // namespace
} // namespace zpm
