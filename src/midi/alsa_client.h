#pragma once
// One duplex ALSA sequencer client with an input port "in" and an output
// port "out", shared by the device layer and the zavorin-sim program. A
// reader thread polls the sequencer and hands every event on; sending splits
// a message into SysEx events and drains them before it returns.

#include "midi/midi_service.h"

#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
};

struct TAlsaPort {
  int client = 0;
  int port = 0;
  std::string name; // "client name:port name"
};

// The bytes of a short MIDI message carried by a sequencer event: returns
// its length (1..3, unused bytes set to 0), or 0 for events that are no
// MIDI message (port announcements, SysEx, ...).
size_t AlsaShortMessage(const snd_seq_event_t &event, uint8_t message[3]);

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

  TMidiResult ConnectFrom(int client, int port);
  TMidiResult DisconnectFrom(int client, int port);
  TMidiResult ConnectTo(int client, int port);
  TMidiResult DisconnectTo(int client, int port);

  // To that port, or with client < 0 to every port connected to "out".
  TMidiResult Send(int client, int port, const uint8_t *bytes, size_t count);

private:
  TAlsaClient(snd_seq_t *seq, TAlsaReceiver &receiver);
  void ReaderLoop();
  void Dispatch(const snd_seq_event_t &event);

  snd_seq_t *m_seq;
  TAlsaReceiver &m_receiver;
  int m_clientId = -1;
  int m_inPort = -1;
  int m_outPort = -1;
  int m_stopFd = -1;
  std::mutex m_sendMutex;
  std::thread m_reader;
};

} // namespace zpm
