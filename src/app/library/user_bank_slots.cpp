// SPDX-License-Identifier: GPL-3.0-or-later
// A user bank's slots: the list that takes dragged patches and the keys
// that empty, move and open them, and where a move puts each patch.
#include "app/library/user_bank_panel.h"

#include "app/library/library_model.h"

#include <QColor>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace zpm {

TUserBankSlots::TUserBankSlots(QWidget *parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

QStringList TUserBankSlots::mimeTypes() const {
  return QListWidget::mimeTypes() << QLatin1String(kLibraryPatchMime);
}

bool TUserBankSlots::Accepts(const QDropEvent *event) const {
  return event->source() == this || m_dragFits;
}

void TUserBankSlots::dragEnterEvent(QDragEnterEvent *event) {
  const QMimeData *data = event->mimeData();
  m_dragFits = event->source() != this &&
               (data->hasFormat(QLatin1String(kLibraryPatchMime)) ||
                data->hasFormat(QLatin1String(kPatchDumpMime))) &&
               (!fits || fits(data));
  if (Accepts(event))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TUserBankSlots::dragMoveEvent(QDragMoveEvent *event) {
  QListWidget::dragMoveEvent(event);
  if (!Accepts(event)) {
    ShowLanding(0, 0);
    return;
  }
  event->acceptProposedAction();
  // Patches dropped on a slot fill it and the ones after; below the last
  // they go to the first empty slots, shown by none.
  const QModelIndex at = indexAt(event->position().toPoint());
  const QMimeData *data = event->mimeData();
  int dragged = 0;
  if (data->hasFormat(QLatin1String(kLibraryPatchMime)))
    dragged = static_cast<int>(LibraryPatchIds(data).size());
  else if (data->hasFormat(QLatin1String(kPatchDumpMime)))
    dragged = static_cast<int>(DraggedDumps(data).images.size());
  ShowLanding(at.isValid() ? at.row() : 0, at.isValid() ? dragged : 0);
}

void TUserBankSlots::dragLeaveEvent(QDragLeaveEvent *event) {
  ShowLanding(0, 0);
  QListWidget::dragLeaveEvent(event);
}

void TUserBankSlots::ShowLanding(int first, int count) {
  count = std::max(0, std::min(count, this->count() - first));
  if (m_landing == std::make_pair(first, count))
    return;
  QColor landing = palette().color(QPalette::Highlight);
  landing.setAlpha(90);
  for (int row = m_landing.first; row < m_landing.first + m_landing.second; ++row)
    if (QListWidgetItem *slot = item(row))
      slot->setData(Qt::BackgroundRole, QVariant());
  m_landing = {first, count};
  for (int row = first; row < first + count; ++row)
    item(row)->setBackground(landing);
}

void TUserBankSlots::dropEvent(QDropEvent *event) {
  ShowLanding(0, 0);
  if (!Accepts(event)) {
    event->ignore();
    return;
  }
  const QModelIndex at = indexAt(event->position().toPoint());
  const int slot = at.isValid() ? at.row() : -1;
  if (event->source() == this) {
    QList<int> from;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
      from << index.row();
    std::sort(from.begin(), from.end());
    emit slotsMoved(from, slot < 0 ? count() - 1 : slot);
  } else if (event->mimeData()->hasFormat(QLatin1String(kLibraryPatchMime))) {
    emit patchesDropped(LibraryPatchIds(event->mimeData()), slot);
  } else if (event->mimeData()->hasFormat(QLatin1String(kPatchDumpMime))) {
    emit dumpsDropped(DraggedDumps(event->mimeData()), slot);
  }
  // The bank is written by the panel; the list only shows it again.
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TUserBankSlots::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Delete) {
    emit deletePressed();
    return;
  }
  if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
      event->modifiers() == Qt::ControlModifier) {
    emit moveKeyPressed(event->key() == Qt::Key_Up ? -1 : 1);
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
    emit openPressed(currentRow());
    return;
  }
  QListWidget::keyPressEvent(event);
}

std::vector<int64_t> MovedSlots(const std::vector<int64_t> &before, std::vector<int> from, int to) {
  std::sort(from.begin(), from.end());
  from.erase(std::unique(from.begin(), from.end()), from.end());
  if (from.empty())
    return {};
  const int size = static_cast<int>(before.size());
  const int by = to - from.front();
  std::vector<int> targets;
  for (int slot : from) {
    if (slot < 0 || slot >= size || slot + by < 0 || slot + by >= size)
      return {};
    targets.push_back(slot + by);
  }
  const auto among = [](const std::vector<int> &list, int slot) {
    return std::binary_search(list.begin(), list.end(), slot);
  };
  std::vector<int> left, displaced; // both ascending, as long as each other
  for (int slot : from)
    if (!among(targets, slot))
      left.push_back(slot);
  for (int slot : targets)
    if (!among(from, slot))
      displaced.push_back(slot);
  std::vector<int64_t> moved = before;
  for (size_t i = 0; i < from.size(); ++i)
    moved[static_cast<size_t>(targets[i])] = before[static_cast<size_t>(from[i])];
  for (size_t i = 0; i < left.size(); ++i)
    moved[static_cast<size_t>(left[i])] = before[static_cast<size_t>(displaced[i])];
  return moved;
}

} // namespace zpm
