// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One JACK client with MIDI ports of its own, shared by the device layer and
// the zavorin-sim program. The process callback only moves bytes through
// lock-free ring buffers; a worker thread hands received bytes on, and
// senders wait for room in the outgoing ring instead of dropping anything.
// Each outgoing message leaves in JACK events of its own. When the server
// or a connected port goes away, listening inputs hear of it on the worker
// thread, after every event that arrived before.

#include "midi/jack_cycle_clock.h"
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
  // in arrival order. afterLoss: bytes of this port may have been lost just
  // before (the incoming ring was full, or cycles were missed in an xrun);
  // such a call may carry no bytes at all.
  using ReceiveHandler =
      std::function<void(size_t inPort, const uint8_t *bytes, size_t count, bool afterLoss)>;
  // Called on the worker thread, once per listening input, when the server
  // has shut down or the port it was connected from has gone; reason is the
  // sentence to show ("The JACK server has shut down.").
  using LostHandler = std::function<void(size_t inPort, const std::string &reason)>;
  // Called on the worker thread when a port that had gone has come back
  // under its name and our connection from it is made again; text is the
  // line to log ("The MIDI port zavorin-sim:out is back.").
  using BackHandler = std::function<void(size_t inPort, const std::string &text)>;

  static constexpr size_t kMaxPorts = 128; // per direction

  // nullptr when no JACK server runs: never starts one and prints nothing.
  // exactName: fail rather than let JACK pick another name when it is taken.
  // why, when given, says what went wrong.
  static std::unique_ptr<TJackClient> Open(const std::string &name, bool exactName,
                                           ReceiveHandler handler, std::string *why = nullptr,
                                           LostHandler lost = nullptr);
  // Never blocks much longer than a second, even on a server that has died.
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

  // Whether the server has shut down; every call that needs it then fails at
  // once with GoneText().
  bool Gone() const { return m_gone.load(); }
  std::string GoneText() const;

  // Connecting ports that are already connected counts as success. The
  // connection carries data from the first cycle after it returns.
  // Disconnecting from a server that has gone does nothing.
  TMidiResult Connect(const std::string &source, const std::string &destination);
  TMidiResult Disconnect(const std::string &source, const std::string &destination);

  // Queues the bytes on an output port, waiting for room as long as needed.
  // Each message leaves in events of its own: one event when it fits a
  // port buffer, else consecutive events of that message alone.
  TMidiResult Send(size_t outSlot, const uint8_t *bytes, size_t count);
  // Waits until every queued byte of the port has been handed to JACK and
  // the cycles that carry them to the other client have run; fails when the
  // server has gone or has stopped for a second, and gives
  // kMidiMayNotHaveArrived when the graph fell behind since the bytes were
  // sent.
  TMidiResult Drain(size_t outSlot);

  // Waits until a whole process cycle has run that began after this call.
  void WaitForNewCycle();

  // Whether the port (a full name) has gone since we first saw it, with
  // its client or on its own, and not come back.
  bool Vanished(const std::string &port);
  // A port that comes back under its name (a program restarted) is
  // connected again, to our inputs and from our outputs that were connected
  // to it; each input is told through handler. Set before connecting.
  void SetBackHandler(BackHandler handler);

private:
  struct TInPort;
  struct TOutPort;
  struct TGuard;

  TJackClient(jack_client_t *client, ReceiveHandler handler);
  static int ProcessCallback(jack_nframes_t frames, void *arg);
  static void ShutdownCallback(jack_status_t code, const char *reason, void *arg);
  static void PlainShutdownCallback(void *arg);
  static void PortRegistrationCallback(jack_port_id_t id, int registered, void *arg);
  static void ClientRegistrationCallback(const char *name, int registered, void *arg);
  static int XrunCallback(void *arg);
  void Notice(const std::string &gonePort);
  void Returned(const std::string &port);
  // Waits until count cycles have ended after this call; bounded: gives up
  // after a second without one. False when they did not run.
  bool WaitForCycles(uint64_t count, bool bounded = true);
  void DeliverNotices();
  void DeliverLost(const std::vector<std::string> &gonePorts, bool serverGone,
                   const std::vector<std::vector<std::string>> &peers);
  void Reconnect(const std::vector<std::string> &returned);
  void MarkListeningBroken();
  void Process(jack_nframes_t frames);
  void ReadInputs(jack_nframes_t frames);
  void WriteOutputs(jack_nframes_t frames);
  void WorkerLoop();
  void DeliverReceived();
  TMidiResult GoneResult() const;
  static void WaitOn(sem_t &semaphore);

  jack_client_t *m_client;
  // What JACK's callbacks reach us through; it outlives us when closing the
  // client did not finish in time, so a late callback finds no one.
  TGuard *m_guard;
  std::string m_name;
  ReceiveHandler m_handler;
  LostHandler m_lost;

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
  // Times the graph fell behind: an xrun anywhere in it, a cycle of ours
  // missed or ended late. Events written meanwhile may never have been read.
  std::atomic<uint64_t> m_fellBehind{0};
  std::atomic<int> m_cycleWaiters{0};
  std::mutex m_deliveryMutex; // a delivery in progress
  std::mutex m_sendMutex;     // one sender waits on m_outputRoom at a time

  std::atomic<bool> m_gone{false};
  mutable std::mutex m_goneMutex; // the reason; shutdown is told off the process thread
  std::string m_goneReason;
  // Told off the process thread, handed on by the worker.
  std::mutex m_noticeMutex;
  std::vector<std::string> m_gonePorts; // full names, or a client name + ":"
  bool m_serverGoneNotice = false;
  std::vector<std::string> m_vanished;              // gone and not back, as m_gonePorts
  std::vector<std::string> m_returned;              // ports registered again, full names
  std::vector<std::vector<std::string>> m_outPeers; // per output slot: ports we connected it to
  BackHandler m_back;
  // The server kept a call waiting past the limit: teardown asks no more.
  std::atomic<bool> m_unresponsive{false};

  TCycleClock m_cycleClock; // process thread

  std::atomic<bool> m_stopping{false};
  std::thread m_worker;
};

} // namespace zpm
