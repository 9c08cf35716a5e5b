// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One duplex ALSA sequencer client with an input port "in" and an output
// port "out", shared by the device layer and the zavorin-sim program. A
// reader thread polls the sequencer and hands every event on; sending splits
// a message into SysEx events and drains them before it returns.

#include "midi/cable_pacer.h"
#include "midi/midi_service.h"

#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zpm {

// Called on the reader thread; client and port name the sending port.
class TAlsaReceiver {
public:
  virtual ~TAlsaReceiver() = default;
  virtual void SysExReceived(int client, int port, const uint8_t *bytes, size_t count) = 0;
  // message holds length (1..3) bytes, the unused ones 0.
  virtual void ShortReceived(int client, int port, const uint8_t message[3], size_t length) = 0;
  // The input pool overflowed: events were lost, whatever was in progress is broken.
  virtual void Overrun() = 0;
  // The sequencer announced that a port went away (port < 0: every port of
  // that client), or that a connection to our input was removed.
  virtual void PortGone(int client, int port) {
    (void)client;
    (void)port;
  }
  // The sequencer can no longer be read; nothing more will arrive. reason
  // is the sentence to show.
  virtual void ReadFailed(const std::string &reason) { (void)reason; }
};

struct TAlsaPort {
  int client = 0;
  int port = 0;
  std::string name; // "client name:port name"
  // A port that drives a MIDI cable: output to it is paced at the cable's
  // speed (see AlsaPortIsHardware).
  bool hardware = false;
};

// Whether a port with this client type (SND_SEQ_KERNEL_CLIENT or
// SND_SEQ_USER_CLIENT) and port type drives a MIDI cable: the kernel's own
// ports on MIDI interfaces say SND_SEQ_PORT_TYPE_HARDWARE; a program's port
// never drives one, whatever it claims, and neither do the kernel's
// software ports (Midi Through, virtual MIDI).
bool AlsaPortIsHardware(int clientType, unsigned portType);

// The bytes of a short MIDI message carried by a sequencer event: returns
// its length (1..3, unused bytes set to 0), or 0 for events that are no
// MIDI message (port announcements, SysEx, ...).
size_t AlsaShortMessage(const snd_seq_event_t &event, uint8_t message[3]);
// The other way: a channel message (80h..EFh and its data bytes) as the
// sequencer event that carries it, so other clients hear a note, not SysEx;
// false for anything else, which goes out as raw bytes.
bool AlsaShortEvent(const uint8_t *bytes, size_t count, snd_seq_event_t &event);

class TAlsaClient {
public:
  // Small events suit hardware ports, whose kernel buffers are small.
  static constexpr size_t kSysExEventSize = 256;

  // Whether this machine has a sequencer we may open.
  static bool SequencerExists();
  // nullptr when there is no sequencer; why, when given, says what went wrong.
  static std::unique_ptr<TAlsaClient> Open(const std::string &name, TAlsaReceiver &receiver,
                                           std::string *why = nullptr);
  ~TAlsaClient();
  TAlsaClient(const TAlsaClient &) = delete;
  TAlsaClient &operator=(const TAlsaClient &) = delete;

  // Other clients' MIDI ports in client and port order; sources are the
  // ports that send (that our input can connect from).
  std::vector<TAlsaPort> OtherPorts(bool sources) const;

  TMidiResult DisconnectFrom(int client, int port);
  TMidiResult DisconnectTo(int client, int port);

  // made: false when the connection was there already (made by someone
  // else, so not ours to remove).
  TMidiResult ConnectFrom(int client, int port, bool &made);
  TMidiResult ConnectTo(int client, int port, bool &made);

  // To that port, or with client < 0 to every port connected to "out".
  // Returns once every byte has left this client; paced: no faster than a
  // MIDI cable carries them.
  TMidiResult Send(int client, int port, const uint8_t *bytes, size_t count, bool paced = false);

private:
  TAlsaClient(snd_seq_t *seq, TAlsaReceiver &receiver);
  void ReaderLoop();
  void Dispatch(const snd_seq_event_t &event);
  TMidiResult DrainAll();

  snd_seq_t *m_seq;
  TAlsaReceiver &m_receiver;
  int m_clientId = -1;
  int m_inPort = -1;
  int m_outPort = -1;
  int m_stopFd = -1;
  std::mutex m_sendMutex;
  std::map<std::pair<int, int>, TCablePacer> m_pacers; // per hardware port; under m_sendMutex
  std::thread m_reader;
};

} // namespace zpm
