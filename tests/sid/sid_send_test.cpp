// SPDX-License-Identifier: GPL-3.0-or-later
// The SID sends against the simulated SID: which Patch Dumps go out and where
// they land in its memory, what the user is asked or told, Cancel, the
// refusal of patches that cannot be sent whole, backups and read-back.

#include "sid/sid_send.h"

#include "patch/error.h"
#include "sid/sid_messages.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>

namespace zpm {
namespace {

const char *const kProbeRefusal = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nPlease use the "
                                  "<Send selected patch to destination> function";
const char *const kWriteQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nWrite to this "
                                   "Bank ?";

struct TSlot {
  int bank;
  int number; // 0..127
};

// A patch whose data bytes tell its row apart from every other patch and
// from the simulator's seeded memory.
TPatch MakePatch(int row, TSlot slot) {
  TPatch patch;
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((row * 7 + i * 3 + 11) & 0x7F);
  patch.Data()[0] = 'R';
  patch.Data()[1] = static_cast<uint8_t>('0' + row % 10);
  patch.SetPatchNumber(static_cast<uint8_t>(slot.number));
  patch.SetDeviceNumber(9); // as stored in a file; the Config page's ID goes out instead
  patch.Bank = static_cast<uint8_t>(slot.bank);
  patch.UpdateChecksum();
  return patch;
}

TPatchBank MakeList(const std::vector<TSlot> &slots) {
  TPatchBank list;
  for (size_t row = 0; row < slots.size(); ++row)
    list.Add(MakePatch(static_cast<int>(row), slots[row]));
  return list;
}

Bytes Data(const TPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

// The Patch Dumps among the sent messages, as (patch number, data).
std::vector<Bytes> SentDumps(TSimRig &rig) {
  std::vector<Bytes> dumps;
  for (const Bytes &message : rig.Sent())
    if (message.size() == kSidDumpSize && message[6] == kSidPatchDump)
      dumps.push_back(message);
  return dumps;
}

std::vector<TSendResult> Results(const TSendReport &report) {
  std::vector<TSendResult> results;
  for (const TSendItem &item : report.items)
    results.push_back(item.result);
  return results;
}

TSidSendOptions Options() {
  TSidSendOptions options;
  options.device = 3;
  options.delayMs = 750;
  return options;
}

TSimOptions SimWithId(uint8_t id) {
  TSimOptions options;
  options.sidId = id;
  return options;
}

constexpr TSendResult W = TSendResult::Written;
constexpr TSendResult NA = TSendResult::NotAvailable;
constexpr TSendResult NS = TSendResult::NotSent;

TEST(SidSend, EachJobWritesItsSlotsAndNothingElse) {
  struct Case {
    const char *name;
    TSimOptions sim;
    std::vector<TSlot> list;
    TSidSendJob job;
    std::vector<bool> answers;
    std::vector<TSlot> written; // where each sent row landed, in order
    std::vector<int> rows;      // the rows sent
    std::vector<TSendResult> results;
    std::vector<std::string> notices;
    std::vector<std::string> questions;
    int steps;
  };
  TSimOptions aAndB = SimWithId(3);
  aAndB.sidBanks = 0x03;
  TSimOptions single = SimWithId(3);
  single.firmware16 = true;
  const std::string threeQuestion =
      "There is more than one patch selected, all selected patched will be stored sequentially "
      "starting at 127.\r\nContinue ?";
  const std::vector<Case> cases = {
      {"all to their own slots, bank C missing",
       aAndB,
       {{0, 5}, {0, 6}, {2, 7}, {2, 8}, {1, 0}},
       {},
       {},
       {{0, 5}, {0, 6}, {1, 0}},
       {0, 1, 4},
       {W, W, NA, NA, W},
       {"Bank C not available."},
       {},
       5},
      {"all on a device without Bank Select",
       single,
       {{0, 5}, {1, 6}},
       {},
       {},
       {},
       {},
       {NS, NS},
       {kProbeRefusal},
       {},
       0},
      {"three rows from 127",
       SimWithId(3),
       {{0, 1}, {0, 2}, {0, 3}, {0, 4}},
       {TSidSendMode::Rows, 0, 4, 126, {3, 0, 2}},
       {true},
       {{4, 126}, {4, 127}},
       {0, 2},
       {W, W, NS},
       {},
       {threeQuestion},
       2},
      {"rows declined",
       SimWithId(3),
       {{0, 1}, {0, 2}},
       {TSidSendMode::Rows, 0, 4, 4, {0, 1}},
       {false},
       {},
       {},
       {NS, NS},
       {},
       {"There is more than one patch selected, all selected patched will be stored sequentially "
        "starting at 5.\r\nContinue ?"},
       0},
      {"one row to a single-PatchCart device, Yes",
       single,
       {{2, 40}},
       {TSidSendMode::Rows, 0, 5, 9, {0}},
       {true},
       {{0, 9}},
       {0},
       {W},
       {},
       {kWriteQuestion},
       1},
      {"one row to a missing bank",
       aAndB,
       {{0, 40}},
       {TSidSendMode::Rows, 0, 5, 9, {0}},
       {},
       {},
       {},
       {NA},
       {"Bank F not available."},
       {},
       0},
      {"all patches of bank B",
       SimWithId(3),
       {{0, 1}, {1, 2}, {2, 3}, {1, 100}},
       {TSidSendMode::Bank, 1, 6, 0, {}},
       {},
       {{6, 2}, {6, 100}},
       {1, 3},
       {W, W},
       {},
       {},
       2},
      {"fetched patch 10 to position 1",
       SimWithId(3),
       {{3, 9}},
       {TSidSendMode::PatchTo, 0, 2, 0, {0}},
       {},
       {{2, 0}},
       {0},
       {W},
       {},
       {},
       0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.sim);
    rig.host.answers.assign(c.answers.begin(), c.answers.end());
    TSimRig before(c.sim);
    const TPatchBank list = MakeList(c.list);
    const TPatchBank copy = list;
    TSidSendJob job = c.job;
    const TSendReport report = RunSidSend(rig.link, rig.host, Options(), job, list);
    EXPECT_EQ(Results(report), c.results);
    EXPECT_EQ(rig.host.notices, c.notices);
    EXPECT_EQ(rig.host.questions, c.questions);
    EXPECT_EQ(rig.host.progressSteps, c.steps);
    const std::vector<Bytes> dumps = SentDumps(rig);
    ASSERT_EQ(dumps.size(), c.written.size());
    for (size_t i = 0; i < dumps.size(); ++i) {
      const TPatch &patch = list.GetPatch(c.rows[i]);
      EXPECT_EQ(dumps[i][5], 3) << "the Config page's device ID goes out";
      EXPECT_EQ(dumps[i][7], c.written[i].number);
      const auto bank = static_cast<uint8_t>(c.written[i].bank);
      const auto number = static_cast<uint8_t>(c.written[i].number);
      EXPECT_EQ(rig.Synth().SidPatchData(bank, number), Data(patch));
    }
    // Nothing else in the device changed, and the list is as it was.
    int changed = 0;
    for (uint8_t bank = 0; bank < 8; ++bank)
      for (uint8_t n = 0; n < 128; ++n)
        changed += rig.Synth().SidPatchData(bank, n) != before.Synth().SidPatchData(bank, n);
    EXPECT_EQ(changed, static_cast<int>(c.written.size()));
    ASSERT_EQ(list.Count(), copy.Count());
    for (int row = 0; row < list.Count(); ++row)
      EXPECT_EQ(list.GetPatch(row).Dump, copy.GetPatch(row).Dump);
    const bool progress = c.job.mode != TSidSendMode::PatchTo && !report.declined;
    EXPECT_EQ(rig.host.progressEnds, progress ? 1 : 0);
  }
}

TEST(SidSend, APauseFollowsEachPatchDumpExceptTheSingleStore) {
  TSimRig rig(SimWithId(3));
  const TPatchBank list = MakeList({{0, 1}, {0, 2}, {0, 3}});
  RunSidSend(rig.link, rig.host, Options(), {}, list);
  // The probe's pause, the selection of bank A, then one per patch.
  EXPECT_EQ(rig.host.delays, (std::vector<int>(5, 750)));

  TSimRig store(SimWithId(3));
  RunSidSend(store.link, store.host, Options(), {TSidSendMode::PatchTo, 0, 1, 4, {2}}, list);
  EXPECT_EQ(store.host.delays, std::vector<int>{750}); // the selection only
  EXPECT_EQ(store.host.busy, (std::vector<bool>{true, false}));
}

TEST(SidSend, CancelStopsEveryLoopAfterThePatchInProgress) {
  const std::vector<TSlot> slots = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}};
  const std::vector<std::pair<const char *, TSidSendJob>> jobs = {
      {"patch list", {}},
      {"all patches", {TSidSendMode::Bank, 0, 1, 0, {}}},
      {"sel. patches", {TSidSendMode::Rows, 0, 1, 0, {0, 1, 2, 3, 4}}}};
  // A signal in the first Bank Select's pause cuts its answer off: that says
  // nothing of the device, and nothing is written.
  for (const bool signal : {false, true})
    for (const auto &[name, job] : jobs) {
      SCOPED_TRACE(std::string(name) + (signal ? ", a signal in the Bank Select" : ""));
      TSimRig rig(SimWithId(3));
      rig.host.defaultAnswer = true;
      rig.host.cancelAfterSteps = 2;
      rig.host.during = [&](TFakeWait kind, int number) {
        if (signal && kind == TFakeWait::Delay && number == 1) {
          rig.reception.Stop();
          rig.host.cancelAfterSteps = 0;
        }
      };
      const TSendReport report = RunSidSend(rig.link, rig.host, Options(), job, MakeList(slots));
      const size_t written = signal ? 0 : 2;
      EXPECT_EQ(SentDumps(rig).size(), written);
      EXPECT_TRUE(report.cancelled);
      std::vector<TSendResult> results(5, NS);
      std::fill(results.begin(), results.begin() + static_cast<long>(written), W);
      EXPECT_EQ(Results(report), results);
      EXPECT_EQ(report.items[2].reason, "cancelled");
      EXPECT_EQ(rig.host.progressEnds, 1);
      EXPECT_FALSE(report.AllDone());
    }
}

// A SID write has no answer: when the port goes during the pause after a
// patch, that patch's arrival is unknown, the ones before it are written
// and the rest are not sent; a port gone during a Bank Select leaves no
// patch in flight. Delays count the Bank Select pauses too.
TEST(SidSend, APortThatGoesEndsTheRunWithThePatchInFlightUnknown) {
  constexpr TSendResult U = TSendResult::Unknown;
  const std::vector<TSlot> slots = {{0, 1}, {0, 2}, {1, 3}, {1, 4}};
  struct TCase {
    const char *name;
    TSidSendJob job;
    int lostAtDelay;
    std::vector<TSendResult> results;
  } cases[] = {
      // Delays: the probe, bank A, 2 patches, bank B, 2 patches.
      {"patch list, after patch 2", {}, 4, {W, U, NS, NS}},
      {"patch list, at bank B", {}, 5, {W, W, NS, NS}},
      // Delays: bank C, then a pause per patch.
      {"all patches", {TSidSendMode::Bank, 1, 2, 0, {}}, 2, {U, NS}},
      {"sel. patches", {TSidSendMode::Rows, 0, 2, 0, {0, 1, 2, 3}}, 4, {W, W, U, NS}},
      {"one patch, at the Bank Select", {TSidSendMode::PatchTo, 0, 2, 5, {1}}, 1, {NS}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(SimWithId(3));
    rig.host.defaultAnswer = true;
    rig.host.during = [&](TFakeWait kind, int number) {
      if (kind == TFakeWait::Delay && number == c.lostAtDelay)
        rig.Simulator().LoseService("The MIDI port zavorin-sim:in has gone.");
    };
    const TSendReport report = RunSidSend(rig.link, rig.host, Options(), c.job, MakeList(slots));
    EXPECT_EQ(Results(report), c.results);
    EXPECT_EQ(report.lostReason, "The MIDI port zavorin-sim:in has gone.");
    // The slots left say only that the connection went; the service stayed.
    for (const TSendItem &item : report.items)
      if (item.result == NS) {
        EXPECT_EQ(item.reason, "the connection was lost");
      }
    EXPECT_FALSE(report.AllDone());
  }
}

TEST(SidSend, APatchThatCannotBeSentWholeStopsTheRunBeforeAnything) {
  struct TBreak {
    const char *what;
    std::function<void(TPatch &)> breakIt;
  } breaks[] = {
      {" holds a byte of 80h or above", [](TPatch &p) { p.Data()[40] = 0x80; }},
      {" is cut short in its file", [](TPatch &p) { p.CutShort = true; }},
  };
  const std::string text = "Patch B:17 \"R1";
  const std::vector<TSidSendJob> jobs = {{},
                                         {TSidSendMode::Bank, 1, 0, 0, {}},
                                         {TSidSendMode::Rows, 0, 0, 0, {0, 1}},
                                         {TSidSendMode::PatchTo, 0, 0, 0, {1}}};
  for (const TBreak &broken : breaks) {
    SCOPED_TRACE(broken.what);
    TPatchBank list = MakeList({{0, 1}, {1, 16}, {1, 17}});
    broken.breakIt(list.GetPatch(1));
    for (const TSidSendJob &job : jobs) {
      TSimRig rig;
      rig.host.defaultAnswer = true;
      try {
        RunSidSend(rig.link, rig.host, Options(), job, list);
        ADD_FAILURE() << "the broken patch was not refused";
      } catch (const ZpmError &error) {
        const std::string what = error.what();
        EXPECT_EQ(what.rfind(text, 0), 0u) << what;
        EXPECT_NE(what.find(std::string("in row 2") + broken.what), std::string::npos) << what;
      }
      EXPECT_TRUE(rig.Sent().empty());
      EXPECT_TRUE(rig.host.questions.empty());
    }
    // Rows that would go past 128 are not sent, so they are not in the way.
    TSimRig rig(SimWithId(3));
    rig.host.defaultAnswer = true;
    const TSendReport report =
        RunSidSend(rig.link, rig.host, Options(), {TSidSendMode::Rows, 0, 0, 127, {0, 1}}, list);
    EXPECT_EQ(Results(report), (std::vector<TSendResult>{W, NS}));
  }
}

TEST(SidSend, TheDeviceCheckNamesTheDeviceThatIsMissing) {
  for (bool inputMissing : {false, true}) {
    TSimRig rig;
    (inputMissing ? rig.link.InputDeviceIndex : rig.link.OutputDeviceIndex) = -1;
    try {
      RunSidSend(rig.link, rig.host, Options(), {}, MakeList({{0, 1}}));
      ADD_FAILURE() << "no error";
    } catch (const ZpmError &error) {
      EXPECT_STREQ(error.what(),
                   inputMissing ? "Midi input device not open." : "Midi output device not open.");
    }
    EXPECT_TRUE(rig.Sent().empty());
    // An empty list is no run at all, open devices or not.
    EXPECT_TRUE(RunSidSend(rig.link, rig.host, Options(), {}, TPatchBank{}).items.empty());
  }
}

TEST(SidSend, TheBackupHoldsTheDestinationBanksAsTheyWereBefore) {
  TSimOptions sim;
  sim.sidId = 3;
  sim.sidBanks = 0x0B; // A, B, D
  TSimRig rig(sim);
  TSimRig before(sim);
  TSidSendOptions options = Options();
  options.backup = true;
  TPatchBank saved;
  options.saveBackup = [&](const TPatchBank &banks) {
    saved = banks;
    return std::string("/backups/sid.syx");
  };
  const TSendReport report =
      RunSidSend(rig.link, rig.host, options, {}, MakeList({{1, 4}, {2, 9}, {3, 5}}));
  EXPECT_EQ(report.backupPath, "/backups/sid.syx");
  ASSERT_EQ(saved.Count(), 256); // B and D; C is missing, so nothing is written there
  for (int i = 0; i < saved.Count(); ++i) {
    const TPatch &patch = saved.GetPatch(i);
    EXPECT_EQ(patch.Bank, i < 128 ? 1 : 3);
    EXPECT_EQ(Data(patch), before.Synth().SidPatchData(patch.Bank, patch.PatchNumber()));
  }
  EXPECT_EQ(Results(report), (std::vector<TSendResult>{W, NA, W}));
  EXPECT_FALSE(report.AllDone()); // the patch for bank C was not written
  bool logged = false;
  for (size_t i = 0; i < rig.log.Count(); ++i)
    logged = logged || rig.log.LineFromOldest(i).find("Backup of banks B, D saved to "
                                                      "/backups/sid.syx") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST(SidSend, AnIncompleteBackupSendsNothing) {
  struct Case {
    const char *name;
    TSimFault fault;
    bool saveFails;
    std::string problem;
    bool portGoes = false; // at the first wait
  };
  const std::vector<Case> cases = {
      {"second bank silent",
       {TSimFaultKind::Silence, 0, 2},
       false,
       "The backup of bank C is incomplete (no answer), so nothing was sent."},
      {"first bank cut short",
       {TSimFaultKind::Spliced, 30297, 1},
       false,
       "The backup of bank A is incomplete (cut short), so nothing was sent."},
      {"file not written", {}, true, "Disk full. Nothing was sent."},
      {"port gone",
       {},
       false,
       "The backup of bank A is incomplete (connection lost), so nothing was sent.",
       true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TSimOptions sim;
    sim.fault = c.fault;
    TSimRig rig(sim);
    rig.host.defaultWaitAnswer = kWaitClosed;
    if (c.portGoes)
      rig.host.during = [&](TFakeWait, int) {
        rig.Simulator().LoseService("The MIDI port zavorin-sim:in has gone.");
      };
    TSidSendOptions options = Options();
    options.device = 0;
    options.backup = true;
    options.saveBackup = [&](const TPatchBank &) -> std::string {
      if (c.saveFails)
        throw ZpmError("Disk full.");
      return "x";
    };
    const TSendReport report =
        RunSidSend(rig.link, rig.host, options, {}, MakeList({{0, 1}, {2, 2}}));
    EXPECT_EQ(report.backupProblem.rfind(c.problem, 0), 0u) << report.backupProblem;
    EXPECT_TRUE(SentDumps(rig).empty());
    EXPECT_EQ(Results(report), (std::vector<TSendResult>{NS, NS}));
    EXPECT_FALSE(report.AllDone());
  }
}

// A write whose bytes left while the service fell behind goes out again,
// up to three times in all; after that its arrival is unknown, and reading
// the slot back tells.
TEST(SidSend, AWriteTheServiceFellBehindOnGoesOutAgain) {
  constexpr TSendResult U = TSendResult::Unknown;
  constexpr TSendResult V = TSendResult::Verified;
  const struct {
    int behind;
    bool verify;
    std::vector<TSendResult> results;
    int tries;
  } cases[] = {
      {1, false, {W, W}, 2},
      {3, false, {U, W}, 3},
      {3, true, {V, V}, 3},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.behind);
    TSimRig rig(SimWithId(3));
    rig.Simulator().FallBehind(c.behind);
    TSidSendOptions options = Options();
    options.verify = c.verify;
    const TPatchBank list = MakeList({{0, 1}, {0, 2}});
    const TSendReport report = RunSidSend(rig.link, rig.host, options, {}, list);
    EXPECT_EQ(Results(report), c.results);
    EXPECT_EQ(report.items[0].tries, c.tries);
    EXPECT_EQ(report.items[0].reason.empty(), c.results[0] != U);
    EXPECT_EQ(report.AllDone(), c.results[0] != U);
    EXPECT_EQ(SentDumps(rig).size(), static_cast<size_t>(c.tries + 1));
    EXPECT_EQ(rig.Synth().SidPatchData(0, 1), Data(list.GetPatch(0)));
  }
}

TEST(SidSend, VerificationFindsTheLostWriteAndRetrySendsItAgain) {
  TSimOptions sim;
  sim.dropWrite = 2;
  TSimRig rig(sim);
  TSidSendOptions options = Options();
  options.device = 0;
  options.verify = true;
  const TPatchBank list = MakeList({{0, 1}, {0, 2}, {1, 3}});
  TSendReport report = RunSidSend(rig.link, rig.host, options, {}, list);
  EXPECT_TRUE(report.verified);
  EXPECT_EQ(Results(report), (std::vector<TSendResult>{TSendResult::Verified, TSendResult::Differs,
                                                       TSendResult::Verified}));
  EXPECT_EQ(report.FailedRows(), std::vector<int>{1});
  EXPECT_FALSE(report.AllDone());

  RetrySidSlots(rig.link, rig.host, options, list, report);
  EXPECT_EQ(Results(report), (std::vector<TSendResult>(3, TSendResult::Verified)));
  EXPECT_EQ(report.items[1].tries, 2);
  EXPECT_TRUE(report.AllDone());
  EXPECT_EQ(rig.Synth().SidPatchData(0, 2), Data(list.GetPatch(1)));
}

TEST(SidSend, CancelStopsTheRetryLoopToo) {
  TSimRig rig;
  TSidSendOptions options = Options();
  options.device = 0;
  const TPatchBank list = MakeList({{0, 1}, {0, 2}, {0, 3}});
  TSendReport report = RunSidSend(rig.link, rig.host, options, {}, list);
  for (TSendItem &item : report.items)
    item.result = TSendResult::Differs;
  rig.host.cancelAfterSteps = 1;
  RetrySidSlots(rig.link, rig.host, options, list, report);
  EXPECT_EQ(SentDumps(rig).size(), 4u); // three, then one again
  EXPECT_EQ(Results(report),
            (std::vector<TSendResult>{W, TSendResult::Differs, TSendResult::Differs}));
  EXPECT_EQ(report.FailedRows(), (std::vector<int>{1, 2}));
}

TEST(SidSend, ASlotThatCannotBeReadBackIsNotCalledVerified) {
  TSimOptions sim;
  sim.fault = {TSimFaultKind::Silence, 0, 1};
  TSimRig rig(sim);
  rig.host.defaultWaitAnswer = kWaitClosed;
  TSidSendOptions options = Options();
  options.device = 0;
  options.verify = true;
  const TSendReport report = RunSidSend(rig.link, rig.host, options,
                                        {TSidSendMode::PatchTo, 0, 0, 0, {0}}, MakeList({{0, 1}}));
  EXPECT_EQ(Results(report), std::vector<TSendResult>{TSendResult::Unverified});
  EXPECT_EQ(report.items[0].reason, "reading it back: no answer");
  EXPECT_EQ(report.FailedRows(), std::vector<int>{0});
}

} // namespace
} // namespace zpm
