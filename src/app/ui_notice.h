// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Carries a notice from any thread (the MIDI driver's, mostly) to a QObject's
// own thread. A burst of notices costs one call: while one is on its way,
// further ones join it.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace zpm {

class TUiNotice {
public:
  // action runs on target's thread, while target lives.
  TUiNotice(QObject *target, std::function<void()> action);
  // No action runs once this returns, even for a notice that was on its way.
  ~TUiNotice();
  TUiNotice(const TUiNotice &) = delete;
  TUiNotice &operator=(const TUiNotice &) = delete;

  // Any thread.
  void Notify() const { Notify(m_state); }
  // A callable for handlers that may be called after this object is gone
  // (TEventLog's change handler may still be running when it is replaced).
  std::function<void()> Notifier() const;

private:
  struct TState {
    std::mutex lock; // guards target against the destructor
    QObject *target;
    std::function<void()> action;
    std::atomic<bool> pending{false};
  };
  static void Notify(const std::shared_ptr<TState> &state);

  std::shared_ptr<TState> m_state;
};

} // namespace zpm
