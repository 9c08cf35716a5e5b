// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit/audition_session.h"

#include "app/library/library_record.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <set>

namespace zpm {

namespace {

// The sessions of the program's windows, all on the window's thread.
std::set<const TAuditionSession *> &Sessions() {
  static std::set<const TAuditionSession *> sessions;
  return sessions;
}

} // namespace

bool AuditionRunning() {
  for (const TAuditionSession *session : Sessions())
    if (!session->Idle())
      return true;
  return false;
}

TAuditionSynth AuditionSynthOf(const Bytes &image) {
  return image.size() > 4 && image[4] == 0x46 ? TAuditionSynth::Sid : TAuditionSynth::Fm;
}

bool AskAuditionSlot(QWidget *parent, TMainContext &context, TAuditionSynth synth) {
  const bool sid = synth == TAuditionSynth::Sid;
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("AuditionSlotDialog"));
  dialog.setWindowTitle(QStringLiteral("Audition slot"));
  auto *bank = new QComboBox(&dialog);
  bank->setObjectName(QStringLiteral("cbxAskAuditionBank"));
  for (int each = 0; each < (sid ? 8 : 16); ++each)
    bank->addItem(QString(QLatin1Char(static_cast<char>('A' + each))));
  auto *slot = new QSpinBox(&dialog);
  slot->setObjectName(QStringLiteral("seAskAuditionSlot"));
  slot->setRange(1, 128);
  TAuditionSettings settings = context.Audition();
  const TAuditionSlotSetting &now = settings.Of(synth);
  bank->setCurrentIndex(std::max(0, now.bank));
  slot->setValue(now.slot < 0 ? 1 : now.slot + 1);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto *form = new QFormLayout(&dialog);
  form->addRow(new QLabel(QString::fromStdString(NoAuditionSlotText(synth)), &dialog));
  form->addRow(QStringLiteral("&Bank:"), bank);
  form->addRow(QStringLiteral("&Slot:"), slot);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  settings.Of(synth).bank = bank->currentIndex();
  settings.Of(synth).slot = slot->value() - 1;
  context.SetAudition(settings);
  return true;
}

TAuditionSession::TAuditionSession(TMainContext &context, QObject *parent)
    : QObject(parent), m_context(context), m_reaper(new QTimer(this)) {
  Sessions().insert(this);
  m_reaper->setInterval(50);
  connect(m_reaper, &QTimer::timeout, this, &TAuditionSession::Reap);
}

TAuditionSession::~TAuditionSession() {
  End(true);
  if (m_closing)
    m_closing->WaitClosed();
  Sessions().erase(this);
}

QString TAuditionSession::AuditionImage(const Bytes &image, const TAuditionSlotSetting &slot) {
  const TAuditionSynth synth = AuditionSynthOf(image);
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
    auto audition = std::make_unique<TAudition>(
        m_context.Link(), options, std::move(events),
        AuditionLockFor(m_context.Link().output, m_context.Link().OutputDeviceIndex,
                        QApplication::applicationName().toStdString()));
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

QString TAuditionSession::AuditionImage(const Bytes &image) {
  return AuditionImage(image, m_context.Audition().Of(AuditionSynthOf(image)));
}

void TAuditionSession::End(bool wait, bool putBack) {
  if (m_audition) {
    m_audition->Close(putBack);
    if (!wait) {
      if (m_closing)
        m_closing->WaitClosed();
      m_closing = std::move(m_audition);
      m_reaper->start();
      return;
    }
    m_audition->WaitClosed();
    m_audition.reset();
  }
  // One still putting back holds the link as well.
  if (wait && m_closing) {
    m_closing->WaitClosed();
    m_closing.reset();
    m_reaper->stop();
  }
}

void TAuditionSession::Reap() {
  if (m_closing && !m_closing->Closed())
    return;
  if (m_closing)
    m_closing->WaitClosed();
  m_closing.reset();
  m_reaper->stop();
}

} // namespace zpm
