// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receive side of the program: logs everything that arrives and, while
// an operation waits for an answer, collects in ReceiveBuffer the whole
// messages of the kind it awaits. Anything else that arrives meanwhile is
// logged and set aside. The handlers run on the driver thread, everything
// else on the user-interface thread (or any thread that waits).

#include "midi/chunker.h"
#include "midi/event_log.h"
#include "patch/stream.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zpm {

enum TWaitMode { WaitNone = 0, WaitSidDump = 1, WaitFmDump = 2, WaitFmAck = 3 };

// One kind of message a wait takes: it starts with prefix (F0, the
// manufacturer, the device type, usually the device number and the command)
// and is size bytes long from F0 to F7 (0: any length).
struct TAwaitedKind {
  Bytes prefix;
  size_t size = 0;
};

// What a wait awaits. A dump wait ends with the first whole message of one of
// its kinds; a collecting wait (the Bank Select pause) keeps every whole one
// until the waiting side ends it.
struct TAwait {
  TWaitMode mode = WaitNone;
  std::vector<TAwaitedKind> kinds;
  bool endsOnMessage = true;
  // The size the wait dialog and the "cut short" counts name.
  size_t expectedSize = 0;
  // Where the wait stands in a longer run ("bank C, 3 of 8"), for the wait
  // dialog; empty for a wait of its own.
  std::string step;
};

// How a wait ended. Waiting after EndWait: the waiting side ended it with no
// answer (the pause ran out, the close box).
enum class TWaitEnd { Waiting, Complete, Cancelled, TimedOut, CutShort, ServiceLost };

// Why an awaited message came cut short: it ended early (a status byte, a new
// F0 or an F7 too soon), it stopped (no byte for a second: a device sends a
// dump without pauses), or bytes were lost (the computer or the MIDI service
// was too busy), within it or before it began.
enum class TCutCause { Ended, Stopped, LostBytes, StartLost };

struct TWaitOutcome {
  TWaitEnd end = TWaitEnd::Waiting;
  TCutCause cause = TCutCause::Ended; // CutShort only
  // CutShort: the bytes the awaited message had when it ended or broke, and
  // the size it should have had.
  size_t received = 0;
  size_t expected = 0;
  std::string reason; // ServiceLost: the service's own words
};

// What the waiting side must learn from the driver thread. Called on the
// driver thread, outside the reception's lock, so an implementation may call
// back into the reception. A window that posts these to its own thread may
// get them late, after the next BeginWait: it should act on a close request
// only when HasEnded() still says so, and show ReceivedSize().
struct TReceptionListener {
  virtual ~TReceptionListener() = default;
  virtual void ByteCountChanged(size_t count) = 0;
  // Sent once per wait, when it has ended by itself: complete, cut short or
  // the service lost.
  virtual void CloseWaitRequested() = 0;
};

class TReception {
public:
  using Clock = std::chrono::steady_clock;
  // A message that has begun and brought no byte for this long has stopped:
  // a device sends a dump without pauses, and neither a cable nor a busy
  // JACK server holds bytes back this long.
  static constexpr std::chrono::milliseconds kStalledAfter{1000};

  explicit TReception(TEventLog &log);
  TReception(const TReception &) = delete;
  TReception &operator=(const TReception &) = delete;

  // May be changed at any time; once it returns, the old listener is no
  // longer called (so a listener must not block on the thread that changes
  // it). nullptr: nobody listens.
  void SetListener(TReceptionListener *listener);

  // Driver side: one SysEx chunk of 1..2048 bytes (a message starts with a
  // chunk that begins with F0 and ends with the chunk that ends with F7), one
  // short message, a problem of the input.
  void HandleSysExData(int device, const uint8_t *bytes, size_t count);
  void HandleMidiData(int device, uint8_t status, uint8_t data1, uint8_t data2);
  void HandleInputProblem(int device, TInputProblem problem, const std::string &reason);
  // Bytes came in; inSysEx: a SysEx of the device is still under way, with
  // messageBytes of it so far (some perhaps not yet handed on).
  void HandleActivity(int device, bool inSysEx, size_t messageBytes);
  // The input was opened again: a service lost before no longer ends waits.
  void InputOpened();

