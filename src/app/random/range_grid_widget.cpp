// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/random/range_grid_widget.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kNameColumnWidth = 150;
constexpr int kValueColumnWidth = 50;
constexpr int kGridWidth = 275;
// Typing is free; the clamp on leaving decides what the cell gets.
constexpr int kTypedLimit = 999999;

} // namespace

TRangeGridModel::TRangeGridModel(RangeGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid) {}

int TRangeGridModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_grid.RowCount() - 1;
}

int TRangeGridModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kGridColumns;
}

QVariant TRangeGridModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid())
    return QVariant();
  if (role == Qt::DisplayRole)
    return QString::fromStdString(m_grid.Cell(index.column(), index.row() + 1));
  if (role == Qt::TextAlignmentRole && index.column() != kGridNameColumn)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

QVariant TRangeGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
    return QString::fromStdString(m_grid.Cell(section, 0));
  return QVariant();
}

void TRangeGridModel::CellChanged(int column, int gridRow) {
  const QModelIndex cell = index(gridRow - 1, column);
  emit dataChanged(cell, cell);
}

TInlineSpinEdit::TInlineSpinEdit(QWidget *parent) : QSpinBox(parent) {
  setRange(-kTypedLimit, kTypedLimit);
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}

void TInlineSpinEdit::SetLimits(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
}

void TInlineSpinEdit::stepBy(int steps) {
  setValue(std::clamp(value() + steps, std::min(m_lower, m_upper), std::max(m_lower, m_upper)));
}

bool TInlineSpinEdit::focusNextPrevChild(bool next) {
  // Hiding the editor while it has the focus moves it on this way too.
  if (!isVisible())
    return QSpinBox::focusNextPrevChild(next);
  emit tabbed(next);
  return true;
}

void TInlineSpinEdit::focusOutEvent(QFocusEvent *event) {
  QSpinBox::focusOutEvent(event);
  emit left();
}

void TInlineSpinEdit::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Escape) {
    interpretText();
    emit left();
    return;
  }
  QSpinBox::keyPressEvent(event);
}

TRangeGridView::TRangeGridView(RangeGrid grid, const char *gridName, const char *editorName,
                               QWidget *page)
    : QTableView(page), m_grid(std::move(grid)), m_model(m_grid, this),
      m_editor(new TInlineSpinEdit(page)) {
  setObjectName(QLatin1String(gridName));
  m_editor->setObjectName(QLatin1String(editorName));
  setModel(&m_model);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // The arrows move between the cells; Tab moves on to the next control.
  setTabKeyNavigation(false);
  setShowGrid(true);
  verticalHeader()->hide();
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Every row as high as the editor.
  m_editor->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(m_editor->sizeHint().height());
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setDefaultSectionSize(kValueColumnWidth);
  setColumnWidth(kGridNameColumn, kNameColumnWidth);
  setFixedWidth(kGridWidth);

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &current) { SelectCell(current); });
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
    if (!m_editor->isVisible())
      SelectCell(index);
  });
  connect(m_editor, qOverload<int>(&QSpinBox::valueChanged), this,
          [this](int value) { EditorChange(value); });
  connect(m_editor, &TInlineSpinEdit::left, this, [this] { EditorExit(); });
  connect(m_editor, &TInlineSpinEdit::tabbed, this, [this](bool next) { EditorTabbed(next); });
}

void TRangeGridView::SelectGridCell(int column, int gridRow) {
  const QModelIndex index = m_model.index(gridRow - 1, column);
  if (currentIndex() == index)
    SelectCell(index);
  else
    setCurrentIndex(index);
}

void TRangeGridView::SelectCell(const QModelIndex &current) {
  EditorExit();
  if (!current.isValid() || !m_grid.SelectCell(current.column(), current.row() + 1))
    return;
  // Over the cell, shifted by the grid's place on the page, a little larger.
  const QRect cell = visualRect(current);
  const QPoint topLeft = viewport()->mapTo(parentWidget(), cell.topLeft());
  m_placing = true;
  m_editor->setGeometry(topLeft.x() + 2, topLeft.y() + 2, cell.width() + 2, cell.height() + 2);
  // Named after its cell: the group box's title would name it otherwise.
  m_editor->setAccessibleName(QStringLiteral("%1, %2").arg(
      QString::fromStdString(m_grid.Cell(kGridNameColumn, current.row() + 1)),
      QString::fromStdString(m_grid.Cell(current.column(), 0))));
  m_editor->SetLimits(m_grid.EditorLower(), m_grid.EditorUpper());
  m_editor->setValue(m_grid.EditorValue());
  m_editor->show();
  m_editor->raise();
  m_editor->setFocus();
  m_editor->selectAll();
  m_placing = false;
}

void TRangeGridView::EditorChange(int value) {
  if (!m_grid.EditorVisible())
    return;
  m_grid.EditorChange(value);
  // The "Min" of a row whose "Max" is 0 can only be 0.
  if (m_grid.EditorValue() != value)
    m_editor->setValue(m_grid.EditorValue());
}

void TRangeGridView::EditorExit() {
  if (m_placing || !m_grid.EditorVisible())
    return;
  m_editor->interpretText();
  m_grid.EditorChange(m_editor->value());
  const int column = m_grid.EditorColumn();
  const int row = m_grid.EditorRow();
  m_grid.EditorExit();
  m_model.CellChanged(column, row);
  m_editor->hide();
  setFocus();
}

void TRangeGridView::EditorTabbed(bool next) {
  EditorExit();
  // From the grid, which the editor has just handed the focus back to.
  focusNextPrevChild(next);
}

} // namespace zpm
