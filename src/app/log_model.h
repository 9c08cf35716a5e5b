#pragma once
// The log's lines for memLog, newest first, one page at a time. A list view
// lays out every row it is given whenever the count changes (tens of
// milliseconds at a million lines), so it is given only the page it shows;
// the window's own scroll bar moves the page over the whole log. Taking in
// new lines then costs the same at the millionth line as at the first.

#include "midi/event_log.h"

#include <QAbstractListModel>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace zpm {

class TLogModel : public QAbstractListModel {
  Q_OBJECT
public:
  explicit TLogModel(TEventLog &log, QObject *parent = nullptr);

  // Takes in what the log has become since the last look: new lines or a clear.
  void Refresh();

  // Lines taken in so far.
  size_t LineCount() const { return m_known; }
  // Index (0 = newest) of the line in row 0. While it is 0 the page follows
  // the newest lines; otherwise new lines leave the page on the lines it shows.
  size_t Top() const { return m_top; }
  void SetTop(size_t top);
  int PageRows() const { return m_pageRows; }
  void SetPageRows(int rows);
  // A taken-in line by index, 0 = newest.
  QString LineText(size_t index) const;

  // The size of a row, from the view's font: every row is as wide as the
  // widest line, so the view's horizontal scroll bar reaches every line.
  void SetMetrics(int charWidth, int rowHeight);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;

signals:
  // LineCount or Top changed.
  void linesChanged();

private:
  // Moves to a new page, with the row signals the view needs.
  void ChangePage(size_t known, size_t top, int pageRows, bool contentsMoved);
  static int Rows(size_t known, size_t top, int pageRows);

  TEventLog &m_log;
  uint64_t m_clears = 0;
  size_t m_known = 0;
  size_t m_top = 0;
  int m_pageRows = 64;
  size_t m_widest = 0; // characters
  int m_charWidth = 0;
  int m_rowHeight = 0;
};

} // namespace zpm
