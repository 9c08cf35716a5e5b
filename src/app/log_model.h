// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The log's lines for memLog, newest first, one page at a time. A list view
// lays out every row it is given whenever the count changes (tens of
// milliseconds at a million lines), so it is given only the page it shows;
// the window's own scroll bar moves the page over the whole log. Taking in
// new lines then costs the same at the millionth line as at the first.

#include "midi/event_log.h"
#include "viewer/log_reading.h"

#include <QAbstractListModel>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
  // The line as the view shows it: cut after kShownChars with a note of
  // what was left out. Copies, the saved log and the tooltip keep it whole.
  static QString ShownText(const QString &line);
  static constexpr int kShownChars = 200;

  // The selection: whole lines, by position from the oldest, so that new
  // lines do not move it. anchor stays put while Shift extends to position.
  void Select(size_t anchor, size_t position);
  void SelectAll();
  void ClearSelection();
  bool HasSelection() const { return m_selected; }
  bool IsSelected(size_t position) const;
  size_t SelectionAnchor() const { return m_anchor; }
  size_t SelectionEnd() const { return m_end; }
  // The selected lines whole, oldest first, one per line.
  QString SelectedText() const;
  // Every taken-in line, oldest first.
  QString AllText() const;
  // Position from the oldest of the line in row (no check).
  size_t PositionOfRow(int row) const { return m_known - 1 - (m_top + static_cast<size_t>(row)); }
  // The newest line at or below from (a position) that holds text; none: -1.
  long long FindOlder(const QString &text, size_t from) const;
  // "Decode": each row also shows a short reading of its line; the line
  // itself, its copies and the saved log stay as they are.
  void SetDecode(bool decode);
  bool Decode() const { return m_decode; }
  // The reading of the line at position from the oldest (decoding on).
  std::string Reading(size_t position) const;

  // Moves the page so that the line at position is in it.
  void ShowPosition(size_t position);

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
  void ReadNewLines(size_t count);

  bool m_decode = false;
  TLogReader m_reader;
  std::vector<std::string> m_readings; // by position from the oldest
  bool m_selected = false;
  size_t m_anchor = 0;
  size_t m_end = 0;
};

} // namespace zpm
