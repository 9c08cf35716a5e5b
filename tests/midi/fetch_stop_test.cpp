// SPDX-License-Identifier: GPL-3.0-or-later
// A fetch told to stop (Ctrl+C, SIGTERM) or cancelled in the window, at every
// moment it can be waiting: it asks nothing more, keeps what had arrived
// whole, and reports the item in progress cancelled.
#include "fm/fm_fetch.h"
#include "sid/sid_transfer.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

enum class TKind { SidPatch, SidBank, SidAll, FmBank, FmAll };

// The report, and the patches that landed in the list.
std::pair<TFetchReport, int> RunFetch(TKind kind, TSimRig &rig) {
  if (kind == TKind::FmBank || kind == TKind::FmAll) {
    TFmFetch fetch;
    fetch.retries = 2;
    TFMPatchBank list;
    const TFetchReport report = kind == TKind::FmBank
                                    ? GetSingleFmBank(rig.link, rig.host, fetch, list)
                                    : GetAllFmBanks(rig.link, rig.host, fetch, list);
    return {report, list.Count()};
  }
  TSidFetch fetch;
  fetch.retries = 2;
  fetch.fetchBank = 2;
  TPatchBank list;
  const TFetchReport report =
      kind == TKind::SidPatch  ? GetSingleSidPatch(rig.link, rig.host, fetch, 17, list)
      : kind == TKind::SidBank ? GetSingleSidBank(rig.link, rig.host, fetch, list)
                               : GetAllSidBanks(rig.link, rig.host, fetch, list);
  return {report, list.Count()};
}

TSimOptions Fault(TSimFaultKind kind, size_t count, int at) {
  TSimOptions options;
  options.fault = {kind, count, at};
  return options;
}

