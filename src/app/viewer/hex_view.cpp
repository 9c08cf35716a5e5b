// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewer/hex_view.h"

#include "viewer/patch_view.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace zpm {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kAqua(0, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kMarkedBackground(255, 255, 160);
constexpr int kCellPadding = 6;

} // namespace

THexView::THexView(QWidget *parent) : QAbstractScrollArea(parent) {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(15);
  setFont(font);
  const QFontMetrics metrics(font);
  m_charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
  m_rowHeight = metrics.height() + 4;
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(false);
  HexViewSelectionChanged();
}

void THexView::LoadBytes(const Bytes &bytes) {
  m_model.SetBytes(bytes);
  m_cursor = 0;
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  HexViewSelectionChanged();
  viewport()->update();
}

void THexView::ReplaceBytes(const Bytes &bytes) {
  const int scrolled = verticalScrollBar()->value();
  m_model.SetBytes(bytes);
  m_cursor = std::min(m_cursor, bytes.empty() ? 0 : bytes.size() - 1);
  UpdateScrollBars();
  verticalScrollBar()->setValue(scrolled);
  viewport()->update();
}

void THexView::SetMarked(std::vector<bool> marked) {
  m_model.SetMarked(std::move(marked));
  viewport()->update();
}

void THexView::SetCursorPosition(size_t position) {
  if (m_model.Size() == 0)
    return;
  position = std::min(position, m_model.Size() - 1);
  if (position == m_cursor)
    return;
  m_cursor = position;
  EnsureCursorVisible();
  HexViewSelectionChanged();
  viewport()->update();
}

void THexView::HexViewSelectionChanged() {
  setToolTip(QString::fromLatin1(HexOffsetHint(m_cursor).c_str()));
  emit selectionChanged();
}

QColor THexView::CellTextColour(int column, int row) const {
  if (row == THexModel::kHeaderRow || column == THexModel::kPositionColumn) {
    const bool current = column == THexModel::kPositionColumn && row == THexModel::RowOf(m_cursor);
    return current ? palette().color(QPalette::Highlight) : QColor(Qt::black);
  }
  if (m_model.IsSysExFrameByte(column, row))
    return kRed;
  if (column >= THexModel::kFirstCharColumn)
    return palette().color(QPalette::Text);
  // Odd and even columns, counted from 1, alternate so a byte's two digits
  // stay together.
  return (column - THexModel::kFirstHexColumn + 1) % 2 == 1 ? kBlue : kNavy;
}

QColor THexView::CursorFrameColour() const {
  return hasFocus() ? kNavy : kAqua;
}

int THexView::ColumnWidth(int column) const {
  if (column == THexModel::kPositionColumn)
    return m_charWidth * 10 + kCellPadding;
  if (column < THexModel::kFirstCharColumn)
    return m_charWidth * 2 + kCellPadding;
  return m_charWidth + 2;
}

int THexView::ColumnLeft(int column) const {
  int left = 0;
  for (int c = 0; c < column; ++c)
    left += ColumnWidth(c);
  return left;
}

QRect THexView::CellRect(int column, int row) const {
  // The header row stays put; data rows scroll beneath it.
  const int top =
      row == THexModel::kHeaderRow ? 0 : (row - verticalScrollBar()->value()) * m_rowHeight;
  return QRect(ColumnLeft(column) - horizontalScrollBar()->value(), top, ColumnWidth(column),
               m_rowHeight);
}

bool THexView::CellAt(const QPoint &point, int &column, int &row) const {
  if (point.y() < m_rowHeight)
    return false;
  row = point.y() / m_rowHeight + verticalScrollBar()->value();
  const int x = point.x() + horizontalScrollBar()->value();
  for (column = 0; column < THexModel::kColumnCount; ++column)
    if (x < ColumnLeft(column + 1))
      return row < m_model.RowCount();
  return false;
}

