// SPDX-License-Identifier: GPL-3.0-or-later
// Waits for whole messages of one kind, fed as raw wire bytes through the
// real chunker, the way every input hands them to the reception.
#include "midi/chunker.h"
#include "midi/reception.h"
#include "sid/sid_messages.h"
#include "sid/sid_transfer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zpm {
namespace {

Bytes Message(std::initializer_list<uint8_t> head, size_t size, uint8_t fill = 0x11) {
  Bytes bytes(head);
  while (bytes.size() + 1 < size)
    bytes.push_back(fill);
  bytes.push_back(0xF7);
  return bytes;
}

Bytes BankDump(uint8_t device = 0) {
  return Message({0xF0, 0x00, 0x00, 0x7E, 0x46, device, 0x04}, kSidBankDumpSize, 0x22);
}
Bytes BankSelectAck(uint8_t bank, uint8_t device = 0) {
  return {0xF0, 0x00, 0x00, 0x7E, 0x46, device, 0x0F, bank, 0xF7};
}
Bytes FmDump() {
  return Message({0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00, 0x00, 0x00}, 268);
}

struct AwaitTest : ::testing::Test, TReceptionListener {
  TEventLog log;
  TReception reception{log};
  TSysExChunker chunker{
      [this](const uint8_t *bytes, size_t count) { reception.HandleSysExData(0, bytes, count); },
      [this](uint8_t status, uint8_t d1, uint8_t d2) {
        reception.HandleMidiData(0, status, d1, d2);
      },
      [this](TInputProblem problem, const std::string &reason) {
        reception.HandleInputProblem(0, problem, reason);
      }};
  std::vector<size_t> counts;
  int closes = 0;
  void ByteCountChanged(size_t count) override { counts.push_back(count); }
  void CloseWaitRequested() override { ++closes; }
  AwaitTest() { reception.SetListener(this); }

