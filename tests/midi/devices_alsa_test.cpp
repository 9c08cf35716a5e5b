// SPDX-License-Identifier: GPL-3.0-or-later
// The ALSA side that runs without a sequencer: how sequencer events become
// MIDI bytes, and that a machine without /dev/snd/seq simply has no ports.

#include "midi/alsa_client.h"
#include "midi/alsa_service.h"
#include "midi/cable_pacer.h"
#include "midi/midi_system.h"
#include "sim/sim_port.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

struct TShort {
  size_t length;
  uint8_t bytes[3];
};

TShort Convert(const snd_seq_event_t &event) {
  TShort result{};
  result.length = AlsaShortMessage(event, result.bytes);
  return result;
}

void ExpectMessage(const snd_seq_event_t &event, std::vector<uint8_t> expected) {
  const TShort result = Convert(event);
  ASSERT_EQ(result.length, expected.size());
  expected.resize(3, 0);
  EXPECT_EQ(std::vector<uint8_t>(result.bytes, result.bytes + 3), expected);
}

snd_seq_event_t Event(snd_seq_event_type_t type) {
  snd_seq_event_t event;
  snd_seq_ev_clear(&event);
  event.type = type;
  return event;
}

// What the program sends as a channel message goes out as the event that
// carries it, and comes back as the same bytes; anything else stays raw.
TEST(DevicesAlsaTest, ChannelMessagesBecomeTheirEvents) {
  const std::vector<std::vector<uint8_t>> carried = {
      {0x90, 0x3C, 0x64}, {0x8F, 0x7F, 0x00}, {0xA3, 0x40, 0x01}, {0xB4, 0x7B, 0x00},
      {0xC9, 0x7F},       {0xD1, 0x63},       {0xE2, 0x00, 0x40}, {0xE2, 0x7F, 0x7F}};
  for (const std::vector<uint8_t> &bytes : carried) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    ASSERT_TRUE(AlsaShortEvent(bytes.data(), bytes.size(), event)) << int(bytes[0]);
    ExpectMessage(event, bytes);
  }
  const std::vector<std::vector<uint8_t>> raw = {{0xF0, 0x7E, 0xF7}, {0xF8}, {0x3C, 0x64}, {0x90}};
  for (const std::vector<uint8_t> &bytes : raw) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    EXPECT_FALSE(AlsaShortEvent(bytes.data(), bytes.size(), event)) << int(bytes[0]);
  }
}

TEST(DevicesAlsaTest, SequencerEventsBecomeTheirMidiBytes) {
  snd_seq_event_t event = Event(SND_SEQ_EVENT_NOTEON);
  snd_seq_ev_set_noteon(&event, 0, 60, 100);
  ExpectMessage(event, {0x90, 0x3C, 0x64});
  snd_seq_ev_set_noteoff(&event, 15, 127, 0);
  ExpectMessage(event, {0x8F, 0x7F, 0x00});
  snd_seq_ev_set_keypress(&event, 3, 64, 1);
  ExpectMessage(event, {0xA3, 0x40, 0x01});
  snd_seq_ev_set_controller(&event, 4, 7, 127);
  ExpectMessage(event, {0xB4, 0x07, 0x7F});
  snd_seq_ev_set_pgmchange(&event, 15, 42);
  ExpectMessage(event, {0xCF, 0x2A});
  snd_seq_ev_set_chanpress(&event, 1, 99);
  ExpectMessage(event, {0xD1, 0x63});

  // The bend is centred on 0 in ALSA and on 2000h on the wire.
  snd_seq_ev_set_pitchbend(&event, 2, 0);
  ExpectMessage(event, {0xE2, 0x00, 0x40});
  snd_seq_ev_set_pitchbend(&event, 2, -8192);
  ExpectMessage(event, {0xE2, 0x00, 0x00});
  snd_seq_ev_set_pitchbend(&event, 2, 8191);
  ExpectMessage(event, {0xE2, 0x7F, 0x7F});

  event = Event(SND_SEQ_EVENT_SONGPOS);
  event.data.control.value = 0x1234;
  ExpectMessage(event, {0xF2, 0x34, 0x24});
  event = Event(SND_SEQ_EVENT_QFRAME);
  event.data.control.value = 0x35;
  ExpectMessage(event, {0xF1, 0x35});
  event = Event(SND_SEQ_EVENT_SONGSEL);
  event.data.control.value = 5;
  ExpectMessage(event, {0xF3, 0x05});
  ExpectMessage(Event(SND_SEQ_EVENT_TUNE_REQUEST), {0xF6});
  ExpectMessage(Event(SND_SEQ_EVENT_CLOCK), {0xF8});
  ExpectMessage(Event(SND_SEQ_EVENT_START), {0xFA});
  ExpectMessage(Event(SND_SEQ_EVENT_CONTINUE), {0xFB});
  ExpectMessage(Event(SND_SEQ_EVENT_STOP), {0xFC});
  ExpectMessage(Event(SND_SEQ_EVENT_SENSING), {0xFE});
  ExpectMessage(Event(SND_SEQ_EVENT_RESET), {0xFF});

  // Not MIDI messages: SysEx travels its own way, the rest is sequencer talk.
  for (snd_seq_event_type_t type : {SND_SEQ_EVENT_SYSEX, SND_SEQ_EVENT_PORT_SUBSCRIBED,
                                    SND_SEQ_EVENT_CLIENT_START, SND_SEQ_EVENT_ECHO})
    EXPECT_EQ(Convert(Event(type)).length, 0u) << static_cast<int>(type);
}

