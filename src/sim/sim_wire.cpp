// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_wire.h"

#include "midi/din_pacing.h"

#include <algorithm>

namespace zpm {

TSimWire::TSimWire(const TSimOptions &options, std::chrono::microseconds think)
    : m_synth(options), m_paced(options.pace), m_think(think),
      m_thread([this] { DeliveryLoop(); }) {}

TSimWire::~TSimWire() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void TSimWire::Receive(const uint8_t *bytes, size_t count) {
  const Clock::time_point due =
      Clock::now() + (m_paced ? DinTime(count) : std::chrono::microseconds(0)) + m_think;
  Bytes answer;
  {
    std::lock_guard<std::mutex> lock(m_synthMutex);
    answer = m_synth.Receive(bytes, count);
  }
  if (!answer.empty())
    Queue(std::move(answer), due);
}

void TSimWire::Queue(Bytes bytes, Clock::time_point due) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({std::move(bytes), nullptr, due});
  }
  m_wake.notify_all();
}

void TSimWire::InjectEvent(std::function<void()> event) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({Bytes(), std::move(event), Clock::time_point{}});
  }
  m_wake.notify_all();
}

void TSimWire::SetSink(Sink sink) {
  std::lock_guard<std::mutex> lock(m_sinkMutex);
  m_sink = std::move(sink);
}

void TSimWire::WaitIdle() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return m_stop || (m_queue.empty() && !m_busy); });
}

void TSimWire::DeliveryLoop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
    if (m_stop)
      break;
    const TQueued next = std::move(m_queue.front());
    m_queue.pop_front();
    m_busy = true;
    if (m_wake.wait_until(lock, next.due, [this] { return m_stop; }))
      break;
    lock.unlock();
    const Bytes &answer = next.bytes;
    if (next.event) {
      std::lock_guard<std::mutex> sink(m_sinkMutex);
      if (m_sink)
        next.event();
    } else if (m_paced)
      DeliverPaced(answer);
    else
      HandOn(answer.data(), answer.size());
    lock.lock();
    m_busy = false;
    if (m_queue.empty())
      m_idle.notify_all();
  }
  m_idle.notify_all();
}

bool TSimWire::HandOn(const uint8_t *bytes, size_t count) {
  std::lock_guard<std::mutex> lock(m_sinkMutex);
  if (!m_sink)
    return false;
  m_sink(bytes, count);
  return true;
}

void TSimWire::DeliverPaced(const Bytes &answer) {
  // The cable carries one answer after the other.
  const Clock::time_point start = std::max(Clock::now(), m_wireFree);
  for (size_t sent = 0; sent < answer.size();) {
    const size_t count = std::min(kDinFragmentSize, answer.size() - sent);
    {
      // A fragment is handed on once its last byte has crossed the cable.
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_wake.wait_until(lock, start + DinTime(sent + count), [this] { return m_stop; }))
        return;
    }
    // Nobody listens: the rest of the answer is lost on the cable.
    if (!HandOn(answer.data() + sent, count))
      return;
    sent += count;
  }
  m_wireFree = start + DinTime(answer.size());
}

} // namespace zpm
