// The ALSA side that runs without a sequencer: how sequencer events become
// MIDI bytes, and that a machine without /dev/snd/seq simply has no ports.

#include "midi/alsa_client.h"
#include "midi/alsa_service.h"
#include "midi/midi_system.h"

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
  TMidiSystem system(MidiApi::Alsa, TSimOptions{});
  EXPECT_EQ(system.Api(), MidiApi::None);
  EXPECT_EQ(system.InputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(system.OutputNames(), std::vector<std::string>{"Zavorin Simulator"});
}

} // namespace
} // namespace zpm
