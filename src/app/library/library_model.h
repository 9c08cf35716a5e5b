// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Library page's list: the patches a search finds, read from the
// library a page at a time as the view shows them, so a library of a
// hundred thousand patches costs no more than the rows on screen. Favourite,
// tags and note are edited in place and written straight through.

#include "app/library/library_undo.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QAbstractTableModel>

#include <functional>

#include <list>
#include <map>
#include <vector>

namespace zpm {

class TLibrary;

class TLibraryModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { Name, Kind, Tags, Favourite, FirstSeen, LastSeen, Seen, Note, ColumnCount };
  // Rows read at a time, and pages kept.
  static constexpr int kPageSize = 200;
  static constexpr size_t kPagesKept = 16;

  explicit TLibraryModel(QObject *parent = nullptr);

  // No library: no rows.
  void SetLibrary(TLibrary *library);
  // The search shown; offset and limit are the model's own.
  void SetSearch(const TSearch &search);
  const TSearch &Search() const { return m_search; }
  // Reads the count again and forgets every page read: the library changed.
  void Reload();
  // Reads the rows shown again, keeping the rows and the view's place:
  // their tags, favourites or notes changed.
  void Refresh();

  // The row's patch, 0 outside the rows.
  int64_t IdAt(int row) const;
  const TPatchRow *RowAt(int row) const;
  // Pages read from the library since it was set, for those who care how
  // little is read.
  int PagesRead() const { return m_pagesRead; }
  // Why the last change was refused; empty when it was made.
  QString LastError() const { return m_lastError; }
  // The rows an edit of a row changes: every chosen row when it is one of
  // them, else that row alone. None set: the row alone.
  std::function<std::vector<int>(int row)> editedRows;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QModelIndexList &indexes) const override;

signals:
  // A change the library refused; the text says why.
  void refused(const QString &text);
  // Tags were added or taken away: the tag filter lists them again.
  void tagsChanged();
  // An edit made: the patches' words before and after it, for Ctrl+Z.
  void wordsChanged(const std::vector<zpm::TPatchWords> &before,
                    const std::vector<zpm::TPatchWords> &after);

private:
  const std::vector<TPatchRow> &Page(int page) const;
  bool Change(int row, const std::function<void(TLibrary &, int64_t)> &change);
  // Where the patch was seen last ("A:3", a file's name) and every sighting,
  // newest first, read once per patch until the library changes.
  struct TSeenTexts {
    QString last;
    QString all;
  };
  const TSeenTexts &SeenTexts(const TPatchRow &row) const;

  TLibrary *m_library = nullptr;
  TSearch m_search;
  int m_count = 0;
  mutable std::map<int, std::vector<TPatchRow>> m_pages;
  mutable std::list<int> m_recent; // most recently read first
  mutable int m_pagesRead = 0;
  mutable std::map<int64_t, TSeenTexts> m_seen;
  QString m_lastError;
};

// The MIME type of library patches dragged from the list: their IDs.
inline constexpr const char *kLibraryPatchMime = "application/x-zavorin-library-patches";
QList<qint64> LibraryPatchIds(const QMimeData *data);

} // namespace zpm
