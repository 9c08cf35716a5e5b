// SPDX-License-Identifier: GPL-3.0-or-later
// Bank selection and the three SID fetches against the simulated SID, step
// by step: what goes out (the log's OUT lines), what the user is asked or
// told, and what lands in the list.

#include "sid/sid_transfer.h"

#include "patch/checksum.h"
#include "patch/error.h"
#include "sid/sid_messages.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>

namespace zpm {
namespace {

const char *const kPatchQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet Patch from this Bank ?";
const char *const kBankQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

TSimOptions Carts(TBankMask banks) {
  TSimOptions options;
  options.sidBanks = banks;
  return options;
}

TSimOptions Firmware16(bool sevenByteAnswer = false) {
  TSimOptions options;
  options.firmware16 = true;
  options.firmware16SevenByteAnswer = sevenByteAnswer;
  return options;
}

TSimOptions Fault(TSimFaultKind kind, size_t count, int at, TBankMask banks = kAllBanks) {
  TSimOptions options = Carts(banks);
  options.fault = {kind, count, at};
  return options;
}

// A list that already holds one recognisable patch.
TPatchBank StaleList() {
  TPatch patch;
  patch.SetPatchNumber(99);
  patch.Bank = 6;
  TPatchBank list;
  list.Add(patch);
  return list;
}

bool IsStale(const TPatchBank &list) {
  return list.Count() == 1 && list.GetPatch(0).PatchNumber() == 99 && list.GetPatch(0).Bank == 6;
}

Bytes Data(const TPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

// Patches first..first+127 are bank `bank` of the simulator, freshly addressed.
void ExpectBank(TSimRig &rig, const TPatchBank &list, int first, uint8_t bank) {
  ASSERT_GE(list.Count(), first + 128);
  for (int n = 0; n < 128; ++n) {
    const TPatch &patch = list.GetPatch(first + n);
    SCOPED_TRACE("patch " + std::to_string(n) + " of bank " + std::to_string(bank));
    EXPECT_EQ(patch.Bank, bank);
    EXPECT_EQ(patch.PatchNumber(), n);
    EXPECT_EQ(patch.DeviceNumber(), 0);
    EXPECT_EQ(Bytes(patch.Dump.begin(), patch.Dump.begin() + 7),
              (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02}));
    EXPECT_EQ(Data(patch), rig.Synth().SidPatchData(bank, static_cast<uint8_t>(n)));
    EXPECT_EQ(patch.Checksum(), DataChecksum(patch.Data()));
    EXPECT_EQ(patch.Dump[265], 0xF7);
  }
}

void ExpectError(const std::function<void()> &operation, const std::string &text) {
  try {
    operation();
    ADD_FAILURE() << "no error, expected \"" << text << "\"";
  } catch (const ZpmError &error) {
    EXPECT_EQ(error.what(), text);
  }
}

// --- SelectSidBank ---

TEST(SelectSidBank, ClassifiesTheDevicesAnswerAfterTheFullDelay) {
  struct TCase {
    const char *name;
    TSimOptions options;
    uint8_t device;
    uint8_t bank;
    int result;
  };
  TSimOptions otherId = Carts(kAllBanks);
  otherId.sidId = 5;
  for (const TCase &c : std::vector<TCase>{{"present", Carts(0b101), 0, 2, SidBankSelected},
                                           {"absent", Carts(0b101), 0, 1, SidBankMissing},
                                           {"1.6 silent", Firmware16(), 0, 3, SidSingleCart},
                                           {"1.6 7 bytes", Firmware16(true), 0, 3, SidSingleCart},
                                           {"own id", otherId, 5, 4, SidBankSelected},
                                           {"other id", otherId, 3, 4, SidSingleCart}}) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    EXPECT_EQ(SelectSidBank(rig.link, rig.host, c.device, c.bank, 750), c.result);
    EXPECT_EQ(rig.host.delays, std::vector<int>{750});
    EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{SidBankSelect(c.device, c.bank)});
    if (c.result == SidBankSelected) {
      EXPECT_EQ(rig.Synth().SelectedSidBank(), c.bank);
    }
  }
}

