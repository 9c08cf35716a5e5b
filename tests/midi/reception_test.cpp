// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_transfer.h"
#include "midi/reception.h"
#include "sid/sid_transfer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zpm {
namespace {

struct ReceptionTest : ::testing::Test, TReceptionListener {
  TEventLog log;
  TReception reception{log};
  std::vector<size_t> counts;
  int closes = 0;
  void ByteCountChanged(size_t count) override { counts.push_back(count); }
  void CloseWaitRequested() override { ++closes; }
  ReceptionTest() { reception.SetListener(this); }
  // The chunks of a whole message: head, fill bytes, F7, cut at the given sizes.
  static std::vector<Bytes> Chunks(Bytes head, size_t size, std::vector<size_t> cuts = {}) {
    Bytes message = std::move(head);
    message.resize(size - 1, 0x11);
    message.push_back(0xF7);
    std::vector<Bytes> chunks;
    size_t at = 0;
    for (size_t cut : cuts) {
      chunks.emplace_back(message.begin() + at, message.begin() + at + cut);
      at += cut;
    }
    chunks.emplace_back(message.begin() + at, message.end());
    return chunks;
  }
  void Feed(const std::vector<Bytes> &chunks) {
    for (const Bytes &chunk : chunks)
      reception.HandleSysExData(0, chunk.data(), chunk.size());
  }
  void SidPatchDump(std::vector<size_t> cuts = {}) {
    Feed(Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266, std::move(cuts)));
  }
};

const Bytes kFmHead = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00};

TEST_F(ReceptionTest, BankDumpCountsUpAndClosesAfterTheLastChunk) {
  reception.BeginWait(SidBankDumpAwait(0));
  Bytes dump;
  std::vector<size_t> steps;
  for (size_t count = 2048; count < 32777 + 2048; count += 2048) {
    const size_t size = std::min<size_t>(2048, 32777 - dump.size());
    Bytes chunk(size, static_cast<uint8_t>(count / 2048));
    if (dump.empty())
      std::copy_n(Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}.begin(), 7, chunk.begin());
    if (dump.size() + size == 32777)
      chunk.back() = 0xF7;
    dump.insert(dump.end(), chunk.begin(), chunk.end());
    reception.HandleSysExData(0, chunk.data(), size);
    reception.HandleMidiData(0, 0xFE, 0, 0);
    steps.push_back(dump.size());
  }
  reception.HandleMidiData(0, 0x90, 60, 100); // a note-on during the wait
  EXPECT_EQ(counts, steps);
  EXPECT_EQ(steps.back(), 32777u);
  EXPECT_EQ(closes, 1);
  reception.EndWait();
  EXPECT_EQ(reception.Buffer(), dump);
  EXPECT_EQ(log.Count(), 17u + 1u); // the chunks and the note-on, no active sensing
  EXPECT_EQ(log.Line(0).substr(15), "IN : <Status> 90, <Data 1> 3c <Data 2> 64");
}

TEST_F(ReceptionTest, WhenEachWaitCollectsAndAsksToClose) {
  struct TCase {
    const char *name;
    TAwait await;
    std::vector<std::vector<Bytes>> messages;
    int closes;
    size_t kept; // bytes in the buffer once the wait ends
  };
  const auto refusal = [] {
    Bytes head = kFmHead;
    head.insert(head.end(), {kFmRefusal, 0x00});
    return Chunks(head, 9);
  };
  Bytes voice = kFmHead;
  voice.insert(voice.end(), {0x02, 0x00, 0x00, 0x00});
  const std::vector<TCase> cases = {
      {"no wait", TAwait{}, {Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266)}, 0, 0},
      {"a patch dump in one chunk",
       SidPatchDumpAwait(0, 5),
       {Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266)},
       1,
       266},
      {"a patch dump in two",
       SidPatchDumpAwait(0, 5),
       {Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266, {200})},
       1,
       266},
      {"surplus after the dump is only logged",
       SidPatchDumpAwait(0, 5),
       {Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266), refusal()},
       1,
       266},
      {"the FM refusal ends an FM dump wait", FmDumpAwait(0, 0, 0, 0), {refusal()}, 1, 9},
      {"the FM dump", FmDumpAwait(0, 0, 0, 0), {Chunks(voice, 268), refusal()}, 1, 268},
      {"the refusal answers a write", FmAckAwait(0), {refusal()}, 1, 9},
      {"a dump another program asked for does not", FmAckAwait(0), {Chunks(voice, 268)}, 0, 0},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    counts.clear();
    closes = 0;
    reception.BeginWait(c.await);
    for (const std::vector<Bytes> &message : c.messages)
      Feed(message);
    EXPECT_EQ(closes, c.closes);
    EXPECT_EQ(reception.IsComplete(), c.closes == 1);
    EXPECT_EQ(counts.empty() ? 0 : counts.back(), c.kept);
    reception.EndWait();
    SidPatchDump(); // only logged now: the buffer keeps the last answer
    EXPECT_EQ(reception.ReceivedSize(), c.kept);
  }
}

// A device sends a dump without pauses: one that has begun and brings no
// byte for a second has stopped, and its wait ends at once as cut short.
TEST_F(ReceptionTest, ADumpThatStopsEndsItsWaitAsStopped) {
  reception.BeginWait(SidBankDumpAwait(0));
  Feed({Chunks({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}, 32777, {2048})[0]});
  EXPECT_TRUE(reception.DeviceSending());
  EXPECT_TRUE(reception.WaitUntilEnded());
  const TWaitOutcome outcome = reception.Outcome();
  EXPECT_EQ(outcome.end, TWaitEnd::CutShort);
  EXPECT_EQ(outcome.cause, TCutCause::Stopped);
  EXPECT_EQ(outcome.received, 2048u);
  EXPECT_FALSE(reception.DeviceSending());
  reception.EndWait();
}

TEST_F(ReceptionTest, WaitsEndOnArrivalOnCancelAndAtTheDeadline) {
  reception.BeginWait(SidPatchDumpAwait(0, 5));
  SidPatchDump(); // before anyone waits
  EXPECT_TRUE(reception.WaitUntilComplete());
  reception.BeginWait(SidPatchDumpAwait(0, 5));
  EXPECT_FALSE(reception.WaitUntilComplete(TReception::Clock::now()));
  reception.BeginWait(SidPatchDumpAwait(0, 5));
  std::thread driver([&] { SidPatchDump({100}); });
  EXPECT_TRUE(reception.WaitUntilComplete());
  driver.join();

  reception.BeginWait(SidPatchDumpAwait(0, 5));
  std::thread user([&] { reception.CancelWait(); });
  EXPECT_FALSE(reception.WaitUntilComplete());
  user.join();
  EXPECT_TRUE(reception.WasCancelled());

  Bytes refused = kFmHead;
  refused.insert(refused.end(), {kFmRefusal, 0x00});
  const std::vector<Bytes> refusal = Chunks(refused, 9);
  reception.BeginWait(FmAckAwait(0)); // the acknowledgement of a write
  EXPECT_FALSE(reception.WasCancelled());
  EXPECT_FALSE(reception.WaitUntilReceived(8, TReception::Clock::now()));
  driver = std::thread([&] { Feed(refusal); });
  EXPECT_TRUE(reception.WaitUntilReceived(8, TReception::Clock::time_point::max()));
  driver.join();
  reception.EndWait();
  EXPECT_EQ(reception.TakeBuffer().size(), 9u);
  EXPECT_EQ(reception.ReceivedSize(), 0u);
}

} // namespace
} // namespace zpm