  // In fragments of the given size, as a transport might deliver them.
  void Feed(const Bytes &bytes, size_t fragment = 1000) {
    for (size_t at = 0; at < bytes.size(); at += fragment)
      chunker.Feed(bytes.data() + at, std::min(fragment, bytes.size() - at));
  }
  void FeedPart(const Bytes &bytes, size_t count) { chunker.Feed(bytes.data(), count); }
};

// What arrives during a bank dump wait, and how the wait must end.
TEST_F(AwaitTest, ABankDumpWaitTakesOnlyTheWholeDumpOfItsDevice) {
  const Bytes dump = BankDump();
  struct TCase {
    const char *name;
    std::function<void(AwaitTest &)> arrive;
    TWaitEnd end;
    size_t received; // bytes in the buffer once the wait ends
    size_t cutAt;    // the outcome's count for a cut-short end
  };
  const std::vector<TCase> cases = {
      {"the dump alone", [&](AwaitTest &t) { t.Feed(dump); }, TWaitEnd::Complete, 32777, 0},
      {"a late Bank Select answer first",
       [&](AwaitTest &t) {
         t.Feed(BankSelectAck(2));
         t.Feed(dump, 300);
       },
       TWaitEnd::Complete, 32777, 0},
      {"another device's dump first, then the right one",
       [&](AwaitTest &t) {
         t.Feed(BankDump(5));
         t.Feed(dump);
       },
       TWaitEnd::Complete, 32777, 0},
      {"FM traffic and real-time bytes in between",
       [&](AwaitTest &t) {
         t.Feed(FmDump());
         t.FeedPart(dump, 5000);
         t.Feed({0xF8, 0xFE});
         t.Feed(Bytes(dump.begin() + 5000, dump.end()));
       },
       TWaitEnd::Complete, 32777, 0},
      {"an F7 before its size",
       [&](AwaitTest &t) {
         Bytes shortDump(dump.begin(), dump.begin() + 30296);
         shortDump.push_back(0xF7);
         t.Feed(shortDump);
       },
       TWaitEnd::CutShort, 30297, 30297},
      {"a status byte breaking it",
       [&](AwaitTest &t) {
         t.FeedPart(dump, 4100);
         t.Feed({0x90, 0x40, 0x7F});
       },
       TWaitEnd::CutShort, 4096, 4096},
      {"a new message breaking it",
       [&](AwaitTest &t) {
         t.FeedPart(dump, 6000);
         t.Feed(BankSelectAck(1));
       },
       TWaitEnd::CutShort, 4096, 4096},
      {"bytes lost inside it",
       [&](AwaitTest &t) {
         t.FeedPart(dump, 3000);
         t.chunker.MarkBroken();
         t.Feed(Bytes(dump.begin() + 3000, dump.end()));
       },
       TWaitEnd::CutShort, 3000, 3000},
      {"bytes lost before it began, the whole dump after",
       [&](AwaitTest &t) {
         t.chunker.MarkBroken();
         t.Feed(dump);
       },
       TWaitEnd::Complete, kSidBankDumpSize, 0},
      {"bytes lost that held its start",
       [&](AwaitTest &t) {
         t.chunker.MarkBroken();
         t.Feed(Bytes(dump.begin() + 100, dump.end()));
       },
       TWaitEnd::CutShort, 0, 0},
      {"bytes lost inside a stray message",
       [&](AwaitTest &t) {
         t.FeedPart(FmDump(), 100);
         t.chunker.MarkBroken();
       },
       TWaitEnd::Waiting, 0, 0},
      {"a longer message with the dump's header",
       [&](AwaitTest &t) {
         Bytes longer(dump.begin(), dump.end() - 1);
         longer.insert(longer.end(), 100, 0x01);
         longer.push_back(0xF7);
         t.Feed(longer);
       },
       TWaitEnd::Waiting, 0, 0},
      {"the rest of a message begun before the wait",
       [&](AwaitTest &t) { t.Feed(Bytes(dump.begin() + 2048, dump.end())); }, TWaitEnd::Waiting, 0,
       0},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    counts.clear();
    closes = 0;
    chunker.Reset();
    reception.BeginWait(SidBankDumpAwait(0));
    c.arrive(*this);
    const TWaitOutcome outcome = reception.Outcome();
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(reception.ReceivedSize(), c.received);
    EXPECT_EQ(closes, c.end == TWaitEnd::Waiting ? 0 : 1);
    // The counter never shows a byte that is not the awaited message's.
    for (size_t count : counts)
      EXPECT_LE(count, c.end == TWaitEnd::Waiting ? dump.size() : c.received);
    if (c.end == TWaitEnd::Complete) {
      EXPECT_EQ(reception.Buffer(), dump);
    }
    if (c.end == TWaitEnd::CutShort) {
      EXPECT_EQ(outcome.received, c.cutAt);
      EXPECT_EQ(outcome.expected, kSidBankDumpSize);
    }
    reception.EndWait();
  }
}

TEST_F(AwaitTest, TheBankSelectPauseKeepsEveryWholeAnswerOfTheDevice) {
  struct TCase {
    const char *name;
    std::vector<Bytes> arrive;
    int classified; // what SelectSidBank makes of it for bank 2
  };
  const Bytes seven = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0xF7};
  const Bytes refusal = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0E, 0x02, 0xF7};
  const std::vector<TCase> cases = {
      {"the acknowledgement", {BankSelectAck(2)}, SidBankSelected},
      {"a refusal", {refusal}, SidBankMissing},
      {"nothing", {}, SidSingleCart},
      {"the 7-byte answer", {seven}, SidSingleCart},
      {"two acknowledgements", {BankSelectAck(2), BankSelectAck(2)}, SidBankMissing},
      {"another bank's acknowledgement", {BankSelectAck(1)}, SidBankMissing},
      {"another device's acknowledgement", {BankSelectAck(2, 9)}, SidSingleCart},
      {"a late dump and the acknowledgement", {BankDump(), BankSelectAck(2)}, SidBankSelected},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    reception.BeginWait(SidBankSelectAwait(0));
    for (const Bytes &message : c.arrive)
      Feed(message);
    EXPECT_EQ(reception.Outcome().end, TWaitEnd::Waiting); // the pause always runs out
    reception.EndWait();
    EXPECT_EQ(ClassifySidBankSelectAnswer(reception.Buffer(), 0, 2), c.classified);
  }
}

