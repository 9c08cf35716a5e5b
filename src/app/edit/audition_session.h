// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows' way to the audition slot (the editor's and Explore's): each
// patch to hear is handed to the audition's own thread, which writes the
// latest one while the window goes on; the slot's own patch is put back when
// the window is done. One audition at a time uses the link.

#include "app/main_context.h"
#include "edit/audition.h"

#include <QObject>
#include <QString>

#include <memory>

class QTimer;
class QWidget;

namespace zpm {

// The synthesizer a whole dump image is for.
TAuditionSynth AuditionSynthOf(const Bytes &image);

// Asks for the audition slot of synth (bank and slot) and keeps it in the
// Config page's settings; false when the user cancelled.
bool AskAuditionSlot(QWidget *parent, TMainContext &context, TAuditionSynth synth);

// Whether any window's audition is running or putting its slot back: the
// link is the audition thread's until then.
bool AuditionRunning();

class TAuditionSession : public QObject {
  Q_OBJECT
public:
  TAuditionSession(TMainContext &context, QObject *parent = nullptr);
  // Puts back what the slot held and waits for it.
  ~TAuditionSession() override;

  // Plays image in the chosen slot of its synthesizer: empty when it is on
  // its way, else why not.
  QString AuditionImage(const Bytes &image, const TAuditionSlotSetting &slot);
  // The same in the slot the Config page chose for the image's synthesizer.
  QString AuditionImage(const Bytes &image);
  // Ends auditioning, the slot's own patch put back unless not asked to;
  // with wait, returns once it is done, else at once.
  void End(bool wait, bool putBack = true);
  bool Running() const { return m_audition != nullptr; }
  // Nothing runs and nothing is being put back.
  bool Idle() const { return !m_audition && !m_closing; }
  // The running audition, or null.
  TAudition *Current() { return m_audition.get(); }

signals:
  // A line for the window's status line: a stop, a put-back, a refusal.
  void status(const QString &line);

private:
  void Reap();

  TMainContext &m_context;
  std::unique_ptr<TAudition> m_audition;
  TAuditionSynth m_synth = TAuditionSynth::Sid;
  int m_bank = -1;
  int m_slot = -1;
  // Putting back while the window goes on.
  std::unique_ptr<TAudition> m_closing;
  QTimer *m_reaper;
};

} // namespace zpm
