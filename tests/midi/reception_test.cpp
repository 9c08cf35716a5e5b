#include "midi/reception.h"

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
  void Chunk(size_t size, uint8_t fill = 0x11) {
    Bytes chunk(size, fill);
    reception.HandleSysExData(0, chunk.data(), chunk.size());
  }
};

TEST_F(ReceptionTest, BankDumpCountsUpAndClosesAfterTheLastChunk) {
  reception.BeginWait(WaitSidDump, 32777);
  Bytes dump;
  std::vector<size_t> steps;
  for (size_t count = 2048; count < 32777 + 2048; count += 2048) {
    const size_t size = std::min<size_t>(2048, 32777 - dump.size());
    const Bytes chunk(size, static_cast<uint8_t>(count / 2048));
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

TEST_F(ReceptionTest, WhenEachModeCollectsAndAsksToCloseTheWait) {
  struct TCase {
    TWaitMode mode;
    int64_t expected;
    std::vector<size_t> chunks;
    int closes;
  };
  for (const TCase &c : std::vector<TCase>{{WaitNone, 266, {266}, 0},
                                           {WaitSidDump, 266, {266}, 1},
                                           {WaitSidDump, 266, {9}, 0},
                                           {WaitSidDump, 266, {200, 65}, 0},
                                           {WaitSidDump, 266, {200, 66, 9, 9}, 1}, // surplus
                                           {WaitSidDump, 0, {266, 9}, 0},
                                           {WaitFmDump, 268, {9}, 1},
                                           {WaitFmDump, 268, {4, 5}, 1},
                                           {WaitFmDump, 268, {268, 9}, 1},
                                           {WaitFmDump, 268, {267}, 0},
                                           {WaitFmDump, 0, {9}, 0},
                                           {WaitFmAck, 9, {9, 300}, 0}}) {
    counts.clear();
    closes = 0;
    reception.BeginWait(c.mode, c.expected);
    std::vector<size_t> steps;
    for (size_t size : c.chunks) {
      Chunk(size);
      steps.push_back((steps.empty() ? 0 : steps.back()) + size);
    }
    const size_t total = c.mode == WaitNone ? 0 : steps.back();
    EXPECT_EQ(counts, c.mode == WaitNone ? std::vector<size_t>{} : steps) << c.mode;
    EXPECT_EQ(closes, c.closes) << c.mode << " " << c.expected << " " << total;
    EXPECT_EQ(reception.IsComplete(), c.closes == 1);
    reception.EndWait();
    Chunk(9); // only logged now: the buffer keeps the last answer
    EXPECT_EQ(reception.Buffer(), Bytes(total, 0x11));
  }
}

TEST_F(ReceptionTest, WaitsEndOnArrivalOnCancelAndAtTheDeadline) {
  reception.BeginWait(WaitSidDump, 266);
  Chunk(266); // before anyone waits
  EXPECT_TRUE(reception.WaitUntilComplete());
  reception.BeginWait(WaitSidDump, 266);
  EXPECT_FALSE(reception.WaitUntilComplete(TReception::Clock::now()));
  std::thread driver([&] { Chunk(100), Chunk(166); });
  EXPECT_TRUE(reception.WaitUntilComplete());
  driver.join();

  reception.BeginWait(WaitSidDump, 266);
  std::thread user([&] { reception.CancelWait(); });
  EXPECT_FALSE(reception.WaitUntilComplete());
  user.join();
  EXPECT_TRUE(reception.WasCancelled());

  reception.BeginWait(WaitFmAck, 0); // the acknowledgement of a write
  EXPECT_FALSE(reception.WasCancelled());
  EXPECT_FALSE(reception.WaitUntilReceived(8, TReception::Clock::now()));
  driver = std::thread([&] { Chunk(8); });
  EXPECT_TRUE(reception.WaitUntilReceived(8, TReception::Clock::time_point::max()));
  driver.join();
  reception.EndWait();
  EXPECT_EQ(reception.TakeBuffer().size(), 8u);
  EXPECT_EQ(reception.ReceivedSize(), 0u);
}

} // namespace
} // namespace zpm
