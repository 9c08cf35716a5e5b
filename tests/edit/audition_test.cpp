// SPDX-License-Identifier: GPL-3.0-or-later
// The audition slot over the in-process simulator with the fake host's
// clock: the latest patch wins, writes keep their spacing, the last value
// always goes out, the slot's patch is fetched once before the first write
// and put back, a lost port stops auditioning with one line, and the short
// messages go out only when they are on.

#include "edit/audition.h"

#include "edit/audition_core.h"
#include "patch/checksum.h"
#include "patch/patch.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zpm {
namespace {

// A whole Patch Dump whose data bytes are all fill, addressed elsewhere;
// the FM one of the given type.
Bytes Image(TAuditionSynth synth, uint8_t fill, uint8_t type = kFmVoice) {
  const bool sid = synth == TAuditionSynth::Sid;
  const size_t offset = sid ? kSidDataOffset : kFmDataOffset;
  Bytes image(offset + kDataSize + 2, fill);
  const Bytes header = sid ? Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x05, 0x02, 3}
                           : Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x05, 0x02, type, 1, 2};
  std::copy(header.begin(), header.end(), image.begin());
  image[offset + kDataSize] = 0; // a wrong checksum: the audition makes it right
  image.back() = 0xF7;
  return image;
}

Bytes Data(uint8_t fill) {
  return Bytes(kDataSize, fill);
}

TAuditionOptions Options(TAuditionSynth synth, int pauseMs = 100) {
  TAuditionOptions options;
  options.synth = synth;
  options.bank = 2;
  options.slot = 9;
  options.pauseMs = pauseMs;
  return options;
}

// The simulator, the fake clock and a core over them, with what it told.
struct TAuditionRig {
  explicit TAuditionRig(const TAuditionOptions &options)
      : core(rig.link, rig.host, options, Events(), [this] { return rig.host.clockMs; }) {}

  TAuditionEvents Events() {
    TAuditionEvents events;
    events.status = [this](const std::string &line) { lines.push_back(line); };
    events.backup = [this](const TSnapshotRecord &record) { backups.push_back(record); };
    return events;
  }

  Bytes SlotData(const TAuditionOptions &o, uint8_t type = kFmVoice) {
    return o.synth == TAuditionSynth::Sid
               ? rig.Synth().SidPatchData(static_cast<uint8_t>(o.bank),
                                          static_cast<uint8_t>(o.slot))
               : rig.Synth().FmPatchData(type, static_cast<uint8_t>(o.bank),
                                         static_cast<uint8_t>(o.slot));
  }

  // The sent messages of a size: 266 or 268 for writes, 9 or 11 for requests.
  std::vector<Bytes> Sent(size_t size) {
    std::vector<Bytes> sent;
    for (const Bytes &message : rig.Sent())
      if (message.size() == size)
        sent.push_back(message);
    return sent;
  }

  std::vector<std::string> ShortLines() {
    std::vector<std::string> found;
    for (size_t i = 0; i < rig.log.Count(); ++i) {
      const std::string line = rig.log.LineFromOldest(i);
      if (line.find("] OUT: <Status> ") != std::string::npos)
        found.push_back(line.substr(line.find("<Status>")));
    }
    return found;
  }

  TSimRig rig;
  std::vector<std::string> lines;
  std::vector<TSnapshotRecord> backups;
  TAuditionCore core;
};

size_t DumpSize(TAuditionSynth synth) {
  return synth == TAuditionSynth::Sid ? kSidDumpSize : kFmDumpSize;
}

TEST(Audition, TheLatestOfTheWaitingPatchesIsWrittenReaddressed) {
  for (TAuditionSynth synth : {TAuditionSynth::Sid, TAuditionSynth::Fm})
    for (int submits : {1, 3, 12}) {
      const TAuditionOptions options = Options(synth);
      TAuditionRig a(options);
      for (int i = 1; i <= submits; ++i)
        ASSERT_TRUE(a.core.Submit(Image(synth, static_cast<uint8_t>(i))));
      EXPECT_TRUE(a.core.WriteNext());
      EXPECT_FALSE(a.core.WriteNext()) << "nothing waits any more";
      const std::vector<Bytes> writes = a.Sent(DumpSize(synth));
      ASSERT_EQ(writes.size(), 1u) << submits;
      Bytes expected = Image(synth, static_cast<uint8_t>(submits));
      expected[5] = 0;
      if (synth == TAuditionSynth::Sid) {
        expected[7] = 9;
      } else {
        expected[8] = 2;
        expected[9] = 9;
      }
      expected[expected.size() - 2] = DataChecksum(Data(static_cast<uint8_t>(submits)).data());
      EXPECT_EQ(writes[0], expected);
      EXPECT_EQ(a.SlotData(options), Data(static_cast<uint8_t>(submits)));
    }
}

