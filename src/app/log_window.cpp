#include "app/log_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace zpm {

TfrmLog::TfrmLog(TEventLog &log, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_log(log), m_model(new TLogModel(log, this)),
      memLog(new QListView(this)), sbLog(new QScrollBar(Qt::Vertical, this)),
      m_notice(this, [this] { m_model->Refresh(); }) {
  setObjectName("frmLog");
  setWindowTitle("Log");

  memLog->setObjectName("memLog");
  memLog->setUniformItemSizes(true);
  memLog->setWordWrap(false);
  memLog->setTextElideMode(Qt::ElideNone);
  memLog->setSelectionMode(QAbstractItemView::NoSelection);
  memLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  memLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memLog->setModel(m_model);
  memLog->installEventFilter(this);
  memLog->viewport()->installEventFilter(this);

  const QFontMetrics metrics(memLog->font());
  m_rowHeight = metrics.height() + 2;
  m_model->SetMetrics(metrics.horizontalAdvance('0'), m_rowHeight);

  sbLog->setObjectName("sbLog");
  sbLog->setRange(0, 0);
  connect(sbLog, &QScrollBar::valueChanged, this,
          [this](int value) { m_model->SetTop(static_cast<size_t>(value)); });
  connect(m_model, &TLogModel::linesChanged, this, &TfrmLog::UpdateScrollBar);

  auto *clearLog = new QAction("&Clear log", memLog);
  clearLog->setObjectName("Clearlog1");
  connect(clearLog, &QAction::triggered, this, &TfrmLog::Clearlog1Click);
  memLog->addAction(clearLog);
  memLog->setContextMenuPolicy(Qt::ActionsContextMenu);

  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(memLog);
  layout->addWidget(sbLog);
  resize(600, 200);

  m_model->Refresh();
  m_log.SetChangeHandler(m_notice.Notifier());
}

TfrmLog::~TfrmLog() {
  m_log.SetChangeHandler(nullptr);
}

void TfrmLog::Clearlog1Click() {
  m_log.Clear();
  m_model->Refresh();
}

void TfrmLog::closeEvent(QCloseEvent *event) {
  QWidget::closeEvent(event);
  emit FormHide();
}

// The whole rows the viewport shows.
void TfrmLog::FitPage() {
  const int height = memLog->viewport()->height();
  m_model->SetPageRows((height + m_rowHeight - 1) / m_rowHeight);
  UpdateScrollBar();
}

void TfrmLog::UpdateScrollBar() {
  const int fullRows = std::max(1, memLog->viewport()->height() / m_rowHeight);
  const size_t lines = m_model->LineCount();
  const size_t last = lines > static_cast<size_t>(fullRows) ? lines - fullRows : 0;
  const QSignalBlocker blocker(sbLog);
  sbLog->setRange(0, static_cast<int>(std::min<size_t>(last, INT32_MAX)));
  sbLog->setPageStep(fullRows);
  sbLog->setValue(static_cast<int>(std::min<size_t>(m_model->Top(), INT32_MAX)));
}

bool TfrmLog::ScrollKey(int key) {
  switch (key) {
  case Qt::Key_Up:
    sbLog->triggerAction(QAbstractSlider::SliderSingleStepSub);
    return true;
  case Qt::Key_Down:
    sbLog->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    return true;
  case Qt::Key_PageUp:
    sbLog->triggerAction(QAbstractSlider::SliderPageStepSub);
    return true;
  case Qt::Key_PageDown:
    sbLog->triggerAction(QAbstractSlider::SliderPageStepAdd);
    return true;
  case Qt::Key_Home:
    sbLog->triggerAction(QAbstractSlider::SliderToMinimum);
    return true;
  case Qt::Key_End:
    sbLog->triggerAction(QAbstractSlider::SliderToMaximum);
    return true;
  default:
    return false;
  }
}

// memLog holds one page: its vertical scrolling goes to the log's scroll bar.
bool TfrmLog::eventFilter(QObject *watched, QEvent *event) {
  if (watched == memLog->viewport()) {
    if (event->type() == QEvent::Resize) {
      FitPage();
    } else if (event->type() == QEvent::Wheel) {
      auto *wheel = static_cast<QWheelEvent *>(event);
      if (wheel->angleDelta().y() != 0) {
        QCoreApplication::sendEvent(sbLog, event);
        return true;
      }
    }
  } else if (watched == memLog && event->type() == QEvent::KeyPress) {
    return ScrollKey(static_cast<QKeyEvent *>(event)->key());
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace zpm
