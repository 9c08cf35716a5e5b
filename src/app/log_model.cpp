// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/log_model.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <QSize>
#include <QStringList>

#include <algorithm>

namespace zpm {

namespace {
constexpr int kRowMargin = 8;        // pixels beside the widest line
constexpr size_t kReadingChars = 72; // room for a reading beside it
} // namespace

TLogModel::TLogModel(TEventLog &log, QObject *parent) : QAbstractListModel(parent), m_log(log) {}

int TLogModel::Rows(size_t known, size_t top, int pageRows) {
  if (top >= known)
    return 0;
  return static_cast<int>(std::min<size_t>(known - top, static_cast<size_t>(pageRows)));
}

int TLogModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : Rows(m_known, m_top, m_pageRows);
}

QString TLogModel::LineText(size_t index) const {
  if (index >= m_known)
    return {};
  // Counted from the oldest: lines added since the last Refresh do not shift it.
  return QString::fromStdString(m_log.LineFromOldest(m_known - 1 - index));
}

QVariant TLogModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= rowCount())
    return {};
  const size_t line = m_top + static_cast<size_t>(index.row());
  switch (role) {
  case Qt::DisplayRole: {
    const QString shown = ShownText(LineText(line));
    if (!m_decode)
      return shown;
    const std::string reading = Reading(PositionOfRow(index.row()));
    return reading.empty() ? shown
                           : shown + QStringLiteral("   = ") + QString::fromStdString(reading);
  }
  case Qt::ToolTipRole: {
    const QString text = LineText(line);
    if (text.size() <= kShownChars)
      return {};
    // The whole line, in lines a screen can hold.
    QStringList parts;
    for (qsizetype at = 0; at < text.size(); at += 96)
      parts << text.mid(at, 96);
    return parts.join('\n');
  }
  case Qt::BackgroundRole:
  case Qt::ForegroundRole:
    if (!IsSelected(PositionOfRow(index.row())))
      return {};
    return QGuiApplication::palette().brush(role == Qt::BackgroundRole ? QPalette::Highlight
                                                                       : QPalette::HighlightedText);
  case Qt::SizeHintRole:
    if (m_rowHeight > 0)
      return QSize(static_cast<int>(m_widest + (m_decode ? kReadingChars : 0)) * m_charWidth +
                       kRowMargin,
                   m_rowHeight);
    return {};
  default:
    return {};
  }
}

QString TLogModel::ShownText(const QString &line) {
  if (line.size() <= kShownChars)
    return line;
  return line.left(kShownChars) +
         QStringLiteral(" ... (%1 more characters)").arg(line.size() - kShownChars);
}

void TLogModel::SetDecode(bool decode) {
  if (decode == m_decode)
    return;
  m_decode = decode;
  ReadNewLines(m_known);
  emit layoutAboutToBeChanged();
  emit layoutChanged();
}

std::string TLogModel::Reading(size_t position) const {
  return position < m_readings.size() ? m_readings[position] : std::string();
}

// The reader follows the lines oldest first; it is left behind while
// decoding is off and catches up when it is switched on.
void TLogModel::ReadNewLines(size_t count) {
  if (!m_decode)
    return;
  for (size_t position = m_readings.size(); position < count; ++position)
    m_readings.push_back(m_reader.Read(m_log.LineFromOldest(position)));
}

void TLogModel::Select(size_t anchor, size_t position) {
  m_selected = m_known > 0;
  m_anchor = std::min(anchor, m_known - 1);
  m_end = std::min(position, m_known - 1);
  if (rowCount() > 0)
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::BackgroundRole, Qt::ForegroundRole});
}

void TLogModel::SelectAll() {
  if (m_known > 0)
    Select(0, m_known - 1);
}

void TLogModel::ClearSelection() {
  m_selected = false;
  if (rowCount() > 0)
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::BackgroundRole, Qt::ForegroundRole});
}

bool TLogModel::IsSelected(size_t position) const {
  return m_selected && position >= std::min(m_anchor, m_end) &&
         position <= std::max(m_anchor, m_end);
}