TEST(Audition, WhatCannotBeAuditionedIsRefusedWithAReason) {
  struct Case {
    TAuditionSynth synth;
    int slot;
    Bytes image;
    const char *why;
  };
  Bytes high = Image(TAuditionSynth::Sid, 1);
  high[100] = 0x80;
  const Case cases[] = {
      {TAuditionSynth::Sid, -1, Image(TAuditionSynth::Sid, 1),
       "No audition slot is chosen for the Zavorin SID yet."},
      {TAuditionSynth::Sid, 9, Image(TAuditionSynth::Fm, 1),
       "The patch is not a whole SID Patch Dump, so it cannot be auditioned."},
      {TAuditionSynth::Fm, 16, Image(TAuditionSynth::Fm, 1, kFmDrumset),
       "The audition slot C:17 is past the drumsets' last slot (16); choose a slot of 1 to 16 "
       "on the Config page."},
      {TAuditionSynth::Fm, 15, Image(TAuditionSynth::Fm, 1, 0x20),
       "The patch is of no FM type the synthesizer knows, so it cannot be auditioned."},
      {TAuditionSynth::Sid, 9, high,
       "The patch holds a byte of 80h or above, which would break the message; it was not "
       "auditioned."},
  };
  for (const Case &c : cases) {
    TAuditionOptions options = Options(c.synth);
    options.slot = c.slot;
    TAuditionRig a(options);
    std::string why;
    EXPECT_FALSE(a.core.Submit(c.image, &why));
    EXPECT_EQ(why.substr(0, std::string(c.why).size()), c.why);
    EXPECT_FALSE(a.core.Pending());
  }
}

// After a write, the next one waits out what is left of 150 ms since the
// previous began; the SID's pause already counts towards it.
TEST(Audition, WritesBeginNoSoonerThanTheSpacingAfterThePreviousOne) {
  struct Case {
    int pauseMs;
    int idleMs; // before the second change
    std::vector<int> delays;
  };
  const Case cases[] = {
      {0, 0, {150, 0}},   {50, 0, {100, 50}}, {100, 30, {20, 100}},
      {149, 0, {1, 149}}, {150, 0, {150}},    {400, 0, {400}},
  };
  for (const Case &c : cases) {
    TAuditionRig a(Options(TAuditionSynth::Sid, c.pauseMs));
    a.core.Submit(Image(TAuditionSynth::Sid, 1));
    ASSERT_TRUE(a.core.WriteNext());
    a.rig.host.clockMs += c.idleMs;
    a.core.Submit(Image(TAuditionSynth::Sid, 2));
    const size_t before = a.rig.host.delays.size();
    ASSERT_TRUE(a.core.WriteNext());
    EXPECT_EQ(std::vector<int>(a.rig.host.delays.begin() + static_cast<long>(before),
                               a.rig.host.delays.end()),
              c.delays)
        << c.pauseMs << " " << c.idleMs;
  }
}

// A slider sweep, one change every 5 ms for a second, arriving while the
// audition waits: the slot ends with the last value, and no more writes go
// out than the spacing allows.
TEST(Audition, TheLastValueOfASweepAlwaysGoesOut) {
  struct Case {
    TAuditionSynth synth;
    int pauseMs;
    int lastChangeMs;
    int mostWrites;
  };
  const Case cases[] = {
      {TAuditionSynth::Sid, 0, 1000, 8},   {TAuditionSynth::Sid, 750, 1000, 3},
      {TAuditionSynth::Fm, 1500, 1000, 8}, {TAuditionSynth::Sid, 20, 7, 2},
      {TAuditionSynth::Sid, 20, 152, 3},
  };
  for (const Case &c : cases) {
    const TAuditionOptions options = Options(c.synth, c.pauseMs);
    TAuditionRig a(options);
    int next = 0; // the next change's time, value next / 5 % 100 + 1
    const auto change = [&](int64_t until) {
      for (; next <= c.lastChangeMs && next < until; next += 5)
        a.core.Submit(Image(c.synth, static_cast<uint8_t>(next / 5 % 100 + 1)));
    };
    a.rig.host.during = [&](TFakeWait kind, int) {
      // The changes that come while the audition waits.
      if (kind == TFakeWait::Delay)
        change(a.rig.host.clockMs + a.rig.host.delays.back());
    };
    for (;;) {
      if (!a.core.Pending()) {
        if (next > c.lastChangeMs)
          break;
        // Idle until the next change.
        a.rig.host.clockMs = std::max<int64_t>(a.rig.host.clockMs, next);
        change(a.rig.host.clockMs + 1);
      }
      a.core.WriteNext();
    }
    const int last = c.lastChangeMs / 5 * 5;
    EXPECT_EQ(a.SlotData(options), Data(static_cast<uint8_t>(last / 5 % 100 + 1)))
        << c.pauseMs << " " << c.lastChangeMs;
    EXPECT_LE(static_cast<int>(a.Sent(DumpSize(c.synth)).size()), c.mostWrites);
  }
}