  // Empties ReceiveBuffer and starts a wait for whole messages of the given
  // kinds, before any further chunk is handled. Call it before sending the
  // request. While the service is lost the wait ends at once.
  void BeginWait(const TAwait &await);
  // WaitMode back to WaitNone: from here on chunks are only logged and the
  // buffer and the outcome hold still for reading.
  void EndWait();

  TWaitMode WaitMode() const;
  int64_t ExpectedSize() const;
  std::string AwaitedStep() const;
  // Safe at any time, also while chunks are being appended.
  size_t ReceivedSize() const;
  Bytes Buffer() const;
  // The buffer's contents, leaving it empty.
  Bytes TakeBuffer();
  TWaitOutcome Outcome() const;

  // The awaited message has arrived whole.
  bool IsComplete() const;
  // The wait has ended, by itself or from the waiting side.
  bool HasEnded() const;
  // Blocks until the current wait has ended or the deadline passes
  // (Clock::time_point::max(): no deadline); true when it ended. A wait
  // still open at the deadline ends as TimedOut.
  bool WaitUntilEnded(Clock::time_point deadline = Clock::time_point::max());
  // As WaitUntilEnded, true only when complete (also when the bytes arrived
  // before this call).
  bool WaitUntilComplete(Clock::time_point deadline = Clock::time_point::max());
  // Blocks until ReceiveBuffer holds at least count bytes, the wait has
  // ended otherwise, or the deadline passes; true when the bytes are there.
  bool WaitUntilReceived(size_t count, Clock::time_point deadline);
  // Blocks until the deadline, or until the service is lost or the run is
  // to stop (true).
  bool SleepUnlessLost(Clock::time_point deadline);
  // The service's reason once it is lost (until the input is opened again);
  // empty while it is there.
  std::string LostReason() const;
  // From any thread: an awaited message that has begun and brought no byte
  // for kStalledAfter has stopped, and its wait ends as cut short. Waits
  // through WaitUntil* look for themselves; a wait dialog calls this.
  void CheckStalled();
  // A message of the device is still coming in (begun, not ended, its last
  // byte less than kStalledAfter ago), whether or not anyone awaits it.
  bool DeviceSending() const;
  // A byte of the device came at or after the time.
  bool HeardSince(Clock::time_point time) const;

  // From any thread: the user ended the wait.
  void CancelWait();
  bool WasCancelled() const;
  // From any thread, a signal's handler too: the run is to stop. Ends the
  // wait in progress as cancelled, wakes every pause, and every later wait
  // of this reception ends at once, cancelled.
  void Stop();
  bool StopRequested() const;

private:
  // Under m_lock.
  void StartWait();
  void Finish(TWaitEnd end, size_t received = 0, TCutCause cause = TCutCause::Ended);
  bool Stalled(Clock::time_point now) const;
  size_t StalledSize() const;
  void HandleAwaitedChunk(const uint8_t *bytes, size_t count);
  void EndMessage(bool whole);
  bool Matches(const TAwaitedKind &kind, const uint8_t *bytes, size_t count) const;
  size_t LargestMatchingSize() const;

  template <class Predicate>
  bool BlockUntil(std::unique_lock<std::mutex> &lock, Clock::time_point deadline, Predicate ready);

  TEventLog &m_log;

  mutable std::mutex m_lock; // guards everything below
  std::condition_variable m_changed;
  Bytes m_receiveBuffer;
  TWaitMode m_waitMode = WaitNone;
  TAwait m_await;
  TWaitOutcome m_outcome;
  bool m_closeSent = false;
  std::string m_lostReason; // not empty: the service is gone
  bool m_stopRequested = false;
  // Every message of the device, awaited or not: one under way, and when
  // its last byte came.
  bool m_deviceSending = false;
  size_t m_deviceMessageBytes = 0;
  Clock::time_point m_lastByte{};

  // The message now coming in, seen from its first chunk on.
  bool m_inMessage = false;
  bool m_messageAwaited = false;
  std::vector<const TAwaitedKind *> m_messageKinds; // kinds whose prefix it has
  size_t m_messageStart = 0;                        // where it starts in the buffer
  size_t m_messageSize = 0;

  // Held while the listener is called, so SetListener can retire one safely.
  std::mutex m_listenerLock;
  TReceptionListener *m_listener = nullptr;
};

} // namespace zpm
