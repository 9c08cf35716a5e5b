// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/synth_claim.h"

#include "app/edit/audition_session.h"

#include "midi/midi_devices.h"
#include "patch/error.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace zpm {

namespace {

// A look every tenth of a second costs nothing while waiting or working.
constexpr int kPollMs = 100;

} // namespace

TSynthClaim::TSynthClaim(QWidget *window)
    : QObject(window), m_window(window), m_release(new QTimer(this)) {
  m_release->setInterval(kPollMs);
  connect(m_release, &QTimer::timeout, this, &TSynthClaim::ReleaseWhenIdle);
}

TSynthClaim::~TSynthClaim() = default;

void TSynthClaim::Claim(TMidiOutput &output, int index) {
  // The audition's thread talks through the same link until it has closed.
  if (AuditionRunning())
    throw ZpmError("The synthesizer is playing the patch being edited or explored in its "
                   "audition slot. Turn Audition off in the editor, or close the Explore window, "
                   "then try again; nothing was sent or fetched.");
  if (index < 0 || index >= static_cast<int>(output.DeviceNames().size()))
    return;
  const std::string &name = output.DeviceNames()[static_cast<size_t>(index)];
  if (name == TSimPort::kPortName)
    return;
  if (!m_lock || m_lock->PortName() != name)
    m_lock =
        std::make_unique<TPortLock>(TPortLock::ServiceScope(output.System().Api() == MidiApi::Jack),
                                    name, QApplication::applicationName().toStdString());
  std::string holder;
  const bool free = m_lock->TryAcquire(&holder);
  // No lock file (a read-only runtime folder): said once, on standard error.
  const std::string skipped = m_lock->TakeSkipNotice();
  if (!skipped.empty())
    std::fprintf(stderr, "%s\n", skipped.c_str());
  if (!free) {
    QProgressDialog waiting(QString::fromStdString(TPortLock::WaitingText(holder, name)),
                            QStringLiteral("&Cancel"), 0, 0, m_window);
    waiting.setObjectName(QStringLiteral("frmWaitForSynth"));
    waiting.setWindowTitle(QApplication::applicationDisplayName());
    waiting.setWindowModality(Qt::ApplicationModal);
    waiting.setMinimumDuration(0);
    QTimer poll;
    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, &waiting, [&] {
      if (m_lock->TryAcquire())
        waiting.accept();
    });
    poll.start();
    waiting.exec();
    if (!m_lock->Held())
      throw ZpmError(TPortLock::BusyText(holder, name) +
                     " Nothing was sent or fetched; try again when it has finished.");
  }
  m_release->start();
}

void TSynthClaim::ReleaseWhenIdle() {
  // An operation runs its waits in nested event loops; the window is at
  // rest again when only its main loop (or none, under a test) runs.
  if (QThread::currentThread()->loopLevel() > 1)
    return;
  m_release->stop();
  if (m_lock)
    m_lock->Release();
}

} // namespace zpm