TEST_F(AwaitTest, ALostServiceEndsThisWaitAndEveryLaterOneUntilTheInputOpensAgain) {
  EXPECT_FALSE(reception.SleepUnlessLost(TReception::Clock::now()));
  std::thread driver([&] { chunker.MarkLost("The JACK server has shut down."); });
  // A pause ends when the service goes, long before its minute is up.
  EXPECT_TRUE(reception.SleepUnlessLost(TReception::Clock::now() + std::chrono::minutes(1)));
  driver.join();
  reception.InputOpened();
  closes = 0;

  reception.BeginWait(SidBankDumpAwait(0));
  FeedPart(BankDump(), 6144);
  chunker.MarkLost("The JACK server has shut down.");
  TWaitOutcome outcome = reception.Outcome();
  EXPECT_EQ(outcome.end, TWaitEnd::ServiceLost);
  EXPECT_EQ(outcome.reason, "The JACK server has shut down.");
  EXPECT_EQ(closes, 1);
  reception.EndWait();

  reception.BeginWait(SidBankSelectAwait(0));
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::ServiceLost);
  EXPECT_TRUE(reception.WaitUntilEnded()); // no deadline, yet it returns
  reception.EndWait();

  reception.InputOpened();
  reception.BeginWait(SidBankDumpAwait(0));
  Feed(BankDump());
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::Complete);
  reception.EndWait();
}

TEST_F(AwaitTest, AWaitingThreadLearnsAtOnceHowTheWaitEnded) {
  struct TCase {
    const char *name;
    std::function<void(AwaitTest &)> driver;
    TWaitEnd end;
  };
  const std::vector<TCase> cases = {
      {"complete", [](AwaitTest &t) { t.Feed(BankDump()); }, TWaitEnd::Complete},
      {"cut short",
       [](AwaitTest &t) {
         t.Feed(Message({0xF0, 0, 0, 0x7E, 0x46, 0, 4}, 100));
       },
       TWaitEnd::CutShort},
      {"service lost", [](AwaitTest &t) { t.chunker.MarkLost("The MIDI port x has gone."); },
       TWaitEnd::ServiceLost},
      {"cancelled", [](AwaitTest &t) { t.reception.CancelWait(); }, TWaitEnd::Cancelled},
      // A busy machine may hold a dump's bytes back for a while; a device
      // that stopped for good is told by a longer silence.
      {"complete after a 400 ms gap",
       [](AwaitTest &t) {
         const Bytes dump = BankDump();
         t.FeedPart(dump, 6144);
         std::this_thread::sleep_for(std::chrono::milliseconds(400));
         t.chunker.Feed(dump.data() + 6144, dump.size() - 6144);
       },
       TWaitEnd::Complete},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    reception.InputOpened();
    reception.BeginWait(SidBankDumpAwait(0));
    std::thread driver([&] { c.driver(*this); });
    EXPECT_TRUE(reception.WaitUntilEnded());
    driver.join();
    EXPECT_EQ(reception.Outcome().end, c.end);
    reception.EndWait();
  }
  reception.InputOpened();
  reception.BeginWait(SidBankDumpAwait(0));
  EXPECT_FALSE(reception.WaitUntilEnded(TReception::Clock::now()));
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::TimedOut);
  Feed(BankDump()); // too late: the wait is over
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::TimedOut);
  EXPECT_EQ(reception.ReceivedSize(), 0u);
}

TEST_F(AwaitTest, AStopEndsThisWaitEveryPauseAndEveryLaterWait) {
  reception.BeginWait(SidBankDumpAwait(0));
  FeedPart(BankDump(), 6144);
  std::thread signal([&] { reception.Stop(); });
  EXPECT_TRUE(reception.WaitUntilEnded());
  signal.join();
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::Cancelled);
  EXPECT_EQ(reception.Outcome().received, 6144u);
  reception.EndWait();
  // Neither a pause nor a wait that comes after it lasts.
  EXPECT_TRUE(reception.SleepUnlessLost(TReception::Clock::now() + std::chrono::seconds(5)));
  reception.BeginWait(SidBankSelectAwait(0));
  EXPECT_TRUE(reception.WaitUntilEnded());
  EXPECT_EQ(reception.Outcome().end, TWaitEnd::Cancelled);
  reception.EndWait();
}

} // namespace
} // namespace zpm
