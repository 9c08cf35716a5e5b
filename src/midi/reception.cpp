#include "midi/reception.h"

#include <algorithm>

namespace zpm {

namespace {

// The FM device's short reply (a refusal) is 9 bytes long.
constexpr size_t kFmShortReplySize = 9;
// Reserving more than a bank dump's worth up front gains nothing.
constexpr int64_t kMaxReserve = 1 << 20;

} // namespace

TReception::TReception(TEventLog &log) : m_log(log) {}

void TReception::SetListener(TReceptionListener *listener) {
  std::lock_guard<std::mutex> guard(m_listenerLock);
  m_listener = listener;
}

void TReception::HandleSysExData(int /*device*/, const uint8_t *bytes, size_t count) {
  m_log.LogSysExIn(bytes, count);
  size_t received = 0;
  bool closeNow = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_waitMode == WaitNone) {
      return;
    }
    m_receiveBuffer.insert(m_receiveBuffer.end(), bytes, bytes + count);
    received = m_receiveBuffer.size();
    bool done = false;
    if (m_expectedSize != 0) {
      const bool reached = static_cast<int64_t>(received) >= m_expectedSize;
      if (m_waitMode == WaitSidDump) {
        done = reached;
      } else if (m_waitMode == WaitFmDump) {
        done = reached || received == kFmShortReplySize;
      }
    }
    if (done && !m_complete) {
      m_complete = true;
      closeNow = true;
    }
  }
  m_changed.notify_all();
  std::lock_guard<std::mutex> guard(m_listenerLock);
  if (m_listener != nullptr) {
    m_listener->ByteCountChanged(received);
    if (closeNow) {
      m_listener->CloseWaitRequested();
    }
  }
}

void TReception::HandleMidiData(int /*device*/, uint8_t status, uint8_t data1, uint8_t data2) {
  m_log.LogShortIn(status, data1, data2);
}

void TReception::BeginWait(TWaitMode mode, int64_t expectedSize) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_receiveBuffer.clear();
  m_receiveBuffer.reserve(static_cast<size_t>(std::clamp<int64_t>(expectedSize, 0, kMaxReserve)));
  m_expectedSize = expectedSize;
  m_waitMode = mode;
  m_complete = false;
  m_cancelled = false;
}

void TReception::EndWait() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_waitMode = WaitNone;
}

TWaitMode TReception::WaitMode() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_waitMode;
}

int64_t TReception::ExpectedSize() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_expectedSize;
}

size_t TReception::ReceivedSize() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_receiveBuffer.size();
}

Bytes TReception::Buffer() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_receiveBuffer;
}

Bytes TReception::TakeBuffer() {
  std::lock_guard<std::mutex> guard(m_lock);
  Bytes taken;
  taken.swap(m_receiveBuffer);
  return taken;
}

bool TReception::IsComplete() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_complete;
}

template <class Predicate>
bool TReception::BlockUntil(std::unique_lock<std::mutex> &lock, Clock::time_point deadline,
                            Predicate ready) {
  const auto endsWait = [&] { return m_cancelled || ready(); };
  if (deadline == Clock::time_point::max()) {
    // wait_until would overflow converting the largest time point.
    m_changed.wait(lock, endsWait);
  } else {
    m_changed.wait_until(lock, deadline, endsWait);
  }
  return ready();
}

bool TReception::WaitUntilComplete(Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  return BlockUntil(lock, deadline, [this] { return m_complete; });
}

bool TReception::WaitUntilReceived(size_t count, Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  return BlockUntil(lock, deadline, [&] { return m_receiveBuffer.size() >= count; });
}

void TReception::CancelWait() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_cancelled = true;
  }
  m_changed.notify_all();
}

bool TReception::WasCancelled() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_cancelled;
}

} // namespace zpm