// The slot's own patch is fetched once before the first write (once per FM
// type) and handed over for the library; putting back writes it again.
TEST(Audition, TheSlotsPatchIsFetchedBeforeTheFirstWriteAndPutBack) {
  struct Case {
    TAuditionSynth synth;
    std::vector<uint8_t> types; // of the patches written, in order
    size_t fetches;
  };
  const Case cases[] = {
      {TAuditionSynth::Sid, {0, 0, 0}, 1},
      {TAuditionSynth::Fm, {kFmVoice, kFmVoice}, 1},
      {TAuditionSynth::Fm, {kFmVoice, kFmDrumset, kFmVoice}, 2},
      {TAuditionSynth::Sid, {}, 0},
  };
  for (const Case &c : cases) {
    const TAuditionOptions options = Options(c.synth);
    TAuditionRig a(options);
    const bool sid = c.synth == TAuditionSynth::Sid;
    std::vector<Bytes> originals;
    for (uint8_t type : {kFmVoice, kFmDrumset})
      originals.push_back(a.SlotData(options, type));
    uint8_t fill = 1;
    for (uint8_t type : c.types) {
      a.core.Submit(Image(c.synth, fill++, type));
      ASSERT_TRUE(a.core.WriteNext());
    }
    const size_t requestSize = sid ? 9 : 11;
    const std::vector<Bytes> requests = a.Sent(requestSize);
    size_t fetches = 0;
    for (const Bytes &request : requests)
      fetches += request[6] == 0x01 ? 1 : 0;
    EXPECT_EQ(fetches, c.fetches);
    ASSERT_EQ(a.backups.size(), c.fetches);
    for (size_t i = 0; i < a.backups.size(); ++i) {
      ASSERT_EQ(a.backups[i].places.size(), 1u);
      const TPlacedPatch &placed = a.backups[i].places[0].placed;
      EXPECT_EQ(placed.bank, 2);
      EXPECT_EQ(placed.number, 9);
      EXPECT_EQ(Bytes(placed.patch.data.begin(), placed.patch.data.end()), originals[i]);
    }
    if (!c.types.empty()) {
      // The fetch came before the first write.
      const std::vector<Bytes> sent = a.rig.Sent();
      const auto firstWrite = std::find_if(
          sent.begin(), sent.end(), [&](const Bytes &m) { return m.size() == DumpSize(c.synth); });
      EXPECT_TRUE(std::any_of(sent.begin(), firstWrite, [&](const Bytes &m) {
        return m.size() == requestSize && m[6] == 0x01;
      }));
    }

    const size_t writesBefore = a.Sent(DumpSize(c.synth)).size();
    a.core.PutBack();
    EXPECT_EQ(a.Sent(DumpSize(c.synth)).size(), writesBefore + c.fetches);
    EXPECT_EQ(a.SlotData(options, kFmVoice), originals[0]);
    if (!sid) {
      EXPECT_EQ(a.SlotData(options, kFmDrumset), originals[1]);
    }
    if (c.fetches > 0) {
      EXPECT_EQ(a.lines.back(), "The audition slot C:10 holds its own patch again.");
    } else {
      EXPECT_TRUE(a.lines.empty());
    }
  }
}

