// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The store behind the log window: every MIDI line of the run, newest first,
// written from the driver thread and the user-interface thread alike.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace zpm {

// What a window needs to bring its view up to date in one consistent read:
// if Clears changed since its last look, it starts over with Count lines;
// otherwise the lines it has not seen yet are the newest Count - old count.
struct TLogState {
  size_t Count = 0;
  uint64_t Clears = 0;
};

class TEventLog {
public:
  // Called after every added line and every clear, on the thread that made
  // the change and outside LogLock; a window posts it to its own thread.
  using ChangeHandler = std::function<void()>;

  TEventLog() = default;
  TEventLog(const TEventLog &) = delete;
  TEventLog &operator=(const TEventLog &) = delete;

  void AddLogLine(std::string line);
  // "&Clear log".
  void Clear();

  size_t Count() const;
  // 0 = the newest line. An index past the end (a window that has not yet
  // learnt of a clear) gives an empty text.
  std::string Line(size_t index) const;
  // 0 = the oldest line: stays on the same line while new lines arrive, which
  // is what a view that learns of additions later needs.
  std::string LineFromOldest(size_t position) const;
  TLogState State() const;

  void SetChangeHandler(ChangeHandler handler);

  // The three kinds of log line, each stamped with the time it is built.
  void LogSysExIn(const uint8_t *bytes, size_t count);
  void LogSysExOut(const uint8_t *bytes, size_t count);
  // Active sensing is not logged.
  void LogShortIn(uint8_t status, uint8_t data1, uint8_t data2);

  // A request is being sent: a device may answer it, and the driver's thread
  // log the answer, before the send has returned. Incoming lines wait until
  // EndSending, which adds the request's line (empty: the send failed) first.
  void BeginSending();
  void EndSending(std::string outLine);

  // Serialises every change to the lines, from both threads.
  mutable std::mutex LogLock;

private:
  // Oldest at the front: adding at the back costs the same at the millionth
  // line as at the first and never moves the lines already there.
  std::deque<std::string> m_lines;
  void AddIncomingLine(std::string line);

  int m_sending = 0;
  std::deque<std::string> m_heldIncoming; // while m_sending
  uint64_t m_clears = 0;
  std::shared_ptr<const ChangeHandler> m_onChange;
};

} // namespace zpm
