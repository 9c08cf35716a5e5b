// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HexView: the read-only hex dump of the patch viewer, painted row by row
// from its model. Only the rows in sight are drawn, so the cost of a repaint
// does not depend on the size of the data. The cursor moves with the mouse
// and the keys; its position shows in the view's hint.

#include "app/viewer/hex_model.h"

#include <QAbstractScrollArea>
#include <QColor>

namespace zpm {

class THexView : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit THexView(QWidget *parent = nullptr);

  THexModel &Model() { return m_model; }
  // Shows a copy of bytes, the cursor on the first one.
  void LoadBytes(const Bytes &bytes);
  // Shows new bytes where the old ones were: the cursor and the scrolling
  // stay, as an edit changes a byte or two.
  void ReplaceBytes(const Bytes &bytes);
  void SetMarked(std::vector<bool> marked);

  size_t CursorPosition() const { return m_cursor; }
  void SetCursorPosition(size_t position);

  // The colour a cell's text is drawn in (HexViewDrawCell).
  QColor CellTextColour(int column, int row) const;
  QColor CursorFrameColour() const;
  // The cell under a point of the viewport: column and row of the model.
  bool CellAt(const QPoint &point, int &column, int &row) const;
  QRect CellRect(int column, int row) const;

signals:
  void selectionChanged();

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;

private:
  void HexViewSelectionChanged();
  void UpdateScrollBars();
  void EnsureCursorVisible();
  int ColumnLeft(int column) const;
  int ColumnWidth(int column) const;

  THexModel m_model;
  size_t m_cursor = 0;
  int m_rowHeight = 20;
  int m_charWidth = 10;
};

} // namespace zpm