TEST(SelectSidBank, ValuesOutOfRangeGoOutAsZero) {
  TSimRig rig;
  EXPECT_EQ(SelectSidBank(rig.link, rig.host, 200, 9, 10), SidBankSelected);
  RequestSidPatch(rig.link, 3, 0);
  RequestSidPatch(rig.link, 128, 200);
  RequestSidBankDump(rig.link, 200);
  const std::vector<Bytes> expected = {{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0B, 0x00, 0xF7},
                                       {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x03, 0x01, 0x00, 0xF7},
                                       {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x01, 0x00, 0xF7},
                                       {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x03, 0xF7}};
  EXPECT_EQ(rig.Sent(), expected);
}

TEST(SelectSidBank, AnAnswerAfterTheDelayIsOnlyLogged) {
  TSimRig rig;
  rig.HoldReplies(); // the acknowledgement is still on the cable when a 0 ms delay ends
  EXPECT_EQ(SelectSidBank(rig.link, rig.host, 0, 2, 0), SidSingleCart);
  rig.ReleaseReplies();
  ASSERT_EQ(rig.Received().size(), 1u);
  EXPECT_EQ(rig.Received()[0].size(), 9u);
  EXPECT_EQ(rig.reception.ReceivedSize(), 0u);
}

TEST(SelectSidBank, TwoAcknowledgementsWithinTheDelayCountAsRefusal) {
  TSimRig rig;
  rig.host.during = [&](TFakeWait, int) { rig.link.Send(SidBankSelect(0, 2)); };
  EXPECT_EQ(SelectSidBank(rig.link, rig.host, 0, 2, 750), SidBankMissing);
  EXPECT_EQ(rig.reception.Buffer().size(), 18u);
}

// --- all three fetches ---

using TFetchOperation = std::function<void(TSimRig &, TSidFetch &, TPatchBank &)>;

const std::vector<std::pair<const char *, TFetchOperation>> &Fetches() {
  static const std::vector<std::pair<const char *, TFetchOperation>> fetches = {
      {"single patch",
       [](TSimRig &rig, TSidFetch &fetch, TPatchBank &list) {
         GetSingleSidPatch(rig.link, rig.host, fetch, 1, list);
       }},
      {"single bank", [](TSimRig &rig, TSidFetch &fetch,
                         TPatchBank &list) { GetSingleSidBank(rig.link, rig.host, fetch, list); }},
      {"all banks", [](TSimRig &rig, TSidFetch &fetch, TPatchBank &list) {
         GetAllSidBanks(rig.link, rig.host, fetch, list);
       }}};
  return fetches;
}

TEST(SidFetch, NothingIsSentOrClearedWhileADeviceIsClosed) {
  for (const auto &entry : Fetches())
    for (bool inputClosed : {false, true}) {
      const char *name = entry.first;
      SCOPED_TRACE(std::string(name) + (inputClosed ? ", input closed" : ", output closed"));
      TSimRig rig;
      (inputClosed ? rig.link.InputDeviceIndex : rig.link.OutputDeviceIndex) = -1;
      TSidFetch fetch;
      TPatchBank list = StaleList();
      ExpectError([&] { entry.second(rig, fetch, list); }, "Midi output device not open.");
      EXPECT_TRUE(rig.Sent().empty());
      EXPECT_TRUE(IsStale(list));
      EXPECT_TRUE(rig.host.busy.empty());
      EXPECT_EQ(rig.host.listClearings, 0);
    }
}

