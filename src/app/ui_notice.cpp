// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui_notice.h"

#include <QMetaObject>

#include <utility>

namespace zpm {

TUiNotice::TUiNotice(QObject *target, std::function<void()> action)
    : m_state(std::make_shared<TState>()) {
  m_state->target = target;
  m_state->action = std::move(action);
}

TUiNotice::~TUiNotice() {
  std::lock_guard<std::mutex> guard(m_state->lock);
  m_state->target = nullptr;
}

std::function<void()> TUiNotice::Notifier() const {
  std::shared_ptr<TState> state = m_state;
  return [state] { Notify(state); };
}

void TUiNotice::Notify(const std::shared_ptr<TState> &state) {
  if (state->pending.exchange(true))
    return;
  std::lock_guard<std::mutex> guard(state->lock);
  if (!state->target)
    return;
  // Qt drops the call if the target is destroyed before it runs.
  QMetaObject::invokeMethod(
      state->target,
      [state] {
        state->pending = false;
        std::function<void()> action;
        {
          std::lock_guard<std::mutex> inner(state->lock);
          if (!state->target)
            return;
          action = state->action;
        }
        action();
      },
      Qt::QueuedConnection);
}

} // namespace zpm
