// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Working...": the progress of a long send, with the "&Cancel" that stops
// it after the patch in progress, and a line that says how far the run is.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zpm {

// "Patch 17 of 1024, about 12 min left": the patch in progress after done of
// count, and the time left at the time per patch so far; before the first
// patch is done, or once all are, no estimate.
QString WorkingProgressText(int count, int done, qint64 elapsedMs);
// "Cancelled after 17 of 1024 patches."
QString WorkingCancelledText(int count, int done);

class TfrmWorking : public QDialog {
  Q_OBJECT
public:
  explicit TfrmWorking(QWidget *parent = nullptr);

  QProgressBar *Progress() { return pbProgress; }
  // A run over count patches starts now.
  void Begin(int count);
  // One more patch done.
  void Step();
  int Count() const { return m_count; }
  int Done() const { return m_done; }
  // Escape presses "&Cancel" too.
  void reject() override;

private:
  void btnCancelClick();

  QProgressBar *pbProgress;
  QLabel *lbProgress;
  QPushButton *btnCancel;
  QElapsedTimer m_clock;
  int m_count = 0;
  int m_done = 0;
};

} // namespace zpm