TEST(SidFetch, AFailedSendEndsTheFetchWithTheDevicesTextAndTheWaitReset) {
  for (const auto &entry : Fetches()) {
    const char *name = entry.first;
    SCOPED_TRACE(name);
    TSimRig rig;
    rig.output.Close(0); // the index still says open
    TSidFetch fetch;
    TPatchBank list = StaleList();
    ExpectError([&] { entry.second(rig, fetch, list); }, "TMidiOutput: Device not open! (0)");
    EXPECT_TRUE(rig.Sent().empty());
    EXPECT_TRUE(IsStale(list));
    EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
    if (std::string(name) == "all banks") {
      EXPECT_EQ(rig.host.busy, (std::vector<bool>{true, false}));
    }
  }
}

// --- Get Single Patch ---

TEST(SidFetch, SinglePatchFromAnAcknowledgedBankIsTakenAsReceived) {
  TSimOptions options = Carts(kAllBanks);
  options.sidId = 9;
  TSimRig rig(options);
  TSidFetch fetch;
  fetch.device = 9;
  fetch.fetchBank = 2;
  TPatchBank list = StaleList();
  GetSingleSidPatch(rig.link, rig.host, fetch, 5, list);

  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{SidBankSelect(9, 2), SidPatchRequest(9, 4)}));
  ASSERT_EQ(list.Count(), 1);
  const TPatch &patch = list.GetPatch(0);
  const std::vector<Bytes> received = rig.Received();
  ASSERT_EQ(received.size(), 2u); // the acknowledgement and the dump
  EXPECT_EQ(Bytes(patch.Dump.begin(), patch.Dump.end()), received[1]);
  EXPECT_EQ(patch.DeviceNumber(), 9);
  EXPECT_EQ(patch.PatchNumber(), 4);
  EXPECT_EQ(Data(patch), rig.Synth().SidPatchData(2, 4));
  EXPECT_EQ(patch.Bank, 2);
  EXPECT_EQ(rig.host.listClearings, 1);
  EXPECT_TRUE(rig.host.questions.empty());
  EXPECT_TRUE(rig.host.notices.empty());
  EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
}

TEST(SidFetch, SinglePatchKeepsAWrongChecksumAsItArrivedAndSaysSo) {
  TSimRig rig(Fault(TSimFaultKind::Silence, 0, 0));
  Bytes dump = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00};
  for (int i = 0; i < 256; ++i)
    dump.push_back(static_cast<uint8_t>(i % 128));
  dump.push_back(static_cast<uint8_t>((DataChecksum(dump.data() + 8) + 1) & 0x7F)); // wrong
  dump.push_back(0xF7);
  rig.host.during = [&](TFakeWait kind, int) {
    if (kind == TFakeWait::SysEx)
      rig.Simulator().Inject(dump);
  };
  for (int retries : {0, 2}) {
    SCOPED_TRACE(retries);
    TSidFetch fetch;
    fetch.retries = retries;
    TPatchBank list;
    const TFetchReport report = GetSingleSidPatch(rig.link, rig.host, fetch, 1, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(Bytes(list.GetPatch(0).Dump.begin(), list.GetPatch(0).Dump.end()), dump);
    ASSERT_EQ(report.items.size(), 1u);
    EXPECT_EQ(report.items[0].result, TFetchResult::Fetched);
    EXPECT_FALSE(report.items[0].checksumOk);
    EXPECT_EQ(report.items[0].tries, retries + 1); // asked again while it stayed wrong
    EXPECT_NE(rig.log.Line(0).find("checksum that does not match"), std::string::npos);
  }
}

TEST(SidFetch, PatchNumbersOneTo128GoOutAs00To7F) {
  TSimRig rig;
  TSidFetch fetch;
  TPatchBank list;
  for (int number : {1, 128}) {
    GetSingleSidPatch(rig.link, rig.host, fetch, number, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetPatch(0).PatchNumber(), number - 1);
    EXPECT_EQ(rig.Sent().back(), SidPatchRequest(0, static_cast<uint8_t>(number - 1)));
  }
  EXPECT_EQ(rig.Sent().back().at(7), 0x7F);
}

