// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/reception.h"

#include "midi/log_text.h"

#include <algorithm>

namespace zpm {

namespace {

// Reserving more than a bank dump's worth up front gains nothing.
constexpr size_t kMaxReserve = 1 << 20;
constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kFirstRealTime = 0xF8;

const char *const kInputGone = "The MIDI input has gone.";

} // namespace

TReception::TReception(TEventLog &log) : m_log(log) {}

void TReception::SetListener(TReceptionListener *listener) {
  std::lock_guard<std::mutex> guard(m_listenerLock);
  m_listener = listener;
}

void TReception::HandleSysExData(int /*device*/, const uint8_t *bytes, size_t count) {
  m_log.LogSysExIn(bytes, count);
  if (count == 0)
    return;
  size_t received = 0;
  bool countChanged = false;
  bool closeNow = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastByte = Clock::now();
    // The input's activity, when told, says this more exactly and later.
    m_deviceMessageBytes = bytes[0] == kSysExStart ? count : m_deviceMessageBytes + count;
    if (bytes[0] == kSysExStart)
      m_deviceSending = true;
    if (bytes[count - 1] == kSysExEnd)
      m_deviceSending = false;
    const size_t before = m_receiveBuffer.size();
    HandleAwaitedChunk(bytes, count);
    received = m_receiveBuffer.size();
    countChanged = received != before;
    if (m_outcome.end != TWaitEnd::Waiting && m_waitMode != WaitNone && !m_closeSent &&
        m_outcome.end != TWaitEnd::Cancelled && m_outcome.end != TWaitEnd::TimedOut) {
      m_closeSent = true;
      closeNow = true;
    }
  }
  m_changed.notify_all();
  if (!countChanged && !closeNow)
    return;
  std::lock_guard<std::mutex> guard(m_listenerLock);
  if (m_listener != nullptr) {
    if (countChanged)
      m_listener->ByteCountChanged(received);
    if (closeNow)
      m_listener->CloseWaitRequested();
  }
}

bool TReception::Matches(const TAwaitedKind &kind, const uint8_t *bytes, size_t count) const {
  return count >= kind.prefix.size() && std::equal(kind.prefix.begin(), kind.prefix.end(), bytes);
}

size_t TReception::LargestMatchingSize() const {
  size_t largest = 0;
  for (const TAwaitedKind *kind : m_messageKinds) {
    if (kind->size == 0)
      return SIZE_MAX;
    largest = std::max(largest, kind->size);
  }
  return largest;
}

void TReception::HandleAwaitedChunk(const uint8_t *bytes, size_t count) {
  if (bytes[0] == kSysExStart) {
    // A message that never saw its F7 was ended by another status byte.
    if (m_inMessage)
      EndMessage(false);
    m_inMessage = true;
    m_messageSize = 0;
    m_messageKinds.clear();
    const bool collecting = m_waitMode != WaitNone && m_outcome.end == TWaitEnd::Waiting;
    if (collecting)
      for (const TAwaitedKind &kind : m_await.kinds)
        if (Matches(kind, bytes, count))
          m_messageKinds.push_back(&kind);
    m_messageAwaited = !m_messageKinds.empty();
    m_messageStart = m_receiveBuffer.size();
  } else if (!m_inMessage) {
    return; // the rest of a message that began before this wait
  }
  m_messageSize += count;
  if (m_messageAwaited && m_outcome.end == TWaitEnd::Waiting) {
    m_receiveBuffer.insert(m_receiveBuffer.end(), bytes, bytes + count);
    if (m_messageSize > LargestMatchingSize()) {
      // Longer than any awaited message: not the answer, whatever its header says.
      m_receiveBuffer.resize(m_messageStart);
      m_messageAwaited = false;
    }
  }
  if (bytes[count - 1] == kSysExEnd)
    EndMessage(true);
}

void TReception::EndMessage(bool whole) {
  const bool awaited = m_messageAwaited && m_outcome.end == TWaitEnd::Waiting;
  m_inMessage = false;
  m_messageAwaited = false;
  if (!awaited)
    return;
  const bool rightSize =
      whole && std::any_of(m_messageKinds.begin(), m_messageKinds.end(), [&](const auto *kind) {
        return kind->size == 0 || kind->size == m_messageSize;
      });
  if (rightSize) {
    if (m_await.endsOnMessage)
      Finish(TWaitEnd::Complete);
    return;
  }
  if (m_await.endsOnMessage) {
    Finish(TWaitEnd::CutShort, m_messageSize);
    return;
  }
  m_receiveBuffer.resize(m_messageStart);
}