TEST(DevicesAlsaTest, NoSequencerMeansNoPortsAndNoError) {
  if (TAlsaClient::SequencerExists())
    GTEST_SKIP() << "this machine has a sequencer";
  EXPECT_EQ(TAlsaService::Open(), nullptr);
  TMidiSystem system(MidiApi::Alsa, std::make_unique<TSimPort>(TSimOptions{}));
  EXPECT_EQ(system.Api(), MidiApi::None);
  EXPECT_EQ(system.InputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(system.OutputNames(), std::vector<std::string>{"Zavorin Simulator"});
}

TEST(DevicesAlsaTest, OnlyTheKernelsCablePortsArePaced) {
  struct TCase {
    int clientType;
    unsigned portType;
    bool paced;
    const char *what;
  };
  const unsigned generic = SND_SEQ_PORT_TYPE_MIDI_GENERIC;
  const TCase cases[] = {
      {SND_SEQ_KERNEL_CLIENT, generic | SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT, true,
       "a MIDI interface's port (snd-seq-midi, USB MIDI)"},
      {SND_SEQ_KERNEL_CLIENT, generic | SND_SEQ_PORT_TYPE_SOFTWARE, false, "Midi Through"},
      {SND_SEQ_KERNEL_CLIENT, generic | SND_SEQ_PORT_TYPE_SOFTWARE | SND_SEQ_PORT_TYPE_PORT, false,
       "a virtual MIDI port"},
      {SND_SEQ_USER_CLIENT, generic | SND_SEQ_PORT_TYPE_APPLICATION, false, "another program"},
      {SND_SEQ_USER_CLIENT, generic | SND_SEQ_PORT_TYPE_HARDWARE, false,
       "another program that calls itself hardware"},
  };
  for (const TCase &test : cases)
    EXPECT_EQ(AlsaPortIsHardware(test.clientType, test.portType), test.paced) << test.what;
}

// A sender that sleeps until the pacer lets it, as the ALSA output does,
// on a clock of its own: the kernel's backlog and the duration it gives.
struct TPacedRun {
  size_t largestBacklog = 0; // bytes handed on and not yet on the cable
  std::chrono::microseconds duration{0};
};

TPacedRun Pace(size_t total, size_t eventSize, size_t ahead,
               std::chrono::microseconds senderDelay) {
  using Clock = TCablePacer::Clock;
  TCablePacer pacer(ahead);
  const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
  Clock::time_point now = start;
  TPacedRun run;
  for (size_t sent = 0; sent < total;) {
    now = pacer.When(now) + senderDelay;
    const size_t size = std::min(eventSize, total - sent);
    pacer.Sent(size, now);
    sent += size;
    // Bytes not yet carried: the cable's remaining time at its speed.
    const auto remaining =
        std::chrono::duration_cast<std::chrono::microseconds>(pacer.CableFree() - now);
    run.largestBacklog = std::max(run.largestBacklog, static_cast<size_t>(remaining.count()) *
                                                          kDinBytesPerSecond / 1000000);
  }
  run.duration = std::chrono::duration_cast<std::chrono::microseconds>(pacer.CableFree() - start);
  return run;
}

TEST(DevicesAlsaTest, PacedOutputNeverRunsAheadOfTheCableAndKeepsItBusy) {
  struct TCase {
    size_t total;
    size_t ahead;
    std::chrono::microseconds senderDelay; // the time a wake-up and a write take
  };
  const TCase cases[] = {
      {32777, TAlsaClient::kSysExEventSize, std::chrono::microseconds(0)},
      {32777, TAlsaClient::kSysExEventSize, std::chrono::microseconds(300)},
      {266, TAlsaClient::kSysExEventSize, std::chrono::microseconds(0)},
      {9, 0, std::chrono::microseconds(50)},
      {4096, 0, std::chrono::microseconds(0)},
  };
  for (const TCase &test : cases) {
    const TPacedRun run =
        Pace(test.total, TAlsaClient::kSysExEventSize, test.ahead, test.senderDelay);
    // The kernel holds what is ahead plus the event just handed on, far
    // below its buffer of 4096 bytes.
    EXPECT_LE(run.largestBacklog, test.ahead + TAlsaClient::kSysExEventSize) << test.total;
    // With something ahead, a late sender costs the cable no time at all.
    const auto cable = DinTime(test.total);
    EXPECT_GE(run.duration, cable) << test.total;
    if (test.ahead > 0) {
      EXPECT_LE(run.duration, cable + test.senderDelay + std::chrono::microseconds(100))
          << test.total;
    }
  }
}

} // namespace
} // namespace zpm
