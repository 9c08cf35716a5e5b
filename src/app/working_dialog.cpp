// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/working_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zpm {

namespace {

constexpr int kMinWidth = 260;

// "40 s", "12 min", "1 h 39 min": rounded to what the estimate is worth.
QString DurationText(qint64 ms) {
  const auto seconds = static_cast<qint64>(std::llround(static_cast<double>(ms) / 1000.0));
  if (seconds < 60)
    return QStringLiteral("%1 s").arg(std::max<qint64>(seconds, 1));
  const auto minutes = static_cast<qint64>(std::llround(static_cast<double>(seconds) / 60.0));
  if (minutes < 60)
    return QStringLiteral("%1 min").arg(minutes);
  if (minutes % 60 == 0)
    return QStringLiteral("%1 h").arg(minutes / 60);
  return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

} // namespace

QString WorkingProgressText(int count, int done, qint64 elapsedMs) {
  if (count <= 0)
    return {};
  const QString patch =
      QStringLiteral("Patch %1 of %2").arg(std::clamp(done + 1, 1, count)).arg(count);
  if (done <= 0 || done >= count || elapsedMs <= 0)
    return patch;
  const double perPatch = static_cast<double>(elapsedMs) / done;
  const auto left = static_cast<qint64>(perPatch * (count - done));
  return patch + QStringLiteral(", about %1 left").arg(DurationText(left));
}

QString WorkingCancelledText(int count, int done) {
  return QStringLiteral("Cancelled after %1 of %2 %3.")
      .arg(done)
      .arg(count)
      .arg(count == 1 ? QStringLiteral("patch") : QStringLiteral("patches"));
}

TfrmWorking::TfrmWorking(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      pbProgress(new QProgressBar(this)), lbProgress(new QLabel(this)),
      btnCancel(new QPushButton("&Cancel", this)) {
  setObjectName("frmWorking");
  setWindowTitle("Working...");
  setModal(false);

  pbProgress->setObjectName("pbProgress");
  pbProgress->setTextVisible(false);
  pbProgress->setRange(0, 0);
  lbProgress->setObjectName("lbProgress");
  lbProgress->setAlignment(Qt::AlignCenter);

  btnCancel->setObjectName("btnCancel");
  btnCancel->setDefault(true); // Enter presses it
  connect(btnCancel, &QPushButton::clicked, this, &TfrmWorking::btnCancelClick);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(pbProgress);
  layout->addWidget(lbProgress);
  layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
  // Wide enough for the longest line of a long run, so the dialog never jumps.
  const int textWidth = lbProgress->fontMetrics().horizontalAdvance(
      QStringLiteral("Patch 99999 of 99999, about 99 h 59 min left"));
  const QMargins margins = layout->contentsMargins();
  lbProgress->setText(WorkingProgressText(1, 0, 0));
  setFixedSize(std::max(kMinWidth, textWidth + margins.left() + margins.right()),
               sizeHint().height());
}

void TfrmWorking::Begin(int count) {
  m_count = count;
  m_done = 0;
  m_clock.start();
  // One step per item, so the bar is full exactly when the last item is
  // done; a range of 0..0 would show the busy animation instead of an empty bar.
  pbProgress->setRange(0, std::max(1, count));
  pbProgress->setValue(0);
  lbProgress->setText(WorkingProgressText(m_count, m_done, 0));
}

void TfrmWorking::Step() {
  m_done = std::min(m_done + 1, std::max(1, m_count));
  pbProgress->setValue(m_done);
  lbProgress->setText(WorkingProgressText(m_count, m_done, m_clock.elapsed()));
}

void TfrmWorking::reject() {
  btnCancel->click();
}

void TfrmWorking::btnCancelClick() {
  hide();
}

} // namespace zpm
