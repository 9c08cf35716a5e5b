// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/audition.h"

#include "patch/error.h"

#include <chrono>

namespace zpm {

namespace {

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TMidiLink Unclaimed(const TMidiLink &link) {
  TMidiLink own = link;
  // The window's claim shows dialogs; the audition holds its own lock.
  own.OnClaim = nullptr;
  return own;
}

} // namespace

TAudition::TAudition(const TMidiLink &link, const TAuditionOptions &options, TAuditionEvents events,
                     TAuditionLock lock)
    : m_link(Unclaimed(link)), m_lockPlace(std::move(lock)),
      m_host(m_link.reception, events.status),
      m_core(m_link, m_host, options, std::move(events), SteadyMs) {}

TAudition::~TAudition() {
  Close(false);
  WaitClosed();
}

std::string TAudition::Start() {
  if (m_thread.joinable())
    return {};
  try {
    m_link.CheckDevicesOpen();
  } catch (const ZpmError &e) {
    return e.what();
  }
  if (!m_lockPlace.port.empty()) {
    m_lock = std::make_unique<TPortLock>(m_lockPlace.scope, m_lockPlace.port, m_lockPlace.program);
    std::string holder;
    if (!m_lock->TryAcquire(&holder))
      return TPortLock::BusyText(holder, m_lockPlace.port) +
             " Nothing was auditioned; try again when it has finished.";
  }
  m_thread = std::thread([this] { Run(); });
  return {};
}

bool TAudition::Submit(const Bytes &image, std::string *why) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closing || !m_thread.joinable()) {
      if (why)
        *why = "Auditioning has ended.";
      return false;
    }
  }
  if (!m_core.Submit(image, why))
    return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_wake.notify_one();
  return true;
}

void TAudition::Close(bool putBack) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_closing)
    return;
  m_closing = true;
  m_putBack = putBack;
  m_wake.notify_one();
}

bool TAudition::Closed() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_ended || !m_thread.joinable();
}

void TAudition::WaitClosed() {
  if (m_thread.joinable())
    m_thread.join();
}

void TAudition::Run() {
  bool putBack = false;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_closing || m_core.Pending(); });
      if (m_closing) {
        putBack = m_putBack;
        break;
      }
    }
    m_core.WriteNext();
  }
  m_core.Finish(putBack);
  if (m_lock)
    m_lock->Release();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_ended = true;
}

} // namespace zpm