// A lost port or service stops auditioning with one line, whenever it goes:
// nothing more is written, nothing more is taken.
TEST(Audition, ALostPortStopsAuditioningWithOneLine) {
  for (int lostAfterWrites : {0, 1, 3}) {
    const TAuditionOptions options = Options(TAuditionSynth::Sid);
    TAuditionRig a(options);
    for (int i = 0; i < lostAfterWrites; ++i) {
      a.core.Submit(Image(TAuditionSynth::Sid, static_cast<uint8_t>(i + 1)));
      ASSERT_TRUE(a.core.WriteNext());
    }
    a.rig.Simulator().LoseService("The MIDI port zavorin-sim:in has gone.");
    a.rig.Simulator().WaitIdle();
    a.core.Submit(Image(TAuditionSynth::Sid, 50));
    EXPECT_FALSE(a.core.WriteNext());
    a.core.Submit(Image(TAuditionSynth::Sid, 51));
    EXPECT_FALSE(a.core.WriteNext());
    EXPECT_TRUE(a.core.Stopped());
    const std::string line = "The MIDI port zavorin-sim:in has gone. Auditioning has stopped.";
    EXPECT_EQ(a.lines, std::vector<std::string>{line}) << lostAfterWrites;
    std::string why;
    EXPECT_FALSE(a.core.Submit(Image(TAuditionSynth::Sid, 52), &why));
    EXPECT_EQ(why, line);
    EXPECT_EQ(a.Sent(kSidDumpSize).size(), static_cast<size_t>(lostAfterWrites));
    EXPECT_EQ(a.core.Writes(), lostAfterWrites);
  }
}

// Program Change to the slot and the test note follow each write, and "All
// notes off" ends it, only when the Config page turns them on; the
// simulator takes them in its stride and acknowledges the next write.
TEST(Audition, ShortMessagesGoOutOnlyWhenTurnedOn) {
  struct Case {
    bool on;
    int writes;
    std::vector<std::string> lines;
  };
  const std::string pc = "<Status> c3, <Data 1> 09 <Data 2> 00";
  const std::string on = "<Status> 93, <Data 1> 40 <Data 2> 50";
  const std::string off = "<Status> 83, <Data 1> 40 <Data 2> 00";
  const std::string all = "<Status> b3, <Data 1> 7b <Data 2> 00";
  const Case cases[] = {
      {false, 2, {}},
      {true, 0, {}},
      {true, 1, {pc, on, off, all}},
      {true, 2, {pc, on, off, pc, on, off, all}},
  };
  for (const Case &c : cases) {
    TAuditionOptions options = Options(TAuditionSynth::Fm);
    options.notes.afterWrite = c.on;
    options.notes.channel = 4;
    options.notes.note = 64;
    options.notes.velocity = 80;
    options.notes.lengthMs = 250;
    TAuditionRig a(options);
    for (int i = 0; i < c.writes; ++i) {
      a.core.Submit(Image(TAuditionSynth::Fm, static_cast<uint8_t>(i + 1)));
      ASSERT_TRUE(a.core.WriteNext());
    }
    a.core.NotesOff();
    EXPECT_EQ(a.ShortLines(), c.lines) << c.on << " " << c.writes;
    const auto notes = std::count(a.rig.host.delays.begin(), a.rig.host.delays.end(), 250);
    EXPECT_EQ(notes, c.on ? c.writes : 0);
  }
}

// The end of auditioning: the patch still waiting goes out, or the slot's
// own patch instead and the waiting one never.
TEST(Audition, FinishingWritesTheLastPatchOrPutsBack) {
  for (bool putBack : {false, true}) {
    const TAuditionOptions options = Options(TAuditionSynth::Sid);
    TAuditionRig a(options);
    const Bytes original = a.SlotData(options);
    a.core.Submit(Image(TAuditionSynth::Sid, 1));
    ASSERT_TRUE(a.core.WriteNext());
    a.core.Submit(Image(TAuditionSynth::Sid, 2));
    a.core.Finish(putBack);
    EXPECT_EQ(a.SlotData(options), putBack ? original : Data(2));
    EXPECT_EQ(a.Sent(kSidDumpSize).size(), 2u);
  }
}

// The same on the audition's own thread, however far it got before Close.
TEST(Audition, ClosingOnItsOwnThreadEndsAsFinishing) {
  for (bool putBack : {false, true}) {
    const TAuditionOptions options = [] {
      TAuditionOptions o = Options(TAuditionSynth::Sid, 0);
      o.notes.afterWrite = true;
      o.notes.lengthMs = 10;
      return o;
    }();
    TSimRig rig;
    const Bytes original = rig.Synth().SidPatchData(2, 9);
    {
      TAudition audition(rig.link, options, {});
      ASSERT_EQ(audition.Start(), "");
      for (uint8_t fill = 1; fill <= 20; ++fill)
        ASSERT_TRUE(audition.Submit(Image(TAuditionSynth::Sid, fill)));
      audition.Close(putBack);
      audition.WaitClosed();
      EXPECT_TRUE(audition.Closed());
      EXPECT_FALSE(audition.Submit(Image(TAuditionSynth::Sid, 30)));
    }
    EXPECT_EQ(rig.Synth().SidPatchData(2, 9), putBack ? original : Data(20));
  }
}

} // namespace
} // namespace zpm
