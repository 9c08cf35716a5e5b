// SPDX-License-Identifier: GPL-3.0-or-later
// What the SID fetches report bank by bank and patch by patch, through the
// in-process simulator: faults on the cable, late Bank Select answers, lost
// bytes and a lost service.
#include "sid/sid_bank_dump.h"
#include "sid/sid_messages.h"
#include "sid/sid_transfer.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zpm {
namespace {

TSimOptions WithFault(TSimFaultKind kind, size_t count, int at) {
  TSimOptions options;
  options.fault = {kind, count, at};
  return options;
}

// Every bank of the simulator's memory, as a clean fetch lists them.
TPatchBank Memory() {
  TSimRig clean;
  TSidFetch fetch;
  TPatchBank all;
  GetAllSidBanks(clean.link, clean.host, fetch, all);
  return all;
}

std::vector<TFetchResult> Results(const TFetchReport &report) {
  std::vector<TFetchResult> results;
  for (const TFetchItem &item : report.items)
    results.push_back(item.result);
  return results;
}

constexpr TFetchResult F = TFetchResult::Fetched;
constexpr TFetchResult N = TFetchResult::NoAnswer;
constexpr TFetchResult C = TFetchResult::CutShort;
constexpr TFetchResult L = TFetchResult::ServiceLost;
constexpr TFetchResult X = TFetchResult::NotAsked;

TEST(SidFetchReport, AllBanksSayWhichBankCameAndWhichDidNot) {
  struct TCase {
    const char *name;
    TSimOptions options;
    int retries;
    // What happens on the cable at the start of the n-th dump wait.
    std::function<void(TSimRig &, int)> during;
    std::vector<TFetchResult> results;
    std::vector<int> tries;
  };
  const auto none = [](TSimRig &, int) {};
  const std::vector<TCase> cases = {
      {"all there", {}, 0, none, {F, F, F, F, F, F, F, F}, {1, 1, 1, 1, 1, 1, 1, 1}},
      {"bank C silent",
       WithFault(TSimFaultKind::Silence, 0, 3),
       0,
       none,
       {F, F, N, F, F, F, F, F},
       {1, 1, 1, 1, 1, 1, 1, 1}},
      {"bank C silent once, asked again",
       WithFault(TSimFaultKind::Silence, 0, 3),
       2,
       none,
       {F, F, F, F, F, F, F, F},
       {1, 1, 2, 1, 1, 1, 1, 1}},
      {"bank B spliced",
       WithFault(TSimFaultKind::Spliced, 30297, 2),
       0,
       none,
       {F, C, F, F, F, F, F, F},
       {1, 1, 1, 1, 1, 1, 1, 1}},
      {"bank E loses bytes mid-dump, asked again",
       WithFault(TSimFaultKind::Short, 6000, 5),
       1,
       [](TSimRig &rig, int wait) {
         if (wait == 5)
           rig.Simulator().LoseBytes();
       },
       {F, F, F, F, F, F, F, F},
       {1, 1, 1, 1, 2, 1, 1, 1}},
      {"the device vanishes in bank D",
       WithFault(TSimFaultKind::Vanish, 6144, 4),
       0,
       none,
       {F, F, F, N, N, N, N, N},
       {1, 1, 1, 1, 1, 1, 1, 1}},
      {"the service goes in bank C",
       WithFault(TSimFaultKind::Silence, 0, 3),
       2,
       [](TSimRig &rig, int wait) {
         if (wait == 3)
           rig.Simulator().LoseService("The JACK server has shut down.");
       },
       {F, F, L, X, X, X, X, X},
       {1, 1, 1, 0, 0, 0, 0, 0}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    rig.host.defaultWaitAnswer = kWaitClosed; // no answer, as when zpm's wait runs out
    rig.host.during = [&](TFakeWait kind, int number) {
      if (kind == TFakeWait::SysEx)
        c.during(rig, number);
    };
    TSidFetch fetch;
    fetch.retries = c.retries;
    TPatchBank list;
    const TFetchReport report = GetAllSidBanks(rig.link, rig.host, fetch, list);
    EXPECT_EQ(Results(report), c.results);
    std::vector<int> tries;
    for (const TFetchItem &item : report.items)
      tries.push_back(item.tries);
    EXPECT_EQ(tries, c.tries);
    int fetched = 0;
    for (size_t bank = 0; bank < report.items.size(); ++bank) {
      if (report.items[bank].result != F)
        continue;
      // Every fetched bank is whole and in place, none shifted by a stray byte.
      for (int n = 0; n < kSidPatchesPerBank; ++n) {
        const TPatch &patch = list.GetPatch(fetched * kSidPatchesPerBank + n);
        ASSERT_EQ(patch.Bank, bank);
        ASSERT_EQ(patch.PatchNumber(), n);
      }
      ++fetched;
    }
    EXPECT_EQ(list.Count(), fetched * kSidPatchesPerBank);
    EXPECT_EQ(report.AllFetched(), c.results == std::vector<TFetchResult>(8, F));
    if (c.results[2] == C) {
      EXPECT_EQ(report.items[2].received, 30297u);
    }
    if (c.results[1] == C) {
      EXPECT_EQ(report.items[1].received, 30297u);
      EXPECT_EQ(report.items[1].expected, kSidBankDumpSize);
      EXPECT_EQ(CutShortText("bank dump", report.items[1].received, report.items[1].expected),
                "The bank dump was cut short (30297 of 32777 bytes); nothing was added.");
    }
    EXPECT_EQ(report.lostReason,
              c.results[2] == L ? "The JACK server has shut down." : std::string());
  }
}

// The device answers Bank Select after the pause: the answer lands in the next
// wait. Whatever came late, a bank in the list is the device's bank, whole.
TEST(SidFetchReport, ALateBankSelectAnswerNeverShiftsABank) {
  const TPatchBank memory = Memory();
  ASSERT_EQ(memory.Count(), 8 * kSidPatchesPerBank);
  for (int late = 1; late <= 9; ++late) {
    SCOPED_TRACE("late answer to selection " + std::to_string(late));
    TSimRig rig;
    rig.host.defaultWaitAnswer = kWaitClosed;
    int answers = 0;
    rig.HoldFrom([&](const uint8_t *bytes, size_t count) {
      return count == kSidBankSelectSize && bytes[6] == kSidBankSelectAck && ++answers == late;
    });
    int delays = 0;
    bool released = false;
    rig.host.during = [&](TFakeWait kind, int) {
      delays += kind == TFakeWait::Delay;
      // The pause of the late selection passes without its answer; the answer
      // and all that follows it arrive at the start of the next wait.
      const bool after = kind == TFakeWait::SysEx ? delays >= late : delays > late;
      if (after && !released) {
        released = true;
        rig.ReleaseReplies();
      }
    };
    TSidFetch fetch;
    fetch.retries = 1;
    TPatchBank list;
    const TFetchReport report = GetAllSidBanks(rig.link, rig.host, fetch, list);
    int fetchedBanks = 0;
    for (const TFetchItem &item : report.items)
      fetchedBanks += item.result == F;
    ASSERT_EQ(list.Count(), fetchedBanks * kSidPatchesPerBank);
    for (int i = 0; i < list.Count(); ++i) {
      const TPatch &patch = list.GetPatch(i);
      const TPatch &there = memory.GetPatch(patch.Bank * kSidPatchesPerBank + patch.PatchNumber());
      ASSERT_EQ(Bytes(patch.Dump.begin(), patch.Dump.end()),
                Bytes(there.Dump.begin(), there.Dump.end()))
          << "list row " << i;
    }
    // The late answer is asked again; a bank whose answer never came is named.
    if (late >= 3) {
      EXPECT_TRUE(report.AllFetched());
    }
  }
}

TEST(SidFetchReport, SingleFetchesNameTheirSlot) {
  struct TCase {
    const char *name;
    TSimOptions options;
    bool bank;
    TFetchResult result;
    int count;
  };
  TSimOptions missing;
  missing.sidBanks = 0b1;
  const std::vector<TCase> cases = {
      {"patch", {}, false, F, 1},
      {"patch, bank missing", missing, false, TFetchResult::NotAvailable, 0},
      {"patch spliced", WithFault(TSimFaultKind::Spliced, 200, 1), false, C, 0},
      {"bank", {}, true, F, 128},
      {"bank silent", WithFault(TSimFaultKind::Silence, 0, 1), true, N, 0},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    rig.host.defaultWaitAnswer = kWaitClosed;
    TSidFetch fetch;
    fetch.fetchBank = 2;
    TPatchBank list;
    const TFetchReport report = c.bank ? GetSingleSidBank(rig.link, rig.host, fetch, list)
                                       : GetSingleSidPatch(rig.link, rig.host, fetch, 17, list);
    ASSERT_EQ(report.items.size(), 1u);
    EXPECT_EQ(report.items[0].bank, 2);
    EXPECT_EQ(report.items[0].patch, c.bank ? 0 : 17);
    EXPECT_EQ(report.items[0].result, c.result);
    EXPECT_EQ(list.Count(), c.count);
    if (c.result == C) {
      EXPECT_EQ(report.items[0].received, 200u);
      EXPECT_EQ(report.items[0].expected, kSidDumpSize);
    }
  }
}

} // namespace
} // namespace zpm