void TReception::HandleMidiData(int /*device*/, uint8_t status, uint8_t data1, uint8_t data2) {
  m_log.LogShortIn(status, data1, data2);
  if (status >= kFirstRealTime)
    return;
  bool closeNow = false;
  {
    // The chunker has dropped the SysEx this status byte interrupted.
    std::lock_guard<std::mutex> guard(m_lock);
    m_deviceSending = false;
    if (m_inMessage) {
      EndMessage(false);
      if (m_outcome.end == TWaitEnd::CutShort && !m_closeSent) {
        m_closeSent = true;
        closeNow = true;
      }
    }
  }
  m_changed.notify_all();
  if (!closeNow)
    return;
  std::lock_guard<std::mutex> guard(m_listenerLock);
  if (m_listener != nullptr)
    m_listener->CloseWaitRequested();
}

void TReception::HandleInputProblem(int /*device*/, TInputProblem problem,
                                    const std::string &reason) {
  if (problem == TInputProblem::PortBack)
    m_log.AddLogLine("[" + LogTimeText() + "] " + reason);
  bool closeNow = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    bool waiting = m_waitMode != WaitNone && m_outcome.end == TWaitEnd::Waiting;
    if (problem == TInputProblem::PortBack) {
      m_lostReason.clear();
      m_inMessage = false;
      m_deviceSending = false;
      waiting = false;
    } else if (problem == TInputProblem::ServiceLost) {
      m_lostReason = reason.empty() ? kInputGone : reason;
      m_inMessage = false;
      m_deviceSending = false;
      if (waiting) {
        Finish(TWaitEnd::ServiceLost);
        m_outcome.reason = m_lostReason;
      }
    } else if (waiting &&
               (problem == TInputProblem::StartLost || (m_inMessage && m_messageAwaited))) {
      // The lost bytes broke the awaited message, or held the start of one.
      const bool broken = m_inMessage && m_messageAwaited;
      Finish(TWaitEnd::CutShort, broken ? m_messageSize : 0,
             broken ? TCutCause::LostBytes : TCutCause::StartLost);
    } else {
      // Lost between messages, or inside one not awaited: nothing awaited
      // is known to be broken. A busy computer misses cycles that carried
      // nothing; if the start of the answer was among them, its rest tells.
      m_inMessage = false;
      waiting = false;
    }
    if (waiting) {
      m_inMessage = false;
      m_closeSent = true;
      closeNow = true;
    }
  }
  m_changed.notify_all();
  std::lock_guard<std::mutex> guard(m_listenerLock);
  if (closeNow && m_listener != nullptr)
    m_listener->CloseWaitRequested();
}

void TReception::HandleActivity(int /*device*/, bool inSysEx, size_t messageBytes) {
  bool began = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastByte = Clock::now();
    began = inSysEx && !m_deviceSending;
    m_deviceSending = inSysEx;
    m_deviceMessageBytes = messageBytes;
  }
  // A waiting side learns when to look for a stall.
  if (began)
    m_changed.notify_all();
}

void TReception::InputOpened() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_lostReason.clear();
  m_inMessage = false;
}

void TReception::Finish(TWaitEnd end, size_t received, TCutCause cause) {
  m_outcome.end = end;
  m_outcome.received = received;
  m_outcome.expected = m_await.expectedSize;
  m_outcome.cause = cause;
}

bool TReception::Stalled(Clock::time_point now) const {
  // A message still gathering its first 2048 bytes is known only from the
  // activity of the input: one that stops there is taken as the answer that
  // stopped, since nothing else can come before it ends.
  return m_waitMode != WaitNone && m_outcome.end == TWaitEnd::Waiting &&
         ((m_inMessage && m_messageAwaited) || m_deviceSending) &&
         now - m_lastByte >= kStalledAfter;
}

size_t TReception::StalledSize() const {
  return m_deviceSending ? m_deviceMessageBytes : m_messageSize;
}

