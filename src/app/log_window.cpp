// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/log_window.h"

#include "app/save_file.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace zpm {

TfrmLog::TfrmLog(TEventLog &log, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_log(log), m_model(new TLogModel(log, this)),
      memLog(new QListView(this)), sbLog(new QScrollBar(Qt::Vertical, this)),
      edFind(new QLineEdit(this)), m_notice(this, [this] { m_model->Refresh(); }) {
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
  m_logViewport = memLog->viewport();
  m_logViewport->installEventFilter(this);

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
  const auto addAction = [this](const char *caption, const char *name, QKeySequence keys,
                                void (TfrmLog::*slot)()) {
    auto *action = new QAction(QString::fromLatin1(caption), memLog);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, slot);
    memLog->addAction(action);
  };
  addAction("&Copy", "actCopy", QKeySequence::Copy, &TfrmLog::CopyClick);
  addAction("Select &all", "actSelectAll", QKeySequence::SelectAll, &TfrmLog::SelectAllClick);
  addAction("&Find...", "actFind", QKeySequence::Find, &TfrmLog::FindClick);
  addAction("&Save log...", "actSaveLog", QKeySequence(), &TfrmLog::SaveLogClick);
  actDecode = new QAction("&Decode", memLog);
  actDecode->setObjectName("actDecode");
  actDecode->setCheckable(true);
  connect(actDecode, &QAction::toggled, m_model, &TLogModel::SetDecode);
  memLog->addAction(actDecode);
  memLog->setContextMenuPolicy(Qt::ActionsContextMenu);
  memLog->setAccessibleName("MIDI log, newest line first");

  edFind->setObjectName("edFind");
  edFind->setPlaceholderText("Find in the log (Enter: next older line)");
  edFind->setAccessibleName("Find in the log");
  edFind->setClearButtonEnabled(true);
  // The only button Qt puts inside the field is its clear button, which has no name of its own.
  for (QToolButton *clear : edFind->findChildren<QToolButton *>())
    clear->setAccessibleName("Clear the text to find");
  edFind->hide();
  edFind->installEventFilter(this);
  connect(edFind, &QLineEdit::returnPressed, this, &TfrmLog::FindNext);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto *lines = new QHBoxLayout;
  lines->setSpacing(0);
  lines->addWidget(memLog);
  lines->addWidget(sbLog);
  layout->addLayout(lines);
  layout->addWidget(edFind);
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

void TfrmLog::SetDecode(bool decode) {
  actDecode->setChecked(decode);
}

void TfrmLog::CopyClick() {
  const QString text = m_model->SelectedText();
  if (!text.isEmpty())
    QApplication::clipboard()->setText(text);
}

void TfrmLog::SaveLogClick() {
  QFileDialog dialog(this, "Save log", QDir::homePath(), "Text (*.txt);;All files (*)");
  dialog.setObjectName("SaveLogDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("txt");
  dialog.selectFile("zavorin-log.txt");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  const QString error = SaveLog(dialog.selectedFiles().first());
  if (!error.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), error);
}

QString TfrmLog::SaveLog(const QString &path) {
  m_model->Refresh();
  const TSaveOutcome saved = SaveWholeFile(path, m_model->AllText().toUtf8());
  if (saved.step == TSaveOutcome::Saved)
    return {};
  return QString("The log could not be saved to %1: %2. Choose another folder and save again.")
      .arg(QDir::toNativeSeparators(path), saved.reason);
}

void TfrmLog::FindClick() {
  edFind->show();
  edFind->setFocus();
  edFind->selectAll();
}

// From the line before the selection (or the newest line) towards the
// oldest, then once round from the newest.
bool TfrmLog::FindNext() {
  const size_t count = m_model->LineCount();
  if (count == 0)
    return false;
  const size_t start = m_model->HasSelection()
                           ? std::min(m_model->SelectionAnchor(), m_model->SelectionEnd())
                           : count;
  long long found = start > 0 ? m_model->FindOlder(edFind->text(), start - 1) : -1;
  if (found < 0)
    found = m_model->FindOlder(edFind->text(), count - 1);
  if (found < 0)
    return false;
  const auto position = static_cast<size_t>(found);
  m_model->Select(position, position);
  m_model->ShowPosition(position);
  return true;
}

void TfrmLog::ClickRow(int row, bool extend) {
  if (row < 0 || row >= m_model->rowCount()) {
    if (!extend)
      m_model->ClearSelection();
    return;
  }
  const size_t position = m_model->PositionOfRow(row);
  m_model->Select(extend && m_model->HasSelection() ? m_model->SelectionAnchor() : position,
                  position);
}

bool TfrmLog::CommandKey(QKeyEvent *key) {
  // The list view would take these for its one current row.
  if (key->matches(QKeySequence::Copy)) {
    CopyClick();
    return true;
  }
  if (key->matches(QKeySequence::SelectAll)) {
    SelectAllClick();
    return true;
  }
  if (key->matches(QKeySequence::Find)) {
    FindClick();
    return true;
  }
  if (key->matches(QKeySequence::FindNext) ||
      (key->key() == Qt::Key_F3 && key->modifiers() == Qt::NoModifier)) {
    FindNext();
    return true;
  }
  if (key->modifiers() != Qt::ShiftModifier || !m_model->HasSelection())
    return false;
  // Shift+Up / Shift+Down move the selection's free end a line newer / older.
  size_t end = m_model->SelectionEnd();
  if (key->key() == Qt::Key_Up && end + 1 < m_model->LineCount())
    ++end;
  else if (key->key() == Qt::Key_Down && end > 0)
    --end;
  else
    return key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
  m_model->Select(m_model->SelectionAnchor(), end);
  m_model->ShowPosition(end);
  return true;
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
  if (watched == m_logViewport) {
    if (event->type() == QEvent::Resize) {
      FitPage();
    } else if (event->type() == QEvent::Wheel) {
      auto *wheel = static_cast<QWheelEvent *>(event);
      if (wheel->angleDelta().y() != 0) {
        QCoreApplication::sendEvent(sbLog, event);
        return true;
      }
    } else if (event->type() == QEvent::MouseButtonPress) {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() == Qt::LeftButton)
        ClickRow(memLog->indexAt(mouse->position().toPoint()).row(),
                 mouse->modifiers() & Qt::ShiftModifier);
    }
  } else if (watched == memLog && event->type() == QEvent::ShortcutOverride) {
    // The list view would copy its one current row: these keys are the log's.
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
        key->matches(QKeySequence::Find)) {
      event->accept();
      return true;
    }
  } else if (watched == memLog && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    return CommandKey(key) || (key->modifiers() == Qt::NoModifier && ScrollKey(key->key()));
  } else if (watched == edFind && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape) {
      edFind->hide();
      memLog->setFocus();
      return true;
    }
    if (key->key() == Qt::Key_F3) {
      FindNext();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace zpm