void THexView::paintEvent(QPaintEvent *) {
  QPainter painter(viewport());
  painter.setFont(font());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
  const int first = verticalScrollBar()->value() + 1;
  const int visible = viewport()->height() / m_rowHeight + 1;
  const int last = std::min(m_model.RowCount() - 1, first + visible);
  const int cursorRow = THexModel::RowOf(m_cursor);

  auto drawCell = [&](int column, int row) {
    const QRect rect = CellRect(column, row);
    const bool fixed = row == THexModel::kHeaderRow || column == THexModel::kPositionColumn;
    if (fixed) {
      const bool current = column == THexModel::kPositionColumn && row == cursorRow;
      painter.fillRect(rect, palette().color(current ? QPalette::Dark : QPalette::Button));
    } else if (const auto position = m_model.CellPosition(column, row);
               position && m_model.IsMarked(*position)) {
      painter.fillRect(rect, kMarkedBackground);
    }
    painter.setPen(CellTextColour(column, row));
    painter.drawText(rect, Qt::AlignCenter, m_model.CellText(column, row));
  };

  for (int row = first; row <= last; ++row)
    for (int column = 0; column < THexModel::kColumnCount; ++column)
      drawCell(column, row);
  for (int column = 0; column < THexModel::kColumnCount; ++column)
    drawCell(column, THexModel::kHeaderRow);

  if (m_model.Size() > 0 && cursorRow >= first && cursorRow <= last) {
    painter.setPen(QPen(CursorFrameColour(), 2));
    painter.setBrush(Qt::NoBrush);
    for (int column : {THexModel::HexColumnOf(m_cursor), THexModel::CharColumnOf(m_cursor)})
      painter.drawRect(CellRect(column, cursorRow).adjusted(1, 1, -1, -1));
  }
}

void THexView::resizeEvent(QResizeEvent *event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void THexView::UpdateScrollBars() {
  const int shownRows = std::max(1, viewport()->height() / m_rowHeight - 1);
  verticalScrollBar()->setRange(0, std::max(0, m_model.DataRowCount() - shownRows));
  verticalScrollBar()->setPageStep(shownRows);
  const int width = ColumnLeft(THexModel::kColumnCount);
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void THexView::EnsureCursorVisible() {
  const int row = THexModel::RowOf(m_cursor) - 1;
  QScrollBar *bar = verticalScrollBar();
  if (row < bar->value())
    bar->setValue(row);
  else if (row >= bar->value() + bar->pageStep())
    bar->setValue(row - bar->pageStep() + 1);
}

void THexView::mousePressEvent(QMouseEvent *event) {
  int column = 0;
  int row = 0;
  if (event->button() == Qt::LeftButton && CellAt(event->position().toPoint(), column, row))
    if (const auto position = m_model.CellPosition(column, row))
      SetCursorPosition(*position);
  QAbstractScrollArea::mousePressEvent(event);
}

void THexView::keyPressEvent(QKeyEvent *event) {
  if (m_model.Size() == 0)
    return QAbstractScrollArea::keyPressEvent(event);
  const auto row = static_cast<long long>(THexModel::kBytesPerRow);
  const auto page = row * verticalScrollBar()->pageStep();
  long long target = static_cast<long long>(m_cursor);
  switch (event->key()) {
  case Qt::Key_Left:
    target -= 1;
    break;
  case Qt::Key_Right:
    target += 1;
    break;
  case Qt::Key_Up:
    target -= row;
    break;
  case Qt::Key_Down:
    target += row;
    break;
  case Qt::Key_PageUp:
    target -= page;
    break;
  case Qt::Key_PageDown:
    target += page;
    break;
  case Qt::Key_Home:
    target = event->modifiers() & Qt::ControlModifier ? 0 : target - target % row;
    break;
  case Qt::Key_End:
    target = event->modifiers() & Qt::ControlModifier ? static_cast<long long>(m_model.Size()) - 1
                                                      : target - target % row + row - 1;
    break;
  default:
    return QAbstractScrollArea::keyPressEvent(event);
  }
  target = std::clamp(target, 0LL, static_cast<long long>(m_model.Size()) - 1);
  SetCursorPosition(static_cast<size_t>(target));
}

void THexView::focusInEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void THexView::focusOutEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

} // namespace zpm
