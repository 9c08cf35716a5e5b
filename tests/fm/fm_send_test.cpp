// SPDX-License-Identifier: GPL-3.0-or-later
// The FM sends against the simulated FM: which slots are written and where
// they land in its memory, the refusal and the missing acknowledgement,
// the copy question, Cancel, progress that ends full, the waits each send
// uses, and the backup, read-back and retry around a run.

#include "fm/fm_send.h"

#include "fm/fm_messages.h"
#include "patch/error.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>

namespace zpm {
namespace {

struct TSlot {
  uint8_t type;
  int bank;
  int number; // 0-based
};

// A patch whose data bytes tell its row apart from every other patch and
// from the simulator's seeded memory.
TFMPatch MakePatch(int row, TSlot slot) {
  TFMPatch patch;
  patch.SetPatchType(slot.type);
  patch.SetBank(static_cast<uint8_t>(slot.bank));
  patch.SetPatchNumber(static_cast<uint8_t>(slot.number));
  patch.SetDeviceNumber(9); // as a file holds it; the Config page's ID goes out instead
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((row * 13 + i * 7 + 5) & 0x7F);
  patch.UpdateChecksum();
  return patch;
}

struct TLists {
  TFMPatchBank voices, drums, ensembles;
  TFmLists View() const { return {voices, drums, ensembles}; }
  void Add(TSlot slot) {
    TFMPatchBank &list = slot.type == kFmDrumset    ? drums
                         : slot.type == kFmEnsemble ? ensembles
                                                    : voices;
    list.Add(
        MakePatch(voices.Count() + 100 * drums.Count() + 50 * ensembles.Count() + slot.bank, slot));
  }
};

Bytes Data(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

Bytes Memory(TSimRig &rig, uint8_t type, int bank, int number) {
  return rig.Synth().FmPatchData(type, static_cast<uint8_t>(bank), static_cast<uint8_t>(number));
}

std::vector<TSendResult> Results(const TSendReport &report) {
  std::vector<TSendResult> results;
  for (const TSendItem &item : report.items)
    results.push_back(item.result);
  return results;
}

size_t Writes(TSimRig &rig) {
  size_t count = 0;
  for (const Bytes &message : rig.Sent())
    count += message.size() == kFmDumpSize ? 1 : 0;
  return count;
}

TFmSendOptions Options() {
  TFmSendOptions options;
  options.device = 0;
  options.ackTimeoutMs = 1500;
  return options;
}

TSimOptions SimId(uint8_t id) {
  TSimOptions options;
  options.fmId = id;
  return options;
}

TFmSendJob Job(TFmSendMode mode, uint8_t type = kFmVoice) {
  TFmSendJob job;
  job.mode = mode;
  job.type = type;
  return job;
}

constexpr auto W = TSendResult::Written;
constexpr auto N = TSendResult::NotSent;

TEST(FmSendOps, AllTypesAndOneTypeWriteEachPatchToItsOwnSlot) {
  struct TCase {
    const char *name;
    TFmSendJob job;
    std::vector<int> written; // rows of lists in voices, drums, ensembles order
  };
  const std::vector<TCase> cases = {
      {"all types", Job(TFmSendMode::AllTypes), {0, 1, 2, 3, 4, 5}},
      {"drumsets", Job(TFmSendMode::Type, kFmDrumset), {3, 4}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(SimId(2));
    TLists lists;
    const std::vector<TSlot> slots = {{kFmEnsemble, 7, 31}, {kFmVoice, 0, 0}, {kFmDrumset, 4, 15},
                                      {kFmVoice, 3, 127},   {kFmVoice, 1, 9}, {kFmDrumset, 0, 2}};
    for (const TSlot &slot : slots)
      lists.Add(slot);
    TFmSendOptions options = Options();
    options.device = 2;
    const TSendReport report = RunFmSend(rig.link, rig.host, options, c.job, lists.View());
    // Voices first, then drumsets, then ensembles, each in list order.
    const std::vector<TSlot> order = {{kFmVoice, 0, 0},   {kFmVoice, 3, 127},
                                      {kFmVoice, 1, 9},   {kFmDrumset, 4, 15},
                                      {kFmDrumset, 0, 2}, {kFmEnsemble, 7, 31}};
    ASSERT_EQ(report.items.size(), c.written.size());
    for (size_t i = 0; i < c.written.size(); ++i) {
      const TSlot &slot = order[static_cast<size_t>(c.written[i])];
      const TSendItem &item = report.items[i];
      EXPECT_EQ(item.type, slot.type);
      EXPECT_EQ(item.bank, slot.bank);
      EXPECT_EQ(item.number, slot.number);
      EXPECT_EQ(item.result, W);
      EXPECT_EQ(Memory(rig, slot.type, slot.bank, slot.number),
                Data(lists.View().Of(slot.type).GetPatch(item.row)));
    }
    EXPECT_EQ(rig.host.progressCount, static_cast<int>(c.written.size()));
    EXPECT_EQ(rig.host.progressSteps, rig.host.progressCount); // the bar ends full
    EXPECT_EQ(rig.host.progressEnds, 1);
    EXPECT_TRUE(report.AllDone());
    for (const Bytes &message : rig.Sent())
      EXPECT_EQ(message[5], 2); // the Config page's device ID, not the file's
  }
}

TEST(FmSendOps, NothingToSendDoesNothingAtAll) {
  struct TCase {
    const char *name;
    TFmSendJob job;
    std::vector<TSlot> slots;
  };
  TFmSendJob fromB = Job(TFmSendMode::Bank, kFmDrumset);
  fromB.sourceBank = 1;
  const std::vector<TCase> cases = {
      {"send all of an empty type", Job(TFmSendMode::Type, kFmEnsemble), {{kFmVoice, 0, 0}}},
      {"all types, all empty", Job(TFmSendMode::AllTypes), {}},
      {"copy all from bank B without a bank-B patch", fromB, {{kFmDrumset, 0, 3}}},
      {"selected with nothing selected", Job(TFmSendMode::Selected), {{kFmVoice, 0, 0}}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig;
    rig.link.OutputDeviceIndex = -1; // not even the device check is reached
    TLists lists;
    for (const TSlot &slot : c.slots)
      lists.Add(slot);
    const TSendReport report = RunFmSend(rig.link, rig.host, Options(), c.job, lists.View());
    EXPECT_TRUE(report.items.empty());
    EXPECT_EQ(rig.host.progressCount, -1);
    EXPECT_TRUE(rig.host.notices.empty());
  }
}

TEST(FmSendOps, ARefusedOrUnansweredWriteStopsTheRunNamingItsBank) {
  struct TCase {
    const char *name;
    TFmSendJob job;
    int ackTimeoutMs;
    bool holdReplies;
    std::string notice;
    std::vector<TSendResult> results;
  };
  TFmSendJob copyToC = Job(TFmSendMode::Bank);
  copyToC.sourceBank = 0;
  copyToC.destBank = 2;
  const std::vector<TCase> cases = {
      {"send all: its own bank C refused",
       Job(TFmSendMode::Type),
       1500,
       false,
       "Bank C not available.",
       {W, W, TSendResult::NotAvailable, N}},
      {"copy: the destination bank C refused",
       copyToC,
       1500,
       false,
       "Bank C not available.",
       {TSendResult::NotAvailable}},
      {"acknowledge timeout 0: nothing is in by the first pass",
       Job(TFmSendMode::Type),
       0,
       true,
       "Bank A not available.",
       {TSendResult::NoAnswer, N, N, N}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimOptions sim;
    sim.fmVoiceBanks = 0b1111'1011; // no bank C
    TSimRig rig(sim);
    if (c.holdReplies)
      rig.HoldReplies();
    TLists lists;
    for (const TSlot &slot :
         std::vector<TSlot>{{kFmVoice, 0, 4}, {kFmVoice, 1, 5}, {kFmVoice, 2, 6}, {kFmVoice, 3, 7}})
      lists.Add(slot);
    TFmSendOptions options = Options();
    options.device = 0;
    options.ackTimeoutMs = c.ackTimeoutMs;
    const TSendReport report = RunFmSend(rig.link, rig.host, options, c.job, lists.View());
    EXPECT_EQ(rig.host.notices, std::vector<std::string>{c.notice});
    EXPECT_EQ(Results(report), c.results);
    EXPECT_EQ(Writes(rig), static_cast<size_t>(rig.host.progressSteps));
    EXPECT_FALSE(report.AllDone());
    EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
    rig.ReleaseReplies();
  }
}

TEST(FmSendOps, CopyOfABankKeepsEachPatchNumber) {
  TSimRig rig;
  TLists lists;
  for (int n = 0; n < 16; ++n)
    lists.Add({kFmDrumset, 0, n});
  lists.Add({kFmDrumset, 1, 0}); // another bank: not copied
  TFmSendJob job = Job(TFmSendMode::Bank, kFmDrumset);
  job.sourceBank = 0;
  job.destBank = 3;
  const Bytes untouched = Memory(rig, kFmDrumset, 0, 0);
  const TSendReport report = RunFmSend(rig.link, rig.host, Options(), job, lists.View());
  ASSERT_EQ(report.items.size(), 16u);
  for (int n = 0; n < 16; ++n)
    EXPECT_EQ(Memory(rig, kFmDrumset, 3, n), Data(lists.drums.GetPatch(n)));
  EXPECT_EQ(Memory(rig, kFmDrumset, 0, 0), untouched);
  EXPECT_EQ(rig.host.progressCount, 16);
  EXPECT_EQ(rig.host.progressSteps, 16);
  EXPECT_TRUE(rig.host.questions.empty());
}

TEST(FmSendOps, CopyOfSelectedRowsAsksAndStopsAtTheTypesLastSlot) {
  struct TCase {
    const char *name;
    std::vector<int> rows;
    int position; // 0-based
    bool answer;
    std::vector<std::string> questions;
    std::vector<TSendResult> results;
    std::vector<int> slots; // written, 0-based
  };
  const std::string ask30 = "There is more than one patch selected, all selected patched will be "
                            "stored sequentially starting at 30.\r\nContinue ?";
  const std::vector<TCase> cases = {
      {"five from 30", {0, 1, 2, 3, 4}, 29, true, {ask30}, {W, W, W, N, N}, {29, 30, 31}},
      {"five from 30, answered No", {4, 0, 2, 1, 3}, 29, false, {ask30}, {N, N, N, N, N}, {}},
      {"one asks nothing", {3}, 0, false, {}, {W}, {0}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig;
    rig.host.defaultAnswer = c.answer;
    TLists lists;
    for (int n = 0; n < 5; ++n)
      lists.Add({kFmEnsemble, 1, n});
    TFmSendJob job = Job(TFmSendMode::Rows, kFmEnsemble);
    job.rows = c.rows;
    job.destBank = 6;
    job.destPosition = c.position;
    const TSendReport report = RunFmSend(rig.link, rig.host, Options(), job, lists.View());
    EXPECT_EQ(rig.host.questions, c.questions);
    EXPECT_EQ(Results(report), c.results);
    EXPECT_EQ(Writes(rig), c.slots.size());
    for (size_t i = 0; i < c.slots.size(); ++i)
      EXPECT_EQ(Memory(rig, kFmEnsemble, 6, c.slots[i]),
                Data(lists.ensembles.GetPatch(report.items[i].row)));
    if (!c.slots.empty()) {
      EXPECT_EQ(rig.host.progressCount, static_cast<int>(c.slots.size()));
      EXPECT_EQ(rig.host.progressSteps, rig.host.progressCount);
    }
    EXPECT_TRUE(rig.host.notices.empty());
  }
}

TEST(FmSendOps, CancelStopsAfterThePatchInProgress) {
  TSimRig rig;
  TLists lists;
  for (int n = 0; n < 10; ++n)
    lists.Add({kFmVoice, 0, n});
  rig.host.cancelAfterSteps = 3;
  const TSendReport report =
      RunFmSend(rig.link, rig.host, Options(), Job(TFmSendMode::Type), lists.View());
  EXPECT_EQ(Writes(rig), 3u);
  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(report.items[3].result, N);
  EXPECT_EQ(rig.host.progressEnds, 1);
  EXPECT_TRUE(rig.host.notices.empty());
}

TEST(FmSendOps, EachSendWaitsAsItsButtonDoes) {
  struct TCase {
    const char *name;
    TFmSendJob job;
    int byteWaits;           // waits that end on the acknowledgement
    std::vector<int> delays; // waits of the full timeout
    std::vector<bool> busy;
  };
  TFmSendJob selected = Job(TFmSendMode::Selected);
  selected.selected = {{{0, 1}, {0}, {0}}};
  TFmSendJob patchTo = Job(TFmSendMode::PatchTo, kFmDrumset);
  patchTo.rows = {0};
  patchTo.destBank = 4;
  patchTo.destPosition = 15;
  const std::vector<TCase> cases = {
      {"all types", Job(TFmSendMode::AllTypes), 4, {}, {}},
      {"selected: voices on the acknowledgement, the rest the full time",
       selected,
       2,
       {700, 700},
       {}},
      {"the get tab's single send", patchTo, 0, {700}, {true, false}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig;
    TLists lists;
    lists.Add({kFmVoice, 0, 1});
    lists.Add({kFmVoice, 0, 2});
    lists.Add({kFmDrumset, 2, 3});
    lists.Add({kFmEnsemble, 3, 4});
    TFmSendOptions options = Options();
    options.device = 0;
    options.ackTimeoutMs = 700;
    const TSendReport report = RunFmSend(rig.link, rig.host, options, c.job, lists.View());
    EXPECT_EQ(rig.host.byteWaits, c.byteWaits);
    EXPECT_EQ(rig.host.delays, c.delays);
    EXPECT_EQ(rig.host.busy, c.busy);
    EXPECT_TRUE(report.AllDone());
  }
}

TEST(FmSendOps, ThePatchToSlotLandsThereAndARefusalNamesTheChosenBank) {
  TSimOptions sim;
  sim.fmDrumBanks = 0b0001'1111; // E present, F..H not
  TSimRig rig(sim);
  TLists lists;
  lists.Add({kFmDrumset, 0, 0});
  TFmSendJob job = Job(TFmSendMode::PatchTo, kFmDrumset);
  job.rows = {0};
  job.destBank = 4;
  job.destPosition = 15;
  RunFmSend(rig.link, rig.host, Options(), job, lists.View());
  EXPECT_EQ(Memory(rig, kFmDrumset, 4, 15), Data(lists.drums.GetPatch(0)));
  job.destBank = 6;
  const TSendReport refused = RunFmSend(rig.link, rig.host, Options(), job, lists.View());
  EXPECT_EQ(rig.host.notices, std::vector<std::string>{"Bank G not available."});
  EXPECT_EQ(Results(refused), std::vector<TSendResult>{TSendResult::NotAvailable});
  EXPECT_EQ(rig.host.progressCount, -1); // no "Working..." for this one
}

TEST(FmSendOps, APatchThatCannotBeSentWholeStopsTheRunFirst) {
  struct TBreak {
    const char *what;
    std::function<void(TFMPatch &)> breakIt;
  } breaks[] = {
      {" holds a byte of 80h or above", [](TFMPatch &p) { p.Data()[40] = 0x80; }},
      {" is cut short in its file", [](TFMPatch &p) { p.CutShort = true; }},
  };
  for (const TBreak &broken : breaks) {
    SCOPED_TRACE(broken.what);
    TSimRig rig;
    rig.link.OutputDeviceIndex = -1;
    TLists lists;
    lists.Add({kFmVoice, 0, 0});
    lists.Add({kFmVoice, 0, 1});
    broken.breakIt(lists.voices.GetPatch(1));
    try {
      RunFmSend(rig.link, rig.host, Options(), Job(TFmSendMode::AllTypes), lists.View());
      ADD_FAILURE() << "no error";
    } catch (const ZpmError &error) {
      EXPECT_NE(
          std::string(error.what()).find(std::string("voices patch A:2 in row 2") + broken.what),
          std::string::npos)
          << error.what();
    }
    EXPECT_TRUE(rig.Sent().empty());
  }
}

TEST(FmSendOps, ClosedDevicesStopBeforeAnythingIsSent) {
  TSimRig rig;
  rig.link.OutputDeviceIndex = -1;
  TLists lists;
  lists.Add({kFmVoice, 0, 0});
  EXPECT_THROW(RunFmSend(rig.link, rig.host, Options(), Job(TFmSendMode::Type), lists.View()),
               ZpmError);
  EXPECT_TRUE(rig.Sent().empty());
  EXPECT_EQ(rig.host.progressCount, -1);
}

TEST(FmSendOps, RetryOfFailedSlotsSendsTheRestAndOnlyThem) {
  TSimRig rig;
  TLists lists;
  for (int n = 0; n < 4; ++n)
    lists.Add({kFmVoice, 5, n});
  TFmSendOptions options = Options();
  options.device = 0;
  rig.HoldFrom([calls = 0](const uint8_t *, size_t) mutable { return ++calls == 2; });
  TSendReport report = RunFmSend(rig.link, rig.host, options, Job(TFmSendMode::Type), lists.View());
  rig.ReleaseReplies(); // the late acknowledgement arrives when nobody waits
  ASSERT_EQ(Results(report), (std::vector<TSendResult>{W, TSendResult::NoAnswer, N, N}));
  EXPECT_FALSE(FmSlotFailed(report.items[0]));
  EXPECT_TRUE(FmSlotFailed(report.items[1]));
  EXPECT_TRUE(FmSlotFailed(report.items[2]));
  const size_t before = Writes(rig);
  RetryFmSlots(rig.link, rig.host, options, lists.View(), report);
  EXPECT_EQ(Writes(rig), before + 3);
  EXPECT_EQ(Results(report), (std::vector<TSendResult>{W, W, W, W}));
  EXPECT_EQ(report.items[1].tries, 2);
  for (int n = 0; n < 4; ++n)
    EXPECT_EQ(Memory(rig, kFmVoice, 5, n), Data(lists.voices.GetPatch(n)));
}

TEST(FmSendOps, BackupFetchesTheBanksWrittenAndVerifyReadsTheSlotsBack) {
  TSimRig rig;
  TLists lists;
  lists.Add({kFmDrumset, 2, 3});
  lists.Add({kFmEnsemble, 1, 0});
  const Bytes drumBefore = Memory(rig, kFmDrumset, 2, 3);
  TFmSendOptions options = Options();
  options.device = 0;
  options.backup = true;
  options.verify = true;
  TFMPatchBank saved;
  options.saveBackup = [&](const TFMPatchBank &banks) {
    saved = banks;
    return std::string("/tmp/backup.syx");
  };
  const TSendReport report =
      RunFmSend(rig.link, rig.host, options, Job(TFmSendMode::AllTypes), lists.View());
  ASSERT_EQ(saved.Count(), 16 + 32); // the drumset bank C, then the ensemble bank B
  EXPECT_EQ(saved.GetPatch(0).PatchType(), kFmDrumset);
  EXPECT_EQ(Data(saved.GetPatch(3)), drumBefore);
  EXPECT_EQ(saved.GetPatch(16).PatchType(), kFmEnsemble);
  EXPECT_EQ(report.backupPath, "/tmp/backup.syx");
  EXPECT_EQ(Results(report),
            (std::vector<TSendResult>{TSendResult::Verified, TSendResult::Verified}));
  EXPECT_TRUE(report.AllDone());
}

TEST(FmSendOps, AnIncompleteBackupSendsNothing) {
  TSimOptions sim;
  sim.fault = {TSimFaultKind::Silence, 0, 5};
  TSimRig rig(sim);
  TLists lists;
  lists.Add({kFmDrumset, 2, 3});
  TFmSendOptions options = Options();
  options.device = 0;
  options.backup = true;
  bool savedAny = false;
  options.saveBackup = [&](const TFMPatchBank &) {
    savedAny = true;
    return std::string("x");
  };
  rig.host.defaultWaitAnswer = kWaitClosed;
  const TSendReport report =
      RunFmSend(rig.link, rig.host, options, Job(TFmSendMode::AllTypes), lists.View());
  EXPECT_FALSE(savedAny);
  EXPECT_NE(report.backupProblem.find("drumsets bank C is incomplete (patch 5"), std::string::npos);
  EXPECT_EQ(Writes(rig), 0u);
  EXPECT_FALSE(report.AllDone());
}

// A write is answered only by the device's acknowledgement or refusal, even
// with another program's dump on the way first; a refusal names what in
// the patch the device cannot take; a device that goes away mid-write
// leaves that write unknown and the rest unsent.
TEST(FmSendOps, WritesAreAnsweredOnlyByTheirAnswer) {
  struct TCase {
    const char *name;
    TSlot slot;
    bool damaged;          // its checksum is wrong, as a file marks WRONG
    bool lostDuringWrite2; // the port goes while the second write waits
    std::vector<TSendResult> results;
    const char *reason; // of the first slot
  } cases[] = {
      {"present bank",
       {kFmVoice, 0, 3},
       false,
       false,
       {TSendResult::Written, TSendResult::Written},
       ""},
      {"missing bank",
       {kFmVoice, 1, 3},
       false,
       false,
       {TSendResult::NotAvailable, TSendResult::NotSent},
       ""},
      {"wrong checksum",
       {kFmVoice, 0, 3},
       true,
       false,
       {TSendResult::NotAvailable, TSendResult::NotSent},
       "its checksum is wrong"},
      {"past the last slot",
       {kFmEnsemble, 0, 40},
       false,
       false,
       {TSendResult::NotAvailable, TSendResult::NotSent},
       "its number 41 is past the ensembles'"},
      {"port gone",
       {kFmVoice, 0, 3},
       false,
       true,
       {TSendResult::Written, TSendResult::Unknown},
       ""},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimOptions sim;
    sim.unaskedDump = true;
    sim.fmVoiceBanks = 0x01;
    TSimRig rig(sim);
    TLists lists;
    lists.Add(c.slot);
    lists.Add({c.slot.type, c.slot.bank, c.slot.number + 1});
    TFMPatchBank &list = c.slot.type == kFmEnsemble ? lists.ensembles : lists.voices;
    if (c.damaged)
      list.GetPatch(0).Dump[kFmDumpSize - 2] ^= 1;
    if (c.lostDuringWrite2) {
      // The second acknowledgement stays on the cable: the port goes first.
      int acks = 0;
      rig.HoldFrom([acks](const uint8_t *bytes, size_t count) mutable {
        return count == kFmAckMinSize && bytes[6] == kFmAck && ++acks == 2;
      });
      rig.host.during = [&](TFakeWait kind, int number) {
        if (kind == TFakeWait::Bytes && number == 2)
          rig.Simulator().LoseService("The MIDI port zavorin-sim:in has gone.");
      };
    }
    const TSendReport report =
        RunFmSend(rig.link, rig.host, Options(), Job(TFmSendMode::Type, c.slot.type), lists.View());
    EXPECT_EQ(Results(report), c.results);
    EXPECT_NE(report.items.front().reason.find(c.reason), std::string::npos)
        << report.items.front().reason;
    EXPECT_EQ(report.lostReason.empty(), !c.lostDuringWrite2);
  }
}

} // namespace
} // namespace zpm
