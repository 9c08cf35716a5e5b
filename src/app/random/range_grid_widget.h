// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIDRandomGrid and FMRandomGrid: a three-column grid over the range-grid
// model (name, "Min", "Max"), whose cells change only through the in-place
// spin editor laid over the selected cell. Coded rows and name cells show no
// editor; leaving the editor clamps its value to 0..127 into the cell.

#include "random/range_grid.h"

#include <QAbstractTableModel>
#include <QSpinBox>
#include <QTableView>

namespace zpm {

// The grid's rows below the header row; the header row is the view's own header.
class TRangeGridModel : public QAbstractTableModel {
  Q_OBJECT

public:
  TRangeGridModel(RangeGrid &grid, QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void CellChanged(int column, int gridRow);

private:
  RangeGrid &m_grid;
};

// InlineSpinEdit / InlineSpinEditFM: any number may be typed; the arrows
// step within the limits of the cell being edited.
class TInlineSpinEdit : public QSpinBox {
  Q_OBJECT

public:
  explicit TInlineSpinEdit(QWidget *parent = nullptr);
  void SetLimits(int lower, int upper);
  int Lower() const { return m_lower; }
  int Upper() const { return m_upper; }
  void stepBy(int steps) override;

signals:
  void left();
  // Tab (next) or Shift+Tab pressed: the grid decides where the focus goes.
  void tabbed(bool next);

protected:
  bool focusNextPrevChild(bool next) override;
  void focusOutEvent(QFocusEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  int m_lower = 0;
  int m_upper = kGridValueLimit;
};

class TRangeGridView : public QTableView {
  Q_OBJECT

public:
  // The editor belongs to page, which the grid sits on too. The view owns
  // the grid's cells, so they live exactly as long as what shows them.
  TRangeGridView(RangeGrid grid, const char *gridName, const char *editorName, QWidget *page);

  RangeGrid &Grid() { return m_grid; }
  TInlineSpinEdit *Editor() { return m_editor; }
  // Selects the cell of the grid's row (1 = first parameter) as a click does.
  void SelectGridCell(int column, int gridRow);

private:
  // SIDRandomGridSelectCell / FMRandomGridSelectCell.
  void SelectCell(const QModelIndex &current);
  // InlineSpinEditChange / InlineSpinEditFMChange.
  void EditorChange(int value);
  // InlineSpinEditExit / InlineSpinEditFMExit.
  void EditorExit();
  // Tab and Shift+Tab in the editor leave the grid, as they do from the grid.
  void EditorTabbed(bool next);

  RangeGrid m_grid;
  TRangeGridModel m_model;
  TInlineSpinEdit *m_editor;
  bool m_placing = false;
};

} // namespace zpm
