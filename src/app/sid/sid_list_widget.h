// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A SID patch list: a report-style view that keeps no rows of its own. It
// only knows how many rows there are; each row's texts are asked for when
// the row is drawn, so a bank of any size costs nothing until it is seen.

#include "sid/sid_list.h"

#include "patch/stream.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <vector>

class QMimeData;

namespace zpm {

// Rows dragged out of a list: their dump images as they travel, with their
// rows and the file they were loaded from (empty for fetched patches).
inline constexpr const char *kPatchDumpMime = "application/x-zavorin-patch-dumps";
struct TDraggedDumps {
  QString path;
  std::vector<Bytes> images;
  std::vector<int> rows;
};
// Nothing dragged: no images.
TDraggedDumps DraggedDumps(const QMimeData *data);

// The dump image of one row, for dragging it out.
using TRowImage = std::function<Bytes(int item)>;

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
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QModelIndexList &indexes) const override;

  // Rows become draggable: image gives each one's dump, path the file.
  void SetDragSource(TRowImage image, std::function<QString()> path);

private:
  Qt::Alignment Alignment(int column) const;

  TRowImage m_image;
  std::function<QString()> m_path;

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
  // Selected rows can be dragged out as dumps (to a user bank of the library).
  void EnableDrag(TRowImage image, std::function<QString()> path);
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