TEST(FetchStop, AFetchStoppedAtAnyMomentAsksNothingMoreAndKeepsWhatCameWhole) {
  struct TCase {
    const char *name;
    TKind kind;
    TSimOptions options;
    // The moment: the number-th wait of the kind (Delay 1 of a SID fetch is
    // the first Bank Select's pause), or with afterItem once that many items
    // have arrived whole; window: the wait dialog's "&Cancel" instead.
    TFakeWait wait;
    int number;
    int afterItem;
    bool window;
    int fetched; // items that arrived whole
    int tries;   // the requests that went out for the one cancelled
  };
  const TSimOptions clean;
  using W = TFakeWait;
  const std::vector<TCase> cases = {
      {"SID all: the quiet wait before the first Bank Select", TKind::SidAll, clean, W::Delay, 1, 0,
       false, 0, 0},
      {"SID all: bank C's Bank Select", TKind::SidAll, clean, W::Delay, 4, 0, false, 2, 1},
      {"SID all: mid-dump in bank C", TKind::SidAll, Fault(TSimFaultKind::Vanish, 6144, 3),
       W::SysEx, 3, 0, false, 2, 1},
      {"SID all: between banks B and C", TKind::SidAll, clean, W::SysEx, 0, 2, false, 2, 0},
      {"SID all: the pause before bank C is asked again", TKind::SidAll,
       Fault(TSimFaultKind::Spliced, 30297, 3), W::Delay, 5, 0, false, 2, 1},
      {"SID all: the window's Cancel mid-dump in bank C", TKind::SidAll,
       Fault(TSimFaultKind::Silence, 0, 3), W::SysEx, 0, 0, true, 2, 1},
      {"SID bank: mid-dump", TKind::SidBank, Fault(TSimFaultKind::Vanish, 6144, 1), W::SysEx, 1, 0,
       false, 0, 1},
      {"SID patch: the Bank Select", TKind::SidPatch, clean, W::Delay, 1, 0, false, 0, 1},
      {"FM bank: mid-dump of the sixth patch", TKind::FmBank, Fault(TSimFaultKind::Vanish, 100, 6),
       W::SysEx, 6, 0, false, 5, 1},
      {"FM all: the pause before the third patch is asked again", TKind::FmAll,
       Fault(TSimFaultKind::Spliced, 100, 3), W::Delay, 1, 0, false, 2, 1},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    rig.host.defaultWaitAnswer = c.window ? kWaitCancelled : kWaitClosed;
    if (c.fetched == 0 && c.tries == 0) {
      // The device is still sending the rest of something when the fetch begins.
      rig.Simulator().Inject({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x03, 0x11});
      rig.Synth();
    }
    size_t sentAtStop = 0;
    int waitsAtStop = 0;
    const auto waits = [&] {
      return rig.host.sysExWaits + rig.host.byteWaits + static_cast<int>(rig.host.delays.size());
    };
    const auto stop = [&] {
      // In a pause the answer has not come yet; a dump has come as far as it goes.
      if (c.wait == W::Delay && c.afterItem == 0)
        rig.HoldReplies();
      rig.Simulator().WaitIdle();
      sentAtStop = rig.Sent().size();
      waitsAtStop = waits();
      rig.reception.Stop();
    };
    int arrived = 0;
    rig.host.itemDone = [&](const TFetchItem &) {
      if (++arrived == c.afterItem)
        stop();
    };
    rig.host.during = [&](TFakeWait kind, int number) {
      if (kind == c.wait && number == c.number && c.afterItem == 0)
        stop();
    };
    const auto [report, saved] = RunFetch(c.kind, rig);
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.AllFetched());
    const bool banks = c.kind == TKind::SidBank || c.kind == TKind::SidAll;
    EXPECT_EQ(saved, c.fetched * (banks ? 128 : 1));
    // Only the item in progress is cancelled: what the run had not come to
    // was never asked for, and may not even be there.
    int fetched = 0, cancelled = 0;
    for (const TFetchItem &item : report.items) {
      fetched += item.result == TFetchResult::Fetched;
      cancelled += item.result == TFetchResult::Cancelled;
      if (item.result == TFetchResult::Cancelled) {
        EXPECT_EQ(item.tries, c.tries);
      } else if (item.result != TFetchResult::Fetched) {
        EXPECT_EQ(item.result, TFetchResult::NotAsked);
      }
    }
    EXPECT_EQ(fetched, c.fetched);
    EXPECT_EQ(cancelled, report.items.empty() ? 0 : 1);
    if (!c.window) {
      // Nothing more is asked, and no wait begins after the stop.
      EXPECT_EQ(rig.Sent().size(), sentAtStop);
      EXPECT_EQ(waits(), waitsAtStop);
    }
  }
}

// What a stopped run says it kept: patches of one bank in runs, banks by letter.
TEST(FetchStop, TheReportNamesWhatArrivedWholeInRuns) {
  const auto item = [](int bank, int patch, TFetchResult result = TFetchResult::Fetched) {
    return TFetchItem{bank, patch, 0, result, 1, true, 0, 0};
  };
  const std::vector<std::pair<std::vector<TFetchItem>, std::string>> cases = {
      {{}, " before anything had arrived whole."},
      {{item(0, 0), item(1, 0), item(2, 0, TFetchResult::Cancelled)}, "; banks A, B arrived"},
      {{item(2, 17)}, "; patch C:17 arrived"},
      {{item(0, 1), item(0, 2), item(0, 3), item(0, 4, TFetchResult::CutShort), item(0, 5),
        item(1, 1)},
       "; patches A:1-A:3, A:5, B:1 arrived"},
  };
  for (const auto &[items, text] : cases) {
    TFetchReport report;
    report.items = items;
    EXPECT_EQ(CancelledText(report), "");
    report.cancelled = true;
    const std::string rest = items.empty() ? "" : " whole, the rest were not fetched.";
    EXPECT_EQ(CancelledText(report), "Fetching was cancelled" + text + rest);
  }
}

} // namespace
} // namespace zpm
