// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's hold on the synthesizer: an operation that starts talking to
// the output port takes its lock, waiting (with "&Cancel") while another
// program holds it, and lets go once the window is back at rest.

#include "midi/port_lock.h"

#include <QObject>

#include <memory>

class QTimer;
class QWidget;

namespace zpm {

class TMidiOutput;

class TSynthClaim : public QObject {
  Q_OBJECT
public:
  explicit TSynthClaim(QWidget *window);
  ~TSynthClaim() override;

  // Takes the lock of the open output device index; raises ZpmError when
  // the user stops waiting for another program. The built-in simulator is
  // this program's own and needs none.
  void Claim(TMidiOutput &output, int index);
  bool Held() const { return m_lock && m_lock->Held(); }

private:
  void ReleaseWhenIdle();

  QWidget *m_window;
  std::unique_ptr<TPortLock> m_lock;
  QTimer *m_release;
};

} // namespace zpm
