// SPDX-License-Identifier: GPL-3.0-or-later
// The random device runs over the in-process simulator with the fake host's
// clock: what reaches the device's memory, the pauses, the bank answers,
// the FM acknowledgements counted, the summary line of every run, and the
// sends' backup and read-back around a run.

#include "random/random_send.h"

#include "patch/error.h"
#include "random/fm_random.h"
#include "random/sid_random.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

RandomRun MakeRun(int64_t seed, int bank, int first, int count, int device = 0) {
  RandomRun run;
  run.Seed = seed;
  run.Bank = bank;
  run.FirstPatch = first;
  run.Count = count;
  run.DeviceId = device;
  return run;
}

TEST(RandomRunSummary, SaysWhatWasMadeAndWhatWasNot) {
  struct Case {
    RandomRun run;
    int made;
    const char *text;
  };
  const Case cases[] = {
      {MakeRun(0, 0, 126, 4), 3, "3 patches, slots 126-128 of bank A; 1 past slot 128 not made"},
      {MakeRun(0, 7, 128, 128), 1, "1 patch, slot 128 of bank H; 127 past slot 128 not made"},
      {MakeRun(0, 2, 1, 128), 128, "128 patches, slots 1-128 of bank C"},
      {MakeRun(0, 1, 10, 20), 1, "1 patch, slot 10 of bank B; 19 not sent"},
      {MakeRun(0, 1, 120, 20), 0, "0 patches of bank B; 9 not sent; 11 past slot 128 not made"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(RandomRunSummary(c.run, c.made), c.text);
}

TEST(SidRandomSend, PatchesLandInTheChosenBankWithTheDevicesId) {
  TSimOptions options;
  options.sidId = 9;
  TSimRig rig(options);
  const RangeGrid grid = MakeSidRandomGrid();
  const RandomRun run = MakeRun(-1, 5, 3, 4, 9);
  const TRandomSendReport report = SendSidRandomRun(rig.link, rig.host, run, grid, 750);
  EXPECT_EQ(report.sent, 4);
  EXPECT_FALSE(report.cancelled);
  EXPECT_FALSE(report.bankRefused);
  EXPECT_EQ(rig.host.delays, std::vector<int>(5, 750));
  EXPECT_EQ(rig.host.clockMs, 5 * 750);
  // The file run's patches, byte for byte.
  const Bytes file = CreateSidRandomFile(run, grid);
  const std::vector<Bytes> sent = rig.Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[0], Bytes(file.begin(), file.begin() + 9));
  for (int i = 0; i < 4; ++i) {
    const auto at = file.begin() + 9 + i * static_cast<long>(kSidDumpSize);
    EXPECT_EQ(sent[i + 1], Bytes(at, at + kSidDumpSize));
    EXPECT_EQ(rig.Synth().SidPatchData(5, static_cast<uint8_t>(2 + i)),
              Bytes(at + kSidDataOffset, at + kSidDataOffset + kDataSize));
  }
}

TEST(SidRandomSend, ClosedDevicesSendNothingAndEndNoProgress) {
  TSimRig rig;
  rig.link.OutputDeviceIndex = -1;
  EXPECT_THROW(
      {
        try {
          SendSidRandomRun(rig.link, rig.host, MakeRun(0, 0, 1, 1), MakeSidRandomGrid(), 750);
        } catch (const ZpmError &e) {
          EXPECT_STREQ(e.what(), "Midi output device not open.");
          throw;
        }
      },
      ZpmError);
  EXPECT_TRUE(rig.Sent().empty());
  EXPECT_EQ(rig.host.progressCount, -1);
}

TEST(SidRandomSend, CancelStopsAfterThePatchInProgress) {
  for (int steps : {0, 1, 3}) {
    SCOPED_TRACE(steps);
    TSimRig rig;
    rig.host.cancelAfterSteps = steps;
    const TRandomSendReport report =
        SendSidRandomRun(rig.link, rig.host, MakeRun(1, 0, 1, 10), MakeSidRandomGrid(), 100);
    const int expected = std::max(steps, 1);
    EXPECT_EQ(report.sent, expected);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(rig.Sent().size(), static_cast<size_t>(expected + 1));
    EXPECT_EQ(rig.host.delays.size(), static_cast<size_t>(expected + 1)); // pause waited
    EXPECT_EQ(rig.host.progressEnds, 1);
  }
}

TEST(FmRandomSend, AnswersAreCountedAndEveryVoiceGetsTheFullPause) {
  TSimOptions options;
  options.fmVoiceBanks = 0x01; // only bank A
  struct Case {
    int bank;
    int acknowledged;
    int refused;
    const char *refusal;
  };
  const Case cases[] = {
      {0, 3, 0, ""},
      {4, 0, 3,
       "The synthesizer refused 3 of 3 voices sent to bank E, so they were not stored. Check "
       "that the synthesizer has bank E and create the voices again."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bank);
    TSimRig rig(options);
    const RangeGrid grid = MakeFmRandomGrid();
    const RandomRun run = MakeRun(77, c.bank, 126, 5);
    const TRandomSendReport report = SendFmRandomRun(rig.link, rig.host, run, grid, 1500);
    EXPECT_EQ(report.sent, 3);
    EXPECT_EQ(report.acknowledged, c.acknowledged);
    EXPECT_EQ(report.refused, c.refused);
    EXPECT_EQ(report.unanswered, 0);
    EXPECT_EQ(rig.host.delays, std::vector<int>(3, 1500));
    EXPECT_EQ(FmRefusalText(run, report), c.refusal);
    EXPECT_EQ(rig.host.progressCount, 5);
    const Bytes file = CreateFmRandomFile(run, grid);
    const std::vector<Bytes> sent = rig.Sent();
    ASSERT_EQ(sent.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      const auto at = file.begin() + static_cast<long>(i * kFmDumpSize);
      EXPECT_EQ(sent[i], Bytes(at, at + kFmDumpSize));
      if (c.refused == 0) {
        EXPECT_EQ(rig.Synth().FmPatchData(kFmVoice, 0, static_cast<uint8_t>(125 + i)),
                  Bytes(at + kFmDataOffset, at + kFmDataOffset + kDataSize));
      }
    }
  }
}

TEST(FmRandomSend, ASilentDeviceCountsAsUnanswered) {
  TSimOptions options;
  options.fmId = 3; // the voices go to device 0: nobody answers
  TSimRig rig(options);
  const TRandomSendReport report =
      SendFmRandomRun(rig.link, rig.host, MakeRun(5, 0, 1, 2), MakeFmRandomGrid(), 200);
  EXPECT_EQ(report.sent, 2);
  EXPECT_EQ(report.unanswered, 2);
  EXPECT_EQ(FmRefusalText(MakeRun(5, 0, 1, 2), report), "");
}

// Backup, run and read-back as a send does them: the bank is saved before
// the first patch goes out, and the slot of a write the device lost differs.
TEST(RandomSendSafety, BackupThenRunThenVerify) {
  using R = TSendResult;
  TSimOptions dropSecond;
  dropSecond.dropWrite = 2;
  TSimOptions noBankB;
  noBankB.sidBanks = static_cast<TBankMask>(kAllBanks & ~0x02);
  noBankB.fmVoiceBanks = noBankB.sidBanks;
  TSimOptions silent;
  silent.fault = {TSimFaultKind::Silence, 0, 1};
  struct Case {
    const char *what;
    bool fm;
    TSimOptions sim;
    int bank;
    std::vector<R> results;
    int backedUp; // patches handed to the backup; -1: none saved
    const char *problem;
  };
  const Case cases[] = {
      {"SID, a lost write", false, dropSecond, 2, {R::Verified, R::Differs, R::Verified}, 128, ""},
      {"FM voices", true, TSimOptions{}, 2, {R::Verified, R::Verified, R::Verified}, 128, ""},
      {"SID bank missing",
       false,
       noBankB,
       1,
       {R::NotAvailable, R::NotAvailable, R::NotAvailable},
       -1,
       ""},
      {"FM bank missing",
       true,
       noBankB,
       1,
       {R::NotAvailable, R::NotAvailable, R::NotAvailable},
       -1,
       ""},
      {"SID backup cut off",
       false,
       silent,
       2,
       {R::NotSent, R::NotSent, R::NotSent},
       -1,
       "The backup of bank C is incomplete (no answer), so nothing was sent."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TSimRig rig(c.sim);
    rig.host.defaultWaitAnswer = kWaitClosed;
    const RandomRun run = MakeRun(8, c.bank, 5, 3);
    const RangeGrid grid = c.fm ? MakeFmRandomGrid() : MakeSidRandomGrid();
    std::vector<Bytes> before;
    for (uint8_t n = 0; n < 128; ++n)
      before.push_back(c.fm ? rig.Synth().FmPatchData(kFmVoice, static_cast<uint8_t>(c.bank), n)
                            : rig.Synth().SidPatchData(static_cast<uint8_t>(c.bank), n));
    int backedUp = -1;
    size_t sentAtBackup = 0;
    const auto save = [&](const auto &banks) {
      backedUp = banks.Count();
      sentAtBackup = rig.Sent().size();
      for (int n = 0; n < banks.Count(); ++n)
        EXPECT_EQ(Bytes(banks.GetPatch(n).Data(), banks.GetPatch(n).Data() + kDataSize),
                  before[static_cast<size_t>(n)]);
      return std::string("backup.syx");
    };
    TRandomSendReport report;
    if (c.fm) {
      TFmSendOptions options;
      options.backup = options.verify = true;
      options.saveBackup = save;
      report = SendFmRandomRun(rig.link, rig.host, run, grid, options);
    } else {
      TSidSendOptions options;
      options.backup = options.verify = true;
      options.saveBackup = save;
      report = SendSidRandomRun(rig.link, rig.host, run, grid, options);
    }
    const TSendReport &send = report.send;
    std::vector<R> results;
    for (const TSendItem &item : send.items) {
      results.push_back(item.result);
      EXPECT_EQ(item.name, RandomPatchName(item.number) + std::string(2, ' '));
      EXPECT_EQ(item.bank, c.bank);
    }
    EXPECT_EQ(results, c.results);
    EXPECT_EQ(send.items.front().number, 4);
    EXPECT_EQ(backedUp, c.backedUp);
    EXPECT_EQ(send.backupProblem.empty(), *c.problem == '\0');
    EXPECT_EQ(send.backupProblem.rfind(c.problem, 0), 0u) << send.backupProblem;
    // Only the fetches of the backup had gone out when it was saved.
    for (size_t i = 0; i < sentAtBackup; ++i)
      EXPECT_LT(rig.Sent()[i].size(), kSidDumpSize);
    EXPECT_EQ(send.AllDone(), c.results == std::vector<R>(3, R::Verified));
  }
}

} // namespace
} // namespace zpm