TEST(SidFetch, SinglePatchOnFirmware16AsksAndTakesItAsBankA) {
  TSimRig rig(Firmware16());
  rig.host.answers = {false, true};
  TSidFetch fetch;
  fetch.fetchBank = 3;
  TPatchBank list = StaleList();

  GetSingleSidPatch(rig.link, rig.host, fetch, 7, list);
  EXPECT_EQ(rig.host.questions, std::vector<std::string>{kPatchQuestion});
  EXPECT_TRUE(IsStale(list));
  EXPECT_EQ(rig.Sent().size(), 1u); // the selection alone
  EXPECT_EQ(rig.host.listClearings, 0);

  GetSingleSidPatch(rig.link, rig.host, fetch, 7, list);
  EXPECT_EQ(rig.host.questions.size(), 2u);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetPatch(0).Bank, 0);
  EXPECT_EQ(Data(list.GetPatch(0)), rig.Synth().SidPatchData(0, 6));
  EXPECT_EQ(fetch.fetchBank, 3); // only the bank fetches reset it
  EXPECT_TRUE(rig.host.notices.empty());
}

TEST(SidFetch, AMissingBankIsReportedByItsLetterAndNotRequested) {
  for (bool bankFetch : {false, true}) {
    SCOPED_TRACE(bankFetch ? "single bank" : "single patch");
    TSimRig rig(Carts(0b1));
    TSidFetch fetch;
    fetch.fetchBank = 2;
    TPatchBank list = StaleList();
    if (bankFetch)
      GetSingleSidBank(rig.link, rig.host, fetch, list);
    else
      GetSingleSidPatch(rig.link, rig.host, fetch, 1, list);
    EXPECT_EQ(rig.host.notices, std::vector<std::string>{"Bank C not available."});
    EXPECT_TRUE(rig.host.questions.empty());
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{SidBankSelect(0, 2)});
    EXPECT_TRUE(IsStale(list));
    EXPECT_EQ(fetch.fetchBank, 2);
  }
}

// A second request sent while the dialog is up: two dumps come back.
std::function<void(TFakeWait, int)> SecondRequest(TSimRig &rig, const Bytes &request) {
  return [&rig, request](TFakeWait kind, int) {
    if (kind == TFakeWait::SysEx)
      rig.link.Send(request);
  };
}

TEST(SidFetch, AnythingButOneWholeAnswerLeavesTheListEmpty) {
  struct TCase {
    const char *name;
    TSimOptions options;
    bool surplus;
  };
  for (bool bankFetch : {false, true})
    for (const TCase &c :
         std::vector<TCase>{{"short", Fault(TSimFaultKind::Short, 100, 1), false},
                            {"silent", Fault(TSimFaultKind::Silence, 0, 1), false},
                            {"garbage", Fault(TSimFaultKind::Garbage, 300, 1), false}}) {
      SCOPED_TRACE(std::string(c.name) + (bankFetch ? ", bank" : ", patch"));
      TSimRig rig(c.options);
      if (c.surplus)
        rig.host.during = SecondRequest(rig, SidPatchRequest(0, 9));
      TSidFetch fetch;
      TPatchBank list = StaleList();
      if (bankFetch)
        GetSingleSidBank(rig.link, rig.host, fetch, list);
      else
        GetSingleSidPatch(rig.link, rig.host, fetch, 1, list);
      EXPECT_EQ(list.Count(), 0);
      EXPECT_EQ(rig.host.sysExWaits, 1);
      EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
    }
}

// --- Get Single Bank ---

TEST(SidFetch, SingleBankGives128FreshPatchesOfTheFetchBank) {
  TSimOptions options = Carts(kAllBanks);
  options.sidId = 9;
  TSimRig rig(options);
  TSidFetch fetch;
  fetch.device = 9;
  fetch.fetchBank = 3;
  TPatchBank list = StaleList();
  GetSingleSidBank(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{SidBankSelect(9, 3), SidBankDumpRequest(9)}));
  EXPECT_EQ(list.Count(), 128);
  ExpectBank(rig, list, 0, 3);
  EXPECT_EQ(fetch.fetchBank, 3);
  EXPECT_EQ(rig.host.listClearings, 1);
}