void TReception::CheckStalled() {
  bool closeNow = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!Stalled(Clock::now()))
      return;
    Finish(TWaitEnd::CutShort, StalledSize(), TCutCause::Stopped);
    m_inMessage = false;
    m_deviceSending = false;
    closeNow = !m_closeSent;
    m_closeSent = true;
  }
  m_changed.notify_all();
  std::lock_guard<std::mutex> guard(m_listenerLock);
  if (closeNow && m_listener != nullptr)
    m_listener->CloseWaitRequested();
}

bool TReception::HeardSince(Clock::time_point time) const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lastByte >= time;
}

bool TReception::DeviceSending() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_deviceSending && Clock::now() - m_lastByte < kStalledAfter;
}

void TReception::StartWait() {
  m_receiveBuffer.clear();
  m_receiveBuffer.reserve(std::min(m_await.expectedSize, kMaxReserve));
  m_outcome = TWaitOutcome{};
  m_outcome.expected = m_await.expectedSize;
  m_closeSent = false;
  m_inMessage = false;
  m_messageAwaited = false;
  m_messageKinds.clear();
  m_waitMode = m_await.mode;
  if (!m_lostReason.empty()) {
    Finish(TWaitEnd::ServiceLost);
    m_outcome.reason = m_lostReason;
  } else if (m_stopRequested) {
    Finish(TWaitEnd::Cancelled);
  }
}

void TReception::BeginWait(const TAwait &await) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_await = await;
    StartWait();
  }
  m_changed.notify_all();
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
  return static_cast<int64_t>(m_await.expectedSize);
}

std::string TReception::AwaitedStep() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_await.step;
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

TWaitOutcome TReception::Outcome() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_outcome;
}

bool TReception::IsComplete() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_outcome.end == TWaitEnd::Complete;
}

bool TReception::HasEnded() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_outcome.end != TWaitEnd::Waiting;
}

template <class Predicate>
bool TReception::BlockUntil(std::unique_lock<std::mutex> &lock, Clock::time_point deadline,
                            Predicate ready) {
  const auto endsWait = [&] { return m_outcome.end != TWaitEnd::Waiting || ready(); };
  while (!endsWait()) {
    const Clock::time_point now = Clock::now();
    if (Stalled(now)) {
      Finish(TWaitEnd::CutShort, StalledSize(), TCutCause::Stopped);
      m_inMessage = false;
      m_deviceSending = false;
      break;
    }
    // A message under way is looked at again when it would stall.
    const Clock::time_point stall = (m_inMessage && m_messageAwaited) || m_deviceSending
                                        ? m_lastByte + kStalledAfter
                                        : Clock::time_point::max();
    const Clock::time_point until = std::min(deadline, stall);
    if (until == Clock::time_point::max()) {
      // wait_until would overflow converting the largest time point.
      m_changed.wait(lock);
    } else if (m_changed.wait_until(lock, until) == std::cv_status::timeout && until == deadline &&
               Clock::now() >= deadline) {
      break;
    }
  }
  return ready();
}

bool TReception::WaitUntilEnded(Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  BlockUntil(lock, deadline, [] { return false; });
  if (m_outcome.end != TWaitEnd::Waiting)
    return true;
  Finish(TWaitEnd::TimedOut, m_receiveBuffer.size());
  return false;
}

bool TReception::WaitUntilComplete(Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  return BlockUntil(lock, deadline, [this] { return m_outcome.end == TWaitEnd::Complete; });
}

bool TReception::WaitUntilReceived(size_t count, Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  return BlockUntil(lock, deadline, [&] { return m_receiveBuffer.size() >= count; });
}

std::string TReception::LostReason() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_lostReason;
}

bool TReception::SleepUnlessLost(Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_until(lock, deadline,
                              [this] { return !m_lostReason.empty() || m_stopRequested; });
}

void TReception::CancelWait() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_outcome.end == TWaitEnd::Waiting)
      Finish(TWaitEnd::Cancelled, m_receiveBuffer.size());
  }
  m_changed.notify_all();
}

void TReception::Stop() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopRequested = true;
    if (m_outcome.end == TWaitEnd::Waiting)
      Finish(TWaitEnd::Cancelled, m_receiveBuffer.size());
  }
  m_changed.notify_all();
}

bool TReception::StopRequested() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_stopRequested;
}

bool TReception::WasCancelled() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_outcome.end == TWaitEnd::Cancelled;
}

} // namespace zpm
