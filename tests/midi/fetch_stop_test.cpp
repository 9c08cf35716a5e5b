// SPDX-License-Identifier: GPL-3.0-or-later
// A fetch told to stop (Ctrl+C, SIGTERM) or cancelled in the window, at every
// moment it can be waiting: it asks nothing more, keeps what had arrived
// whole, and reports the item in progress cancelled.
#include "fm/fm_fetch.h"
#include "fm/fm_messages.h"
#include "sid/sid_transfer.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace zpm {
namespace {

enum class TKind { SidPatch, SidBank, SidAll, FmBank, FmAll };

struct TStopped {
  TFetchReport report;
  int saved = 0;
};

TStopped RunFetch(TKind kind, TSimRig &rig, int retries) {
  TStopped run;
  if (kind == TKind::FmBank || kind == TKind::FmAll) {
    TFmFetch fetch;
    fetch.retries = retries;
    TFMPatchBank list;
    run.report = kind == TKind::FmBank ? GetSingleFmBank(rig.link, rig.host, fetch, list)
                                       : GetAllFmBanks(rig.link, rig.host, fetch, list);
    run.saved = list.Count();
    return run;
  }
  TSidFetch fetch;
  fetch.retries = retries;
  fetch.fetchBank = kind == TKind::SidAll ? 0 : 2;
  TPatchBank list;
  run.report = kind == TKind::SidPatch  ? GetSingleSidPatch(rig.link, rig.host, fetch, 17, list)
               : kind == TKind::SidBank ? GetSingleSidBank(rig.link, rig.host, fetch, list)
                                        : GetAllSidBanks(rig.link, rig.host, fetch, list);
  run.saved = list.Count();
  return run;
}

TSimOptions Fault(TSimFaultKind kind, size_t count, int at) {
  TSimOptions options;
  options.fault = {kind, count, at};
  return options;
}

// The moment: the n-th wait of a kind (Delay 1 of a SID fetch is the first
// Bank Select's pause), or the n-th thing arrived whole (n < 0: never).
struct TMoment {
  TFakeWait kind;
  int number;
  int afterItem = -1;
};

TEST(FetchStop, AFetchStoppedAtAnyMomentAsksNothingMoreAndKeepsWhatCameWhole) {
  struct TCase {
    const char *name;
    TKind kind;
    TSimOptions options;
    int retries;
    TMoment moment;
    bool windowCancel; // the wait dialog's "&Cancel" instead of a signal
    int saved;
    int fetched; // items that arrived whole
    int tries;   // the requests that went out for the one cancelled
  };
  const TSimOptions clean;
  const TSimOptions vanishesInC = Fault(TSimFaultKind::Vanish, 6144, 3);
  const std::vector<TCase> cases = {
      {"SID all: the quiet wait before the first Bank Select",
       TKind::SidAll,
       clean,
       2,
       {TFakeWait::Delay, 1},
       false,
       0,
       0,
       0},
      {"SID all: bank C's Bank Select",
       TKind::SidAll,
       clean,
       2,
       {TFakeWait::Delay, 4},
       false,
       256,
       2,
       1},
      {"SID all: mid-dump in bank C",
       TKind::SidAll,
       vanishesInC,
       0,
       {TFakeWait::SysEx, 3},
       false,
       256,
       2,
       1},
      {"SID all: between banks B and C",
       TKind::SidAll,
       clean,
       0,
       {TFakeWait::SysEx, 0, 2},
       false,
       256,
       2,
       0},
      {"SID all: the pause before bank C is asked again",
       TKind::SidAll,
       Fault(TSimFaultKind::Spliced, 30297, 3),
       2,
       {TFakeWait::Delay, 5},
       false,
       256,
       2,
       1},
      {"SID all: the window's Cancel mid-dump in bank C",
       TKind::SidAll,
       Fault(TSimFaultKind::Silence, 0, 3),
       2,
       {TFakeWait::SysEx, 0},
       true,
       256,
       2,
       1},
      {"SID bank: mid-dump",
       TKind::SidBank,
       Fault(TSimFaultKind::Vanish, 6144, 1),
       2,
       {TFakeWait::SysEx, 1},
       false,
       0,
       0,
       1},
      {"SID patch: the Bank Select",
       TKind::SidPatch,
       clean,
       2,
       {TFakeWait::Delay, 1},
       false,
       0,
       0,
       1},
      {"FM bank: mid-dump of the sixth patch",
       TKind::FmBank,
       Fault(TSimFaultKind::Vanish, 100, 6),
       2,
       {TFakeWait::SysEx, 6},
       false,
       5,
       5,
       1},
      {"FM all: the pause before the third patch is asked again",
       TKind::FmAll,
       Fault(TSimFaultKind::Spliced, 100, 3),
       1,
       {TFakeWait::Delay, 1},
       false,
       2,
       2,
       1},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    rig.host.defaultWaitAnswer = c.windowCancel ? kWaitCancelled : kWaitClosed;
    if (c.kind == TKind::SidAll && c.moment.kind == TFakeWait::Delay && c.moment.number == 1) {
      // The device is still sending the rest of something when the fetch begins.
      rig.Simulator().Inject({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x03, 0x11});
      rig.Synth();
    }
    size_t sentAtStop = 0;
    int waitsAtStop = -1;
    const auto waits = [&] {
      return rig.host.sysExWaits + rig.host.byteWaits + static_cast<int>(rig.host.delays.size());
    };
    const auto stop = [&] {
      rig.Simulator().WaitIdle(); // what was on its way is in
      sentAtStop = rig.Sent().size();
      waitsAtStop = waits();
      rig.reception.Stop();
    };
    int arrived = 0;
    rig.host.itemDone = [&](const TFetchItem &) {
      if (++arrived == c.moment.afterItem)
        stop();
    };
    rig.host.during = [&](TFakeWait kind, int number) {
      if (kind == c.moment.kind && number == c.moment.number && c.moment.afterItem < 0)
        stop();
    };
    const TStopped run = RunFetch(c.kind, rig, c.retries);
    EXPECT_TRUE(run.report.cancelled);
    EXPECT_FALSE(run.report.AllFetched());
    EXPECT_EQ(run.saved, c.saved);
    // Only the item in progress is cancelled: what the run had not come to
    // was never asked for, and may not even be there.
    int fetched = 0, cancelled = 0, notAsked = 0;
    for (const TFetchItem &item : run.report.items) {
      fetched += item.result == TFetchResult::Fetched;
      cancelled += item.result == TFetchResult::Cancelled;
      notAsked += item.result == TFetchResult::NotAsked;
    }
    EXPECT_EQ(fetched, c.fetched);
    EXPECT_EQ(cancelled, run.report.items.empty() ? 0 : 1);
    for (const TFetchItem &item : run.report.items) {
      if (item.result == TFetchResult::Cancelled) {
        EXPECT_EQ(item.tries, c.tries);
      }
    }
    EXPECT_EQ(fetched + cancelled + notAsked, static_cast<int>(run.report.items.size()));
    if (!c.windowCancel) {
      // Nothing more is asked, and no wait begins after the stop.
      EXPECT_EQ(rig.Sent().size(), sentAtStop);
      EXPECT_EQ(waits(), waitsAtStop);
    }
  }
}

// What a stopped run says it kept: patches of one bank in runs, banks by letter.
TEST(FetchStop, TheReportNamesWhatArrivedWholeInRuns) {
  constexpr TFetchResult F = TFetchResult::Fetched;
  constexpr TFetchResult X = TFetchResult::Cancelled;
  constexpr TFetchResult C = TFetchResult::CutShort;
  struct TCase {
    std::vector<TFetchItem> items;
    const char *text;
  };
  const auto item = [](int bank, int patch, TFetchResult result) {
    return TFetchItem{bank, patch, 0, result, 1, true, 0, 0};
  };
  const std::vector<TCase> cases = {
      {{}, "Fetching was cancelled before anything had arrived whole."},
      {{item(0, 0, F), item(1, 0, F), item(2, 0, X)},
       "Fetching was cancelled; banks A, B arrived whole, the rest were not fetched."},
      {{item(2, 17, F)},
       "Fetching was cancelled; patch C:17 arrived whole, the rest were not fetched."},
      {{item(0, 1, F), item(0, 2, F), item(0, 3, F), item(0, 4, C), item(0, 5, F), item(1, 1, F),
        item(1, 2, X)},
       "Fetching was cancelled; patches A:1-A:3, A:5, B:1 arrived whole, the rest were "
       "not fetched."},
  };
  for (const TCase &c : cases) {
    TFetchReport report;
    report.items = c.items;
    EXPECT_EQ(CancelledText(report), "");
    report.cancelled = true;
    EXPECT_EQ(CancelledText(report), c.text);
  }
}

} // namespace
} // namespace zpm
