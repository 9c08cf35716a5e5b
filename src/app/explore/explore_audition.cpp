// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/explore/explore_audition.h"

#include "app/library/library_record.h"
#include "midi/midi_system.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QTimer>

namespace zpm {

namespace {

// The output port's lock, as the window's own claim takes it; the built-in
// simulator needs none.
TAuditionLock LockOf(const TMidiLink &link) {
  TAuditionLock lock;
  lock.program = QApplication::applicationName().toStdString();
  const std::vector<std::string> names = link.output.DeviceNames();
  const int index = link.OutputDeviceIndex;
  if (index < 0 || index >= static_cast<int>(names.size()) ||
      names[static_cast<size_t>(index)] == TSimPort::kPortName)
    return lock;
  lock.port = names[static_cast<size_t>(index)];
  lock.scope = TPortLock::ServiceScope(link.output.System().Api() == MidiApi::Jack);
  return lock;
}

} // namespace

TExploreAudition::TExploreAudition(TMainContext &context, QObject *parent)
    : QObject(parent), m_context(context), m_reaper(new QTimer(this)) {
  m_reaper->setInterval(50);
  connect(m_reaper, &QTimer::timeout, this, &TExploreAudition::Reap);
}

TExploreAudition::~TExploreAudition() {
  End(true);
  if (m_closing)
    m_closing->WaitClosed();
}

QString TExploreAudition::AuditionImage(const Bytes &image, const TAuditionSlotSetting &slot) {
  const TAuditionSynth synth = !image.empty() && image.size() > 4 && image[4] == 0x46
                                   ? TAuditionSynth::Sid
                                   : TAuditionSynth::Fm;
  if (!AuditionSlotChosen(slot))
    return QString::fromStdString(NoAuditionSlotText(synth));
  if (m_audition &&
      (m_audition->Stopped() || synth != m_synth || slot.bank != m_bank || slot.slot != m_slot))
    End(true);
  if (!m_audition) {
    // The one putting back goes first: both talk through the same link.
    if (m_closing) {
      m_closing->WaitClosed();
      m_closing.reset();
    }
    TAuditionOptions options;
    options.synth = synth;
    options.bank = slot.bank;
    options.slot = slot.slot;
    options.notes = slot.notes;
    const bool sid = synth == TAuditionSynth::Sid;
    options.device = sid ? m_context.SidDeviceId() : m_context.FmDeviceId();
    options.pauseMs = sid ? m_context.SidDelay() : m_context.FmDelay();
    TAuditionEvents events;
    events.status = [this](const std::string &line) {
      QMetaObject::invokeMethod(
          this, [this, text = QString::fromStdString(line)] { emit status(text); },
          Qt::QueuedConnection);
    };
    events.backup = [this](const TSnapshotRecord &record) {
      QMetaObject::invokeMethod(
          this, [this, record] { KeepSnapshot(m_context, record); }, Qt::QueuedConnection);
    };
    auto audition = std::make_unique<TAudition>(m_context.Link(), options, std::move(events),
                                                LockOf(m_context.Link()));
    const std::string why = audition->Start();
    if (!why.empty())
      return QString::fromStdString(why);
    m_audition = std::move(audition);
    m_synth = synth;
    m_bank = slot.bank;
    m_slot = slot.slot;
  }
  std::string why;
  if (!m_audition->Submit(image, &why))
    return QString::fromStdString(why);
  return {};
}

void TExploreAudition::End(bool wait) {
  if (!m_audition)
    return;
  m_audition->Close(/*putBack=*/true);
  if (wait) {
    m_audition->WaitClosed();
    m_audition.reset();
    return;
  }
  if (m_closing)
    m_closing->WaitClosed();
  m_closing = std::move(m_audition);
  m_reaper->start();
}

void TExploreAudition::Reap() {
  if (m_closing && !m_closing->Closed())
    return;
  if (m_closing)
    m_closing->WaitClosed();
  m_closing.reset();
  m_reaper->stop();
}

} // namespace zpm
