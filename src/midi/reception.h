#pragma once
// The receive side of the program: logs everything that arrives and, while
// an operation waits for an answer, collects the SysEx bytes in
// ReceiveBuffer. The handlers run on the driver thread, everything else on
// the user-interface thread (or any thread that waits).

#include "midi/event_log.h"
#include "patch/stream.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace zpm {

enum TWaitMode { WaitNone = 0, WaitSidDump = 1, WaitFmDump = 2, WaitFmAck = 3 };

// What the waiting side must learn from the driver thread. Called on the
// driver thread, outside the reception's lock, so an implementation may call
// back into the reception. A window that posts these to its own thread may
// get them late, after the next BeginWait: it should act on a close request
// only when IsComplete() still says so, and show ReceivedSize().
struct TReceptionListener {
  virtual ~TReceptionListener() = default;
  virtual void ByteCountChanged(size_t count) = 0;
  // Sent once per wait, when the expected bytes have arrived.
  virtual void CloseWaitRequested() = 0;
};

class TReception {
public:
  using Clock = std::chrono::steady_clock;

  explicit TReception(TEventLog &log);
  TReception(const TReception &) = delete;
  TReception &operator=(const TReception &) = delete;

  // May be changed at any time; once it returns, the old listener is no
  // longer called (so a listener must not block on the thread that changes
  // it). nullptr: nobody listens.
  void SetListener(TReceptionListener *listener);

  // Driver side: one SysEx chunk of 1..2048 bytes, one short message. The
  // device index is not used: there is one open input.
  void HandleSysExData(int device, const uint8_t *bytes, size_t count);
  void HandleMidiData(int device, uint8_t status, uint8_t data1, uint8_t data2);

  // Empties ReceiveBuffer, sets ExpectedSize (0 = no limit) and WaitMode,
  // all before any further chunk is handled. Call it before sending the request.
  void BeginWait(TWaitMode mode, int64_t expectedSize);
  // WaitMode back to WaitNone: from here on chunks are only logged and the
  // buffer holds still for reading.
  void EndWait();

  TWaitMode WaitMode() const;
  int64_t ExpectedSize() const;
  // Safe at any time, also while chunks are being appended.
  size_t ReceivedSize() const;
  Bytes Buffer() const;
  // The buffer's contents, leaving it empty.
  Bytes TakeBuffer();

  // The expected bytes of the current wait have arrived (set by the handler
  // together with the close request, cleared by BeginWait).
  bool IsComplete() const;
  // Blocks until the current wait is complete, it is cancelled, or the
  // deadline passes (Clock::time_point::max(): no deadline). True when
  // complete, also when the bytes arrived before this call.
  bool WaitUntilComplete(Clock::time_point deadline = Clock::time_point::max());
  // Blocks until ReceiveBuffer holds at least count bytes, the wait is
  // cancelled, or the deadline passes; true when the bytes are there.
  bool WaitUntilReceived(size_t count, Clock::time_point deadline);
  // From any thread: ends the blocking calls above for the current wait.
  void CancelWait();
  bool WasCancelled() const;

private:
  template <class Predicate>
  bool BlockUntil(std::unique_lock<std::mutex> &lock, Clock::time_point deadline, Predicate ready);

  TEventLog &m_log;

  mutable std::mutex m_lock; // guards everything below
  std::condition_variable m_changed;
  Bytes m_receiveBuffer;
  TWaitMode m_waitMode = WaitNone;
  int64_t m_expectedSize = 0;
  bool m_complete = false;
  bool m_cancelled = false;

  // Held while the listener is called, so SetListener can retire one safely.
  std::mutex m_listenerLock;
  TReceptionListener *m_listener = nullptr;
};

} // namespace zpm
