// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/event_log.h"

#include "midi/log_text.h"

#include <utility>

namespace zpm {

void TEventLog::AddLogLine(std::string line) {
  std::shared_ptr<const ChangeHandler> handler;
  {
    std::lock_guard<std::mutex> lock(LogLock);
    m_lines.push_back(std::move(line));
    handler = m_onChange;
  }
  if (handler) {
    (*handler)();
  }
}

void TEventLog::AddIncomingLine(std::string line) {
  {
    std::lock_guard<std::mutex> lock(LogLock);
    if (m_sending > 0) {
      m_heldIncoming.push_back(std::move(line));
      return;
    }
  }
  AddLogLine(std::move(line));
}

void TEventLog::BeginSending() {
  std::lock_guard<std::mutex> lock(LogLock);
  ++m_sending;
}

void TEventLog::EndSending(std::string outLine) {
  std::shared_ptr<const ChangeHandler> handler;
  {
    std::lock_guard<std::mutex> lock(LogLock);
    if (!outLine.empty())
      m_lines.push_back(std::move(outLine));
    if (--m_sending == 0) {
      for (std::string &held : m_heldIncoming)
        m_lines.push_back(std::move(held));
      m_heldIncoming.clear();
    }
    handler = m_onChange;
  }
  if (handler) {
    (*handler)();
  }
}

void TEventLog::Clear() {
  std::deque<std::string> old;
  std::shared_ptr<const ChangeHandler> handler;
  {
    std::lock_guard<std::mutex> lock(LogLock);
    old.swap(m_lines);
    ++m_clears;
    handler = m_onChange;
  }
  // A million lines are freed here, outside the lock, so the driver thread
  // is not held up meanwhile.
  old.clear();
  if (handler) {
    (*handler)();
  }
}

size_t TEventLog::Count() const {
  std::lock_guard<std::mutex> lock(LogLock);
  return m_lines.size();
}

std::string TEventLog::Line(size_t index) const {
  std::lock_guard<std::mutex> lock(LogLock);
  if (index >= m_lines.size()) {
    return {};
  }
  return m_lines[m_lines.size() - 1 - index];
}

std::string TEventLog::LineFromOldest(size_t position) const {
  std::lock_guard<std::mutex> lock(LogLock);
  if (position >= m_lines.size()) {
    return {};
  }
  return m_lines[position];
}

TLogState TEventLog::State() const {
  std::lock_guard<std::mutex> lock(LogLock);
  return {m_lines.size(), m_clears};
}

void TEventLog::SetChangeHandler(ChangeHandler handler) {
  auto shared = handler ? std::make_shared<const ChangeHandler>(std::move(handler)) : nullptr;
  std::lock_guard<std::mutex> lock(LogLock);
  m_onChange = std::move(shared);
}

void TEventLog::LogSysExIn(const uint8_t *bytes, size_t count) {
  AddIncomingLine(SysExInLine(LogTimeText(), bytes, count));
}

void TEventLog::LogSysExOut(const uint8_t *bytes, size_t count) {
  AddLogLine(SysExOutLine(LogTimeText(), bytes, count));
}

void TEventLog::LogShortIn(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!IsLoggedShortMessage(status)) {
    return;
  }
  AddIncomingLine(ShortMessageInLine(LogTimeText(), status, data1, data2));
}

} // namespace zpm