// A dump the program gave up on goes on arriving, or an input opened in its
// middle hears its rest: nothing is asked until no byte comes any more, or
// the Bank Select's answer would queue behind it and the device be taken for
// one with a single PatchCart.
TEST(SidFetch, ADumpStillArrivingIsWaitedForBeforeAnythingIsAsked) {
  Bytes begun = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x03};
  begun.resize(1000, 0x11);
  const Bytes middle(1000, 0x11);
  const Bytes more(200, 0x11);
  Bytes end(500, 0x11);
  end.push_back(0xF7);
  struct TCase {
    const char *name;
    std::vector<Bytes> parts; // the first before the fetch, one more in each pause
    const char *logged;       // the old dump as the log shows it, if at all
  };
  const std::vector<TCase> cases = {
      {"its end in the first pause", {begun, end}, "IN : <Bytes> 1501"},
      {"arriving over three pauses", {begun, more, more, end}, "IN : <Bytes> 1901"},
      {"its start never seen", {middle, more, end}, nullptr},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig;
    rig.Simulator().Inject(c.parts.front());
    rig.host.during = [&](TFakeWait kind, int number) {
      if (kind == TFakeWait::Delay && number < static_cast<int>(c.parts.size()))
        rig.Simulator().Inject(c.parts[static_cast<size_t>(number)]);
    };
    TSidFetch fetch;
    fetch.fetchBank = 2;
    TPatchBank list;
    rig.Synth(); // the first part is in before the fetch begins
    const TFetchReport report = GetSingleSidBank(rig.link, rig.host, fetch, list);
    EXPECT_TRUE(report.AllFetched());
    EXPECT_EQ(rig.host.quietWaits, 1);
    // One quiet step per part still to come, then the Bank Select's pause.
    std::vector<int> steps(c.parts.size() - 1, 100);
    steps.push_back(fetch.delayMs);
    EXPECT_EQ(std::vector<int>(rig.host.delays.begin(),
                               rig.host.delays.begin() + static_cast<long>(steps.size())),
              steps);
    // The old dump's end is in the log before the Bank Select.
    size_t logged = 0, select = 0;
    for (size_t i = 0; i < rig.log.Count(); ++i) {
      const std::string line = rig.log.LineFromOldest(i);
      if (c.logged != nullptr && line.find(c.logged) != std::string::npos)
        logged = i + 1;
      if (line.find("OUT:") != std::string::npos && select == 0)
        select = i + 1;
    }
    EXPECT_EQ(logged > 0, c.logged != nullptr);
    EXPECT_GT(select, logged);
  }
}

TEST(SidFetch, SingleBankOnFirmware16AsksAndFallsBackToBankA) {
  TSimRig rig(Firmware16(true));
  rig.host.answers = {false, true};
  TSidFetch fetch;
  fetch.fetchBank = 5;
  TPatchBank list = StaleList();

  GetSingleSidBank(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.host.questions, std::vector<std::string>{kBankQuestion});
  EXPECT_EQ(fetch.fetchBank, 5);
  EXPECT_TRUE(IsStale(list));
  EXPECT_EQ(rig.Sent().size(), 1u);

  GetSingleSidBank(rig.link, rig.host, fetch, list);
  EXPECT_EQ(fetch.fetchBank, 0);
  EXPECT_EQ(list.Count(), 128);
  ExpectBank(rig, list, 0, 0);
}

// --- Get All Banks ---

std::vector<Bytes> AllBanksTraffic(const std::vector<int> &dumpedBanks, int last = 7) {
  std::vector<Bytes> sent = {SidBankSelect(0, 0)};
  for (int bank = 0; bank <= last; ++bank) {
    sent.push_back(SidBankSelect(0, static_cast<uint8_t>(bank)));
    for (int dumped : dumpedBanks)
      if (dumped == bank)
        sent.push_back(SidBankDumpRequest(0));
  }
  return sent;
}

