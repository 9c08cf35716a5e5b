// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/chunker.h"
#include "midi/reception.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace zpm {
namespace {

constexpr size_t kPatchSize = 266;

Bytes Numbered(unsigned number) {
  Bytes message(kPatchSize);
  for (size_t i = 0; i < kPatchSize; ++i) {
    message[i] = static_cast<uint8_t>((number + i) & 0x7F);
  }
  message[0] = 0xF0;
  message[1] = number & 0x7F;
  message[2] = (number >> 7) & 0x7F;
  message.back() = 0xF7;
  return message;
}

struct TCountingListener : TReceptionListener {
  std::atomic<int> closes{0};
  std::atomic<bool> torn{false};
  void ByteCountChanged(size_t count) override { torn = torn || count % kPatchSize != 0; }
  void CloseWaitRequested() override { ++closes; }
};

TEST(ReceptionStress, DriverThreadFeedsWhileTheUserSideWaits) {
  TEventLog log;
  TReception reception(log);
  TCountingListener listener;
  reception.SetListener(&listener);
  std::atomic<bool> done{false};
  size_t loggedLines = 0; // the driver's count, read after join

  std::thread driver([&] {
    TSysExChunker chunker(
        [&](const uint8_t *bytes, size_t count) {
          reception.HandleSysExData(0, bytes, count);
          ++loggedLines;
        },
        [&](uint8_t status, uint8_t data1, uint8_t data2) {
          reception.HandleMidiData(0, status, data1, data2);
          loggedLines += status != 0xFE;
        });
    std::mt19937 random(7);
    for (unsigned number = 0; number < 10000; ++number) {
      Bytes wire = Numbered(number);
      wire.insert(wire.begin() + 1 + random() % (kPatchSize - 1), random() % 2 ? 0xF8 : 0xFE);
      wire.insert(wire.end(), {0x90, 0x3C, 0x64});
      for (size_t at = 0, step = 0; at < wire.size(); at += step) {
        step = std::min<size_t>(1 + random() % 300, wire.size() - at);
        chunker.Feed(wire.data() + at, step);
      }
    }
    done = true;
    reception.CancelWait();
  });

  int completed = 0;
  for (int wait = 0;; ++wait) {
    const bool dump = wait % 2 == 0;
    TAwait await;
    await.mode = dump ? WaitSidDump : WaitFmAck;
    await.kinds = {{{0xF0}, dump ? kPatchSize : 0}};
    await.expectedSize = kPatchSize;
    reception.BeginWait(await);
    if (done) {
      break; // its cancel may have come before this wait began
    }
    const bool arrived = dump
                             ? reception.WaitUntilComplete()
                             : reception.WaitUntilReceived(8, TReception::Clock::time_point::max());
    const size_t seen = reception.ReceivedSize();
    log.Line(0);
    reception.EndWait();
    completed += reception.IsComplete();
    const Bytes buffer = reception.Buffer();
    ASSERT_GE(buffer.size(), seen);
    ASSERT_EQ(buffer.size() % kPatchSize, 0u);
    ASSERT_TRUE(arrived || reception.WasCancelled());
    // Whole numbered messages one after the other, or one was torn, lost or mixed.
    for (size_t at = 0; at < buffer.size(); at += kPatchSize) {
      const Bytes expected = Numbered(buffer[1] + (buffer[2] << 7) + at / kPatchSize);
      ASSERT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin() + at)) << at;
    }
  }
  driver.join();
  EXPECT_EQ(listener.closes, completed);
  EXPECT_FALSE(listener.torn);
  EXPECT_EQ(log.Count(), loggedLines);
}

} // namespace
} // namespace zpm
