// SPDX-License-Identifier: GPL-3.0-or-later
// JACK without a server: the layer must neither start one nor complain, and
// the lists then hold the built-in simulator alone. And how outgoing bytes
// are cut into pieces of one message each, which become JACK events of their
// own that every JACK implementation carries (the server side of that is
// checked end to end), and how the frame time tells missed cycles.

#include "midi/jack_cycle_clock.h"
#include "midi/jack_ring.h"
#include "midi/jack_service.h"
#include "midi/midi_system.h"
#include "sim/sim_port.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace zpm {
namespace {

TEST(DevicesJackTest, NoServerMeansNoPortsAndNoError) {
  const char *previous = std::getenv("JACK_DEFAULT_SERVER");
  const std::string saved = previous ? previous : "";
  // A server name nobody uses: a running default server must not count.
  const std::string name = "zpm-absent-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);

  testing::internal::CaptureStderr();
  EXPECT_EQ(TJackService::Open(), nullptr);
  TMidiSystem system(MidiApi::Jack, std::make_unique<TSimPort>(TSimOptions{}));
  const std::string complaints = testing::internal::GetCapturedStderr();

  if (previous)
    setenv("JACK_DEFAULT_SERVER", saved.c_str(), 1);
  else
    unsetenv("JACK_DEFAULT_SERVER");

  EXPECT_EQ(system.Api(), MidiApi::None);
  EXPECT_EQ(system.InputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(system.OutputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(complaints, "");
}

TEST(DevicesJackTest, OutgoingBytesAreCutIntoPiecesOfOneMessage) {
  struct TCase {
    std::vector<uint8_t> bytes;
    size_t limit;
    std::vector<size_t> pieces;
    const char *what;
  };
  const TCase cases[] = {
      {{0xF0, 0x01, 0xF7}, 64, {3}, "one whole message"},
      {{0xF0, 0x01, 0xF7, 0xF0, 0x02, 0x03, 0xF7}, 64, {3, 4}, "two queued together"},
      {{0xF0, 0x01, 0x02, 0x03, 0x04, 0xF7}, 4, {4, 2}, "longer than a piece"},
      {{0x05, 0x06, 0xF7, 0xF0, 0x07}, 64, {3, 2}, "the end of one, the start of the next"},
      {{0xF0, 0x01, 0xF0, 0x02, 0xF7}, 64, {2, 3}, "a message cut short by the next"},
      {{0x01, 0x02, 0x03}, 2, {2, 1}, "the middle of a message"},
      {{0xF7, 0xF7}, 64, {1, 1}, "two lone ends"},
  };
  for (const TCase &test : cases) {
    std::vector<size_t> pieces;
    for (size_t offset = 0; offset < test.bytes.size();) {
      const size_t piece =
          MessagePieceSize(test.bytes.data() + offset, test.bytes.size() - offset, test.limit);
      ASSERT_GT(piece, 0u) << test.what;
      pieces.push_back(piece);
      offset += piece;
    }
    EXPECT_EQ(pieces, test.pieces) << test.what;
  }
  EXPECT_EQ(MessagePieceSize(nullptr, 0, 64), 0u);
}

// The events of one cycle, as the process thread takes them: each a size
// the cycle allows, until it returns 0.
std::vector<size_t> CycleEvents(std::vector<size_t> pieces, size_t room) {
  TCycleEvents cycle;
  std::vector<size_t> events;
  for (size_t left : pieces) {
    while (left > 0) {
      const size_t size = cycle.Next(left, room);
      if (size == 0)
        return events;
      cycle.Took(size);
      events.push_back(size);
      room -= std::min(room, size + 8);
      left -= size;
    }
  }
  return events;
}

TEST(DevicesJackTest, ACycleCarriesSmallEventsAndNeverTheWholeReportedRoom) {
  const std::vector<size_t> dumpStart(15, 1024);
  const std::vector<size_t> small(700, 3);
  struct TCase {
    std::vector<size_t> pieces;
    size_t room;
    std::vector<size_t> events;
    const char *what;
  };
  const TCase cases[] = {
      {{266, 9}, 32736, {266, 9}, "messages that fit leave whole"},
      {{32777}, 32736, dumpStart, "a bank dump fills the cycle in 1024-byte events"},
      {{100}, 100, {99}, "never the whole reported room"},
      {{100, 100}, 150, {100}, "a message that no longer fits waits whole"},
      {{5000}, 2000, {1024, 967}, "a long message takes what room there is"},
      {{1}, 1, {}, "no room at all"},
      {small, 32736, std::vector<size_t>(682, 3), "many short messages stop at the cycle's cost"},
  };
  for (const TCase &test : cases)
    EXPECT_EQ(CycleEvents(test.pieces, test.room), test.events) << test.what;
}

// Each case: cycles as (frame, frames), and which of them follow missed ones.
TEST(DevicesJackTest, TheFrameTimeTellsMissedCyclesFromPeriodChanges) {
  struct TCase {
    std::vector<std::pair<jack_nframes_t, jack_nframes_t>> cycles;
    std::vector<bool> missed;
    const char *what;
  };
  const TCase cases[] = {
      {{{1000, 256}, {1256, 256}, {1512, 256}}, {false, false, false}, "cycles in a row"},
      {{{1000, 256}, {1768, 256}}, {false, true}, "two cycles skipped"},
      {{{1000, 256}, {1000, 256}}, {false, true}, "the frame time stepped back"},
      {{{1000, 256}, {2280, 1024}, {3816, 512}, {4584, 256}},
       {false, false, false, false},
       "each period change moves the frame time on by the new period once more"},
      {{{1000, 256}, {1256, 1024}}, {false, false}, "a period change that follows on"},
      {{{1000, 256}, {2536, 1024}}, {false, true}, "a period change after a missed cycle"},
      {{{1000, 256}, {1512, 256}}, {false, true}, "one period more without a change"},
      {{{0xFFFFFF00u, 256}, {0, 256}}, {false, false}, "the frame time wraps around"},
  };
  for (const TCase &test : cases) {
    TCycleClock clock;
    std::vector<bool> missed;
    for (const auto &[frame, frames] : test.cycles)
      missed.push_back(clock.Missed(frame, frames));
    EXPECT_EQ(missed, test.missed) << test.what;
  }
}

} // namespace
} // namespace zpm
