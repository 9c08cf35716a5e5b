// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A SID patch list: a report-style view that keeps no rows of its own. It
// only knows how many rows there are; each row's texts are asked for when
// the row is drawn, so a bank of any size costs nothing until it is seen.

#include "sid/sid_list.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <vector>

namespace zpm {

// The three texts of one row ("Bnk", "Nr", "Patch Name"); an empty list
// leaves the row blank.
using TRowText = std::function<QStringList(int item)>;

class TSidListModel : public QAbstractTableModel {
  Q_OBJECT

public:
  TSidListModel(TRowText rowText, SidColumnAlign numberAlign, QObject *parent = nullptr);

  // The item count of the list, set whenever the bank behind it changed.
  void SetCount(int count);
  int Count() const { return m_count; }

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  Qt::Alignment Alignment(int column) const;

  TRowText m_rowText;
  SidColumnAlign m_numberAlign;
  int m_count = 0;
};

class TSidPatchList : public QTableView {
  Q_OBJECT

public:
  TSidPatchList(TRowText rowText, SidColumnAlign numberAlign, QWidget *parent = nullptr);

  TSidListModel &Model() { return m_model; }
  // The selected rows in list order.
  std::vector<int> SelectedItems() const;
  // "Patch Name" takes the given width.
  void SetNameWidth(int width);
  // The widths of the visible columns other than "Patch Name", as they are now.
  int OtherColumnsWidth() const;

signals:
  // The client area changed size (the list itself, or a scroll bar came or
  // went), or a column other than "Patch Name" changed width.
  void resized();

protected:
  bool viewportEvent(QEvent *event) override;

private:
  TSidListModel m_model;
};

} // namespace zpm
