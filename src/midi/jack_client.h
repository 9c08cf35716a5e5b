#pragma once
// One JACK client with MIDI ports of its own, shared by the device layer and
// the zavorin-sim program. The process callback only moves bytes through
// lock-free ring buffers; a worker thread hands received bytes on, and
// senders wait for room in the outgoing ring instead of dropping anything.

#include "midi/midi_service.h"

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <semaphore.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zpm {

class TJackClient {
public:
  // Called on the worker thread with the bytes of one received JACK event,
  // in arrival order. afterLoss: bytes of this port were lost just before
  // (the incoming ring was full).
  using ReceiveHandler =
      std::function<void(size_t inPort, const uint8_t *bytes, size_t count, bool afterLoss)>;

  static constexpr size_t kMaxPorts = 128; // per direction

  // nullptr when no JACK server runs: never starts one and prints nothing.
  // exactName: fail rather than let JACK pick another name when it is taken.
  // why, when given, says what went wrong.
  static std::unique_ptr<TJackClient> Open(const std::string &name, bool exactName,
                                           ReceiveHandler handler, std::string *why = nullptr);
  ~TJackClient();
  TJackClient(const TJackClient &) = delete;
  TJackClient &operator=(const TJackClient &) = delete;

  // The client's name as the server gave it.
  const std::string &Name() const { return m_name; }

  // Full names (client:port) of other clients' MIDI ports, sorted; sources
  // are the ports that send (whose data we can read).
  std::vector<std::string> OtherMidiPorts(bool sources) const;

  // Registers a port of our own; slot is its index among our ports of that
  // direction. A new input port is not listening.
  TMidiResult AddInput(const std::string &shortName, size_t &slot);
  TMidiResult AddOutput(const std::string &shortName, size_t &slot);
  std::string InputName(size_t slot) const;
  std::string OutputName(size_t slot) const;
  size_t InputCount() const { return m_inCount.load(); }
  size_t OutputCount() const { return m_outCount.load(); }

  // Received bytes are handed on only while listening. Switching off waits
  // for a delivery in progress; bytes that arrived before the last switch
  // are never handed on.
  void SetListening(size_t inSlot, bool on);

  // Connecting ports that are already connected counts as success. The
  // connection carries data from the first cycle after it returns.
  TMidiResult Connect(const std::string &source, const std::string &destination);
  TMidiResult Disconnect(const std::string &source, const std::string &destination);

  // Queues the bytes on an output port, waiting for room as long as needed;
  // they leave in events no larger than a port buffer takes.
  TMidiResult Send(size_t outSlot, const uint8_t *bytes, size_t count);
  // Waits until every queued byte of the port has been handed to JACK.
  TMidiResult Drain(size_t outSlot);

  // Waits until a whole process cycle has run that began after this call.
  void WaitForNewCycle();

private:
  struct TInPort;
  struct TOutPort;

  TJackClient(jack_client_t *client, ReceiveHandler handler);
  static int ProcessCallback(jack_nframes_t frames, void *arg);
  static void ShutdownCallback(jack_status_t code, const char *reason, void *arg);
  void Process(jack_nframes_t frames);
  void ReadInputs(jack_nframes_t frames);
  void WriteOutputs(jack_nframes_t frames);
  void WorkerLoop();
  void DeliverReceived();
  TMidiResult GoneResult() const;
  static void WaitOn(sem_t &semaphore);

  jack_client_t *m_client;
  std::string m_name;
  ReceiveHandler m_handler;

  std::array<std::atomic<TInPort *>, kMaxPorts> m_in{};
  std::array<std::atomic<TOutPort *>, kMaxPorts> m_out{};
  std::atomic<size_t> m_inCount{0};
  std::atomic<size_t> m_outCount{0};
  std::vector<std::unique_ptr<TInPort>> m_inOwned;
  std::vector<std::unique_ptr<TOutPort>> m_outOwned;
  std::mutex m_portMutex; // registration

  jack_ringbuffer_t *m_received = nullptr; // records: header + event bytes
  std::vector<uint8_t> m_scratch;          // worker side
  sem_t m_receivedReady;                   // posted by the process callback
  sem_t m_outputRoom;                      // posted when outgoing bytes were taken
  sem_t m_cycleDone;                       // posted after each cycle while someone waits
  std::atomic<uint64_t> m_cycles{0};
  std::atomic<int> m_cycleWaiters{0};
  std::mutex m_deliveryMutex; // a delivery in progress
  std::mutex m_sendMutex;     // one sender waits on m_outputRoom at a time

  std::atomic<bool> m_gone{false};
  mutable std::mutex m_goneMutex; // the reason; shutdown is told off the process thread
  std::string m_goneReason;
  std::atomic<bool> m_stopping{false};
  std::thread m_worker;
};

} // namespace zpm
