// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated synthesizer pair on the end of a cable: the model gets the
// host's bytes at once, and its answers travel back on a thread of their
// own, one after the other, at DIN speed when the options ask for it. A
// device answers only once the request has reached it (its cable time, when
// paced) and it has had its thinking time (kSimThinkTime in the built-in
// port; zavorin-sim has a real transport's latency already): never inside
// the send, so the host logs its request before the answer comes in. The
// built-in simulator port and the zavorin-sim program both stand on it.

#include "patch/stream.h"
#include "sim/sim_options.h"
#include "sim/sim_synth.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zpm {

// How long a simulated device takes between the end of a request and the
// first byte of its answer.
constexpr std::chrono::milliseconds kSimThinkTime{2};

class TSimWire {
public:
  // Where the answers go, called on the wire's thread.
  using Sink = std::function<void(const uint8_t *bytes, size_t count)>;

  explicit TSimWire(const TSimOptions &options,
                    std::chrono::microseconds think = std::chrono::microseconds(0));
  ~TSimWire();
  TSimWire(const TSimWire &) = delete;
  TSimWire &operator=(const TSimWire &) = delete;

  // Bytes from the host, in wire order; may be called from any thread.
  void Receive(const uint8_t *bytes, size_t count);

  // Bytes the devices send unprompted, after the answers already on their way.
  void Inject(Bytes bytes) { Queue(std::move(bytes), Clock::time_point{}); }
  // Something that happens to the cable's receiving end once the answers
  // before it are through, run on the wire's thread while a sink listens.
  void InjectEvent(std::function<void()> event);

  // An empty sink: nobody listens, and answers are lost as on an unplugged
  // cable. Once this returns, the old sink is no longer called.
  void SetSink(Sink sink);

  // Blocks until every answer produced so far has been handed to the sink
  // (or lost), so tests never sleep.
  void WaitIdle();

  // The model: look at it only between WaitIdle and the next Receive.
  TSimSynth &Synth() { return m_synth; }

private:
  using Clock = std::chrono::steady_clock;

  void Queue(Bytes bytes, Clock::time_point due);
  void DeliveryLoop();
  void DeliverPaced(const Bytes &answer);
  // False when nobody listens.
  bool HandOn(const uint8_t *bytes, size_t count);

  std::mutex m_synthMutex;
  TSimSynth m_synth;
  const bool m_paced;
  const std::chrono::microseconds m_think;

  std::mutex m_mutex; // the queue and the delivery thread's state
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  struct TQueued {
    Bytes bytes;
    std::function<void()> event;
    Clock::time_point due{}; // not handed on before
  };
  std::deque<TQueued> m_queue;
  bool m_busy = false;
  bool m_stop = false;
  Clock::time_point m_wireFree; // delivery thread only

  std::mutex m_sinkMutex; // held while bytes are handed on
  Sink m_sink;

  std::thread m_thread;
};

} // namespace zpm
