#include "app/log_model.h"

#include <QSize>

#include <algorithm>

namespace zpm {

namespace {
constexpr int kRowMargin = 8; // pixels beside the widest line
}

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
  if (role == Qt::DisplayRole)
    return LineText(m_top + static_cast<size_t>(index.row()));
  if (role == Qt::SizeHintRole && m_rowHeight > 0)
    return QSize(static_cast<int>(std::min<size_t>(m_widest, 1 << 20)) * m_charWidth + kRowMargin,
                 m_rowHeight);
  return {};
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
    endResetModel();
    changed = true;
  }
  if (state.Count > m_known) {
    const size_t widest = m_widest;
    for (size_t position = m_known; position < state.Count; ++position)
      m_widest = std::max(m_widest, m_log.LineFromOldest(position).size());
    const size_t added = state.Count - m_known;
    const bool following = m_top == 0;
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