QString TLogModel::SelectedText() const {
  QStringList lines;
  if (m_selected)
    for (size_t at = std::min(m_anchor, m_end); at <= std::max(m_anchor, m_end); ++at)
      lines << QString::fromStdString(m_log.LineFromOldest(at));
  return lines.isEmpty() ? QString() : lines.join('\n') + '\n';
}

QString TLogModel::AllText() const {
  QString text;
  for (size_t at = 0; at < m_known; ++at)
    text += QString::fromStdString(m_log.LineFromOldest(at)) + '\n';
  return text;
}

long long TLogModel::FindOlder(const QString &text, size_t from) const {
  if (text.isEmpty() || m_known == 0)
    return -1;
  for (size_t at = std::min(from, m_known - 1) + 1; at-- > 0;)
    if (QString::fromStdString(m_log.LineFromOldest(at)).contains(text, Qt::CaseInsensitive))
      return static_cast<long long>(at);
  return -1;
}

void TLogModel::ShowPosition(size_t position) {
  if (position >= m_known)
    return;
  const size_t line = m_known - 1 - position; // 0 = newest
  if (line < m_top || line >= m_top + static_cast<size_t>(m_pageRows))
    SetTop(line);
}

void TLogModel::ChangePage(size_t known, size_t top, int pageRows, bool contentsMoved) {
  const int oldRows = rowCount();
  const int newRows = Rows(known, top, pageRows);
  if (newRows > oldRows) {
    beginInsertRows(QModelIndex(), oldRows, newRows - 1);
    m_known = known;
    m_top = top;
    m_pageRows = pageRows;
    endInsertRows();
  } else if (newRows < oldRows) {
    beginRemoveRows(QModelIndex(), newRows, oldRows - 1);
    m_known = known;
    m_top = top;
    m_pageRows = pageRows;
    endRemoveRows();
  } else {
    m_known = known;
    m_top = top;
    m_pageRows = pageRows;
  }
  const int kept = std::min(oldRows, newRows);
  if (contentsMoved && kept > 0)
    emit dataChanged(index(0), index(kept - 1), {Qt::DisplayRole});
}

void TLogModel::Refresh() {
  const TLogState state = m_log.State();
  bool changed = false;
  if (state.Clears != m_clears) {
    beginResetModel();
    m_clears = state.Clears;
    m_known = 0;
    m_top = 0;
    m_widest = 0;
    m_selected = false;
    m_reader = TLogReader();
    m_readings.clear();
    endResetModel();
    changed = true;
  }
  if (state.Count > m_known) {
    const size_t widest = m_widest;
    for (size_t position = m_known; position < state.Count; ++position)
      m_widest = std::max<size_t>(
          m_widest, std::min<size_t>(m_log.LineFromOldest(position).size(), kShownChars + 32));
    const size_t added = state.Count - m_known;
    const bool following = m_top == 0;
    ReadNewLines(state.Count);
    ChangePage(state.Count, following ? 0 : m_top + added, m_pageRows, following);
    if (m_widest != widest) {
      // The view measures its uniform rows again only on a new layout.
      emit layoutAboutToBeChanged();
      emit layoutChanged();
    }
    changed = true;
  }
  if (changed)
    emit linesChanged();
}

void TLogModel::SetTop(size_t top) {
  top = m_known == 0 ? 0 : std::min(top, m_known - 1);
  if (top == m_top)
    return;
  ChangePage(m_known, top, m_pageRows, true);
  emit linesChanged();
}

void TLogModel::SetPageRows(int rows) {
  rows = std::max(rows, 1);
  if (rows != m_pageRows)
    ChangePage(m_known, m_top, rows, false);
}

void TLogModel::SetMetrics(int charWidth, int rowHeight) {
  if (charWidth == m_charWidth && rowHeight == m_rowHeight)
    return;
  emit layoutAboutToBeChanged();
  m_charWidth = charWidth;
  m_rowHeight = rowHeight;
  emit layoutChanged();
}

} // namespace zpm