TEST(SidFetchAll, FetchesThePresentBanksAndSkipsTheOthersSilently) {
  TSimRig rig(Carts(0b101));
  TSidFetch fetch;
  fetch.delayMs = 120;
  fetch.fetchBank = 6;
  TPatchBank list = StaleList();
  GetAllSidBanks(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.Sent(), AllBanksTraffic({0, 2}));
  EXPECT_EQ(list.Count(), 256);
  ExpectBank(rig, list, 0, 0);
  ExpectBank(rig, list, 128, 2);
  EXPECT_EQ(rig.host.delays, std::vector<int>(9, 120));
  EXPECT_TRUE(rig.host.questions.empty());
  EXPECT_TRUE(rig.host.notices.empty());
  EXPECT_EQ(rig.host.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(rig.host.listClearings, 1);
  EXPECT_EQ(fetch.fetchBank, 6);
}

TEST(SidFetchAll, Firmware16FetchesBankAOnlyWithoutAsking) {
  TSimRig rig(Firmware16());
  TSidFetch fetch;
  fetch.fetchBank = 4;
  TPatchBank list;
  GetAllSidBanks(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.Sent(), AllBanksTraffic({0}, 0));
  EXPECT_EQ(list.Count(), 128);
  ExpectBank(rig, list, 0, 0);
  EXPECT_EQ(fetch.fetchBank, 0);
  EXPECT_TRUE(rig.host.questions.empty());
  EXPECT_EQ(rig.host.delays.size(), 2u);
}

TEST(SidFetchAll, ARefusedBankAIsSkippedLikeAnyOther) {
  // The device stays on bank C, whose dump must not be listed as bank A.
  TSimRig rig(Carts(0b100));
  TSidFetch fetch;
  TPatchBank list;
  GetAllSidBanks(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.Sent(), AllBanksTraffic({2}));
  EXPECT_EQ(list.Count(), 128);
  ExpectBank(rig, list, 0, 2);
}

TEST(SidFetchAll, CancelDuringTheThirdBankKeepsTheFirstTwoAndSendsNothingMore) {
  TSimRig rig(Fault(TSimFaultKind::Silence, 0, 3));
  TSidFetch fetch;
  TPatchBank list;
  GetAllSidBanks(rig.link, rig.host, fetch, list);
  EXPECT_EQ(rig.Sent(), AllBanksTraffic({0, 1, 2}, 2));
  EXPECT_EQ(rig.host.sysExWaits, 3);
  EXPECT_EQ(list.Count(), 256);
  ExpectBank(rig, list, 0, 0);
  ExpectBank(rig, list, 128, 1);
  EXPECT_EQ(rig.host.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
}

TEST(SidFetchAll, AShortBankIsLeftOutAndOnlyCancelEndsTheRun) {
  // The close box ends the wait for the short dump of bank A; the run goes on.
  TSimRig closed(Fault(TSimFaultKind::Short, 30000, 1, 0b101));
  closed.host.waitAnswers = {kWaitClosed};
  TSidFetch fetch;
  TPatchBank list;
  GetAllSidBanks(closed.link, closed.host, fetch, list);
  EXPECT_EQ(closed.Sent(), AllBanksTraffic({0, 2}));
  EXPECT_EQ(list.Count(), 128);
  ExpectBank(closed, list, 0, 2);

  TSimRig cancelled(Fault(TSimFaultKind::Short, 30000, 1, 0b101));
  GetAllSidBanks(cancelled.link, cancelled.host, fetch, list);
  EXPECT_EQ(cancelled.Sent(), AllBanksTraffic({0}, 0));
  EXPECT_EQ(list.Count(), 0);
}

} // namespace
} // namespace zpm
