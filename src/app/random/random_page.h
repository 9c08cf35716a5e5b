// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two random-patch pages ("Random" under "SID" and under "FM"): the
// range grid, the seed, bank, first patch and number, and the two runs,
// "Create && Save to SysEx" into a file and "Create && Save to SID" / "Create
// && Save to FM" into the synthesizer, with the send tabs' options to back up
// the bank first and read the patches back. A status line says what the last
// run made, since a run cut at slot 128 is otherwise silent.

#include "app/main_context.h"
#include "fm/fm_send.h"
#include "random/random_run.h"
#include "random/range_grid.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace zpm {

class TRangeGridView;

class TRandomPage : public QWidget {
  Q_OBJECT

public:
  enum class Synth { Sid, Fm };

  TRandomPage(Synth synth, TMainContext &context, QWidget *parent = nullptr);

  RangeGrid &Grid();
  TRangeGridView *GridView() { return m_gridView; }
  // The run the controls describe now, with the Config page's device ID.
  RandomRun CurrentRun() const;
  QString StatusText() const;
  // "Back up destination banks first", "Verify after sending": the same
  // settings as the send tabs'.
  QCheckBox *BackupCheck() const { return m_backup; }
  QCheckBox *VerifyCheck() const { return m_verify; }

public slots:
  // btnSIDCreateRandomSysExClick / btnFMCreateRandomSysExClick
  void CreateToSysExClick();
  // btnSIDCreateRandomSIDClick / btnFMCreateRandomFMClick
  void CreateToDeviceClick();

private:
  // The Config page's FM values and the two options, read when used.
  TFmSendOptions FmOptions() const;
  void ShowError(const QString &text);

  Synth m_synth;
  TMainContext &m_context;
  TRangeGridView *m_gridView;
  QSpinBox *m_seed;
  QComboBox *m_bank;
  QSpinBox *m_patch;
  QSpinBox *m_number;
  QCheckBox *m_backup;
  QCheckBox *m_verify;
  QLabel *m_status;
};

} // namespace zpm
