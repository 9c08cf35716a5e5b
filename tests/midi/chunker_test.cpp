// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/chunker.h"

#include "patch/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace zpm {
namespace {

// A SysEx message whose data bytes differ from their neighbours, so a lost,
// doubled or moved byte shows.
Bytes Message(size_t size, uint8_t seed = 0) {
  Bytes message(size);
  for (size_t i = 1; i + 1 < size; ++i) {
    message[i] = static_cast<uint8_t>((seed + i * 7 + i / 128) & 0x7F);
  }
  message.front() = 0xF0;
  message.back() = 0xF7;
  return message;
}

// The message cut into consecutive pieces of the given sizes.
std::vector<Bytes> Pieces(const Bytes &message, std::vector<size_t> sizes) {
  std::vector<Bytes> pieces;
  size_t at = 0;
  for (size_t size : sizes) {
    pieces.emplace_back(message.begin() + at, message.begin() + at + size);
    at += size;
  }
  return pieces;
}

struct TRecorder {
  std::vector<Bytes> chunks;
  Bytes shorts; // status, data 1, data 2 of each short message in a row
  std::string order;
  TSysExChunker chunker{[this](const uint8_t *bytes, size_t count) {
                          chunks.emplace_back(bytes, bytes + count);
                          order += 'C';
                        },
                        [this](uint8_t status, uint8_t data1, uint8_t data2) {
                          shorts.insert(shorts.end(), {status, data1, data2});
                          order += 'S';
                        },
                        [this](TInputProblem problem, const std::string &reason) {
                          order += problem == TInputProblem::BytesLost   ? "L"
                                   : problem == TInputProblem::StartLost ? "O"
                                                                         : "G(" + reason + ")";
                        }};
  void Feed(const Bytes &bytes) { chunker.Feed(bytes.data(), bytes.size()); }
};

TEST(Chunker, BankDumpIsCutTheSameWhateverTheFragmentSize) {
  const Bytes dump = Message(32777);
  std::vector<size_t> sizes(16, 2048);
  sizes.push_back(9);
  const std::vector<Bytes> expected = Pieces(dump, sizes);
  std::vector<size_t> fragments(4097);
  std::iota(fragments.begin(), fragments.end(), 1);
  fragments.insert(fragments.end(), {8191, 16384, 32720, 32776, 32777});
  for (size_t fragment : fragments) {
    TRecorder rec;
    for (size_t at = 0; at < dump.size(); at += fragment) {
      rec.chunker.Feed(dump.data() + at, std::min(fragment, dump.size() - at));
    }
    ASSERT_EQ(rec.chunks, expected) << "fragments of " << fragment;
  }
  for (const auto &[size, cut] : std::vector<std::pair<size_t, std::vector<size_t>>>{
           {266, {266}}, {2048, {2048}}, {2049, {2048, 1}}, {4097, {2048, 2048, 1}}}) {
    TRecorder rec;
    rec.Feed(Message(size));
    EXPECT_EQ(rec.chunks, Pieces(Message(size), cut)) << size;
  }
}

TEST(Chunker, RealTimeBytesPassThroughASysExWithoutBreakingIt) {
  const Bytes dump = Message(2100);
  Bytes wire(dump.begin(), dump.end() - 1);
  wire.insert(wire.begin() + 2048, 0xFE); // right at the cut
  wire.insert(wire.begin() + 5, 0xF8);
  wire.insert(wire.end(), {0xFF, 0xF7});
  TRecorder rec;
  rec.Feed(wire);
  rec.Feed({0xF0, 0x01});
  rec.chunker.FeedShort(0xFE, 0, 0); // a real-time message the transport parsed
  rec.Feed({0x02, 0xF7});
  std::vector<Bytes> expected = Pieces(dump, {2048, 52});
  expected.push_back({0xF0, 0x01, 0x02, 0xF7});
  EXPECT_EQ(rec.chunks, expected);
  EXPECT_EQ(rec.shorts, (Bytes{0xF8, 0, 0, 0xFE, 0, 0, 0xFF, 0, 0, 0xFE, 0, 0}));
  EXPECT_EQ(rec.order, "SCSSCSC");
}

TEST(Chunker, AnotherStatusEndsTheSysExAndItsRestIsDropped) {
  TRecorder rec;
  Bytes wire = Message(3000);
  wire.resize(2500); // 2048 handed on, 452 pending
  wire.insert(wire.end(), {0x90, 0x3C, 0x64, 0x01, 0x02, 0xF7, 0xF0, 0x11, 0xF0, 0x22, 0xF7});
  rec.Feed(wire);
  std::vector<Bytes> expected = Pieces(wire, {2048});
  expected.push_back({0xF0, 0x22, 0xF7}); // a new F0 restarts
  EXPECT_EQ(rec.chunks, expected);
  EXPECT_EQ(rec.shorts, (Bytes{0x90, 0x3C, 0x64, 0x90, 0x01, 0x02}));

  TRecorder parsed; // a status the transport parsed aborts the same way
  parsed.Feed({0xF0, 0x01, 0x02});
  parsed.chunker.FeedShort(0xB0, 7, 100);
  parsed.Feed({0x03, 0xF7});
  EXPECT_TRUE(parsed.chunks.empty());
  EXPECT_EQ(parsed.shorts, (Bytes{0xB0, 7, 100}));
}

TEST(Chunker, BrokenOrResetMessageIsNeverCompletedAndTheNextOneIsWhole) {
  const Bytes dump = Message(32777);
  TRecorder rec;
  rec.chunker.Feed(dump.data(), 5000);
  rec.chunker.MarkBroken();
  rec.chunker.Feed(dump.data() + 6000, dump.size() - 6000); // with the F7
  rec.Feed({0x90, 0x3C, 0x40, 0xF0, 0x01});
  rec.chunker.Reset();
  rec.Feed({0x02, 0xF7, 0x3C, 0x40}); // neither SysEx nor running status survive
  rec.Feed({0x90, 0x3C});
  rec.chunker.MarkBroken(); // a loss outside SysEx ends the running status too
  rec.Feed({0x40, 0x3E, 0x40});
  rec.Feed(Message(266, 3));
  // What came before the loss is handed on, the rest of that message never.
  std::vector<Bytes> expected = Pieces(dump, {2048, 2048, 904});
  expected.push_back(Message(266, 3));
  EXPECT_EQ(rec.chunks, expected);
  EXPECT_EQ(rec.shorts, (Bytes{0x90, 0x3C, 0x40}));
  // Every loss is told, inside a SysEx or not; data after a loss between
  // messages tells that the start of one was lost.
  EXPECT_EQ(rec.order, "CCCLSLOC");
}

TEST(Chunker, AServiceThatIsGoneDropsTheMessageInProgressAndTellsWhy) {
  const Bytes dump = Message(32777);
  TRecorder rec;
  rec.chunker.Feed(dump.data(), 3000);
  rec.chunker.MarkLost("The JACK server has shut down.");
  rec.chunker.Feed(dump.data() + 3000, dump.size() - 3000);
  EXPECT_EQ(rec.chunks, Pieces(dump, {2048}));
  EXPECT_EQ(rec.order, "CG(The JACK server has shut down.)");
}

TEST(Chunker, ShortMessagesWithRunningStatus) {
  TRecorder rec;
  rec.Feed({0x3C, 0x40,                   // no status yet: ignored
            0x90, 0x3C, 0x64, 0x3E, 0x00, // note-on twice by running status
            0x91, 0x40, 0xF8, 0x50,       // real-time inside a message
            0x80, 0x3C, 0x81, 0x3C, 0x00, // an unfinished note-off is dropped
            0xC2, 0x05, 0x06, 0xD3, 0x70, 0xE4, 0x00, 0x40, 0xA5,
            0x3C, 0x10, 0xB6, 0x07, 0x64, 0xF1, 0x12, 0x13, // no running status after system common
            0xF2, 0x01, 0x02, 0xF3, 0x04, 0xF6, 0x05, 0xF7, 0x06});
  EXPECT_EQ(rec.shorts,
            (Bytes{0x90, 0x3C, 0x64, 0x90, 0x3E, 0x00, 0xF8, 0,    0,    0x91, 0x40, 0x50,
                   0x81, 0x3C, 0x00, 0xC2, 0x05, 0,    0xC2, 0x06, 0,    0xD3, 0x70, 0,
                   0xE4, 0x00, 0x40, 0xA5, 0x3C, 0x10, 0xB6, 0x07, 0x64, 0xF1, 0x12, 0,
                   0xF2, 0x01, 0x02, 0xF3, 0x04, 0,    0xF6, 0,    0}));
  EXPECT_TRUE(rec.chunks.empty());
}

// Whether the device is sending, as the activity after each fragment says;
// nothing of a message whose start this input never saw is handed on.
TEST(Chunker, ActivityCountsEveryByteOfAMessageUnderWayWhetherOrNotItsStartWasSeen) {
  struct TCase {
    const char *name;
    std::vector<Bytes> fragments;
    std::vector<bool> sending; // after each fragment
  };
  const std::vector<TCase> cases = {
      {"a SysEx to its end", {{0xF0, 0x01, 0x02}, {0x03, 0xF7}}, {true, false}},
      {"the middle of a dump, then its end",
       {{0x21, 0x22}, {0x23}, {0x24, 0xF7}},
       {true, true, false}},
      {"the middle of a dump, then a note", {{0x21, 0x22}, {0x90, 0x40, 0x7F}}, {true, false}},
      {"real-time bytes in the middle of a dump", {{0x21}, {0xF8}, {0x22}}, {true, true, true}},
      {"a note with running status", {{0x90, 0x40, 0x7F}, {0x41, 0x7F}}, {false, false}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TRecorder recorder;
    std::vector<bool> sending;
    recorder.chunker.SetActivityHandler(
        [&](bool inSysEx, size_t /*messageBytes*/) { sending.push_back(inSysEx); });
    for (const Bytes &fragment : c.fragments)
      recorder.Feed(fragment);
    EXPECT_EQ(sending, c.sending);
    const bool whole = c.fragments.front().front() == 0xF0;
    EXPECT_EQ(recorder.chunks.size(), whole ? 1u : 0u);
  }
}

} // namespace
} // namespace zpm
