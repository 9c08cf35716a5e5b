// SPDX-License-Identifier: GPL-3.0-or-later
// The FM "Get Patch" fetches against the simulated FM: which requests go
// out, what lands in the list and in what order, the refusal, Cancel and
// "nothing" rules, and the retries zpm asks for.

#include "fm/fm_fetch.h"

#include "fm/fm_messages.h"
#include "patch/error.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

Bytes Data(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

TFmFetch Fetch(uint8_t type, int bank, int retries = 0) {
  TFmFetch fetch;
  fetch.type = type;
  fetch.bank = bank;
  fetch.retries = retries;
  return fetch;
}

// A patch the fetch must throw away before it starts.
TFMPatchBank Stale() {
  TFMPatchBank bank;
  bank.Add(TFMPatch());
  bank.Add(TFMPatch());
  return bank;
}

int Count(const TFetchReport &report, TFetchResult result) {
  return static_cast<int>(std::count_if(report.items.begin(), report.items.end(),
                                        [&](const TFetchItem &i) { return i.result == result; }));
}

TEST(FmFetchOps, SinglePatchOfEachTypeReplacesTheList) {
  struct TCase {
    uint8_t type;
    int bank;
    int number; // 1-based
  };
  for (const TCase &c : std::vector<TCase>{
           {kFmVoice, 0, 128}, {kFmDrumset, 7, 16}, {kFmEnsemble, 3, 1}, {kFmEnsemble, 2, 32}}) {
    SCOPED_TRACE(testing::Message() << int(c.type) << " " << c.bank << ":" << c.number);
    TSimRig rig;
    TFMPatchBank list = Stale();
    int added = 0;
    TFmFetch fetch = Fetch(c.type, c.bank);
    fetch.added = [&] { ++added; };
    const TFetchReport report = GetSingleFmPatch(rig.link, rig.host, fetch, c.number, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(rig.host.listClearings, 1);
    const TFMPatch &patch = list.GetPatch(0);
    EXPECT_EQ(patch.PatchType(), c.type);
    EXPECT_EQ(patch.Bank(), c.bank);
    EXPECT_EQ(patch.PatchNumber(), c.number - 1);
    const auto b = static_cast<uint8_t>(c.bank);
    const auto n = static_cast<uint8_t>(c.number - 1);
    EXPECT_EQ(Data(patch), rig.Synth().FmPatchData(c.type, b, n));
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{FmPatchRequest(0, b, n, c.type)});
    ASSERT_EQ(report.items.size(), 1u);
    EXPECT_EQ(report.items[0].result, TFetchResult::Fetched);
    EXPECT_TRUE(rig.host.notices.empty());
  }
}

TEST(FmFetchOps, ARefusedSinglePatchNamesItsBankAndLeavesTheListEmpty) {
  TSimOptions options;
  options.fmVoiceBanks = 0b1111'1011; // no bank C
  TSimRig rig(options);
  TFMPatchBank list = Stale();
  const TFetchReport report = GetSingleFmPatch(rig.link, rig.host, Fetch(kFmVoice, 2), 5, list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(rig.host.notices, std::vector<std::string>{"Bank C is not available."});
  EXPECT_EQ(report.items[0].result, TFetchResult::NotAvailable);
}

TEST(FmFetchOps, TwoSingleFetchesInARowKeepOnlyTheSecond) {
  TSimRig rig;
  TFMPatchBank list;
  GetSingleFmPatch(rig.link, rig.host, Fetch(kFmDrumset, 1), 3, list);
  GetSingleFmPatch(rig.link, rig.host, Fetch(kFmDrumset, 4), 9, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetPatch(0).Bank(), 4);
  EXPECT_EQ(list.GetPatch(0).PatchNumber(), 8);
}

TEST(FmFetchOps, ABankFillsTheListPatchByPatchInOrder) {
  struct TCase {
    uint8_t type;
    int count;
  };
  for (const TCase &c : std::vector<TCase>{{kFmVoice, 128}, {kFmDrumset, 16}, {kFmEnsemble, 32}}) {
    TSimRig rig;
    TFMPatchBank list = Stale();
    std::vector<int> seen;
    TFmFetch fetch = Fetch(c.type, 5);
    fetch.added = [&] { seen.push_back(list.Count()); };
    const TFetchReport report = GetSingleFmBank(rig.link, rig.host, fetch, list);
    ASSERT_EQ(list.Count(), c.count);
    ASSERT_EQ(static_cast<int>(seen.size()), c.count);
    for (int i = 0; i < c.count; ++i) {
      EXPECT_EQ(seen[static_cast<size_t>(i)], i + 1); // the list grew one at a time
      EXPECT_EQ(list.GetPatch(i).PatchNumber(), i);
      EXPECT_EQ(Data(list.GetPatch(i)),
                rig.Synth().FmPatchData(c.type, 5, static_cast<uint8_t>(i)));
    }
    EXPECT_EQ(Count(report, TFetchResult::Fetched), c.count);
    EXPECT_TRUE(report.AllFetched());
  }
}

TEST(FmFetchOps, RefusalsByOperation) {
  // Drumsets present in banks A..D only.
  struct TCase {
    const char *name;
    int bank;
    bool all;
    int patches;
    std::vector<std::string> notices;
    int notAvailable;
  };
  const std::vector<TCase> cases = {
      {"bank E alone", 4, false, 0, {"Bank E is not available."}, 16},
      {"all banks: E..H skipped silently", 0, true, 64, {}, 64},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimOptions options;
    options.fmDrumBanks = 0b0000'1111;
    TSimRig rig(options);
    TFMPatchBank list;
    const TFetchReport report =
        c.all ? GetAllFmBanks(rig.link, rig.host, Fetch(kFmDrumset, 0), list)
              : GetSingleFmBank(rig.link, rig.host, Fetch(kFmDrumset, c.bank), list);
    EXPECT_EQ(list.Count(), c.patches);
    EXPECT_EQ(rig.host.notices, c.notices);
    EXPECT_EQ(Count(report, TFetchResult::NotAvailable), c.notAvailable);
    // One request per refused bank: the first refusal gives the bank up.
    const size_t refusedBanks = c.all ? 4 : 1;
    EXPECT_EQ(rig.Sent().size(), static_cast<size_t>(c.patches) + refusedBanks);
    if (c.all) {
      EXPECT_EQ(list.GetPatch(63).Bank(), 3);
      EXPECT_EQ(list.GetPatch(63).PatchNumber(), 15);
    }
  }
}

TEST(FmFetchOps, CancelMidBankKeepsWhatCame) {
  for (bool all : {false, true}) {
    SCOPED_TRACE(all ? "all banks" : "one bank");
    TSimOptions options;
    options.fault = {TSimFaultKind::Silence, 0, 6}; // the 6th dump never comes
    TSimRig rig(options);
    TFMPatchBank list;
    const TFmFetch fetch = Fetch(kFmEnsemble, 0);
    const TFetchReport report = all ? GetAllFmBanks(rig.link, rig.host, fetch, list)
                                    : GetSingleFmBank(rig.link, rig.host, fetch, list);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(rig.Sent().size(), 6u);
    EXPECT_EQ(report.items[5].result, TFetchResult::Cancelled);
    EXPECT_EQ(Count(report, TFetchResult::NotAsked), (all ? 8 : 1) * 32 - 6);
    EXPECT_TRUE(report.cancelled);
    EXPECT_TRUE(rig.host.notices.empty());
  }
}

TEST(FmFetchOps, ADumpCutShortIsNothingOrAskedAgain) {
  struct TCase {
    int retries;
    int patches;
    int tries;
    TFetchResult result;
  };
  for (const TCase &c :
       std::vector<TCase>{{0, 15, 1, TFetchResult::CutShort}, {1, 16, 2, TFetchResult::Fetched}}) {
    SCOPED_TRACE(c.retries);
    TSimOptions options;
    options.fault = {TSimFaultKind::Spliced, 100, 3}; // a dump that lost its middle
    TSimRig rig(options);
    TFMPatchBank list;
    const TFetchReport report =
        GetSingleFmBank(rig.link, rig.host, Fetch(kFmDrumset, 1, c.retries), list);
    EXPECT_EQ(list.Count(), c.patches);
    EXPECT_EQ(report.items[2].tries, c.tries);
    EXPECT_EQ(report.items[2].result, c.result);
    EXPECT_EQ(report.items[15].result, TFetchResult::Fetched); // the fetch went on
  }
}

TEST(FmFetchOps, ClosedDevicesStopBeforeTheListIsTouched) {
  TSimRig rig;
  rig.link.InputDeviceIndex = -1;
  TFMPatchBank list = Stale();
  try {
    GetSingleFmBank(rig.link, rig.host, Fetch(kFmVoice, 0), list);
    ADD_FAILURE() << "no error";
  } catch (const ZpmError &error) {
    EXPECT_STREQ(error.what(), "Midi output device not open.");
  }
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(rig.Sent().empty());
}

} // namespace
} // namespace zpm
