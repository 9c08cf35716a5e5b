// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sid/sid_list_widget.h"

#include <QDataStream>
#include <QEvent>
#include <QHeaderView>
#include <QIODevice>
#include <QItemSelectionModel>
#include <QMimeData>

#include <algorithm>
#include <utility>

namespace zpm {

namespace {

constexpr int kBankColumn = 0;
constexpr int kNumberColumn = 1;
constexpr int kNameColumn = 2;
constexpr int kColumns = 3;

} // namespace

TSidListModel::TSidListModel(TRowText rowText, SidColumnAlign numberAlign, QObject *parent)
    : QAbstractTableModel(parent), m_rowText(std::move(rowText)), m_numberAlign(numberAlign) {}

void TSidListModel::SetCount(int count) {
  count = std::max(0, count);
  if (count == m_count) {
    // Same length, perhaps other patches: redraw, and keep a selection that
    // a fetch which stopped early did not clear.
    if (count > 0)
      emit dataChanged(index(0, 0), index(count - 1, kColumns - 1));
    return;
  }
  beginResetModel();
  m_count = count;
  endResetModel();
}

int TSidListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_count;
}

int TSidListModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kColumns;
}

Qt::Alignment TSidListModel::Alignment(int column) const {
  if (column == kNumberColumn && m_numberAlign == SidColumnAlign::Centre)
    return Qt::AlignCenter;
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant TSidListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= m_count)
    return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Alignment(index.column()));
  if (role != Qt::DisplayRole)
    return {};
  const QStringList texts = m_rowText(index.row());
  if (index.column() >= texts.size())
    return {};
  return texts.at(index.column());
}

QVariant TSidListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
    return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Alignment(section));
  if (role != Qt::DisplayRole)
    return {};
  static const char *const captions[kColumns] = {kSidBankCaption, kSidNumberCaption,
                                                 kSidNameCaption};
  return QString::fromLatin1(captions[section]);
}

Qt::ItemFlags TSidListModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (m_image && index.isValid() && index.row() < m_count)
    flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList TSidListModel::mimeTypes() const {
  return {QLatin1String(kPatchDumpMime)};
}

QMimeData *TSidListModel::mimeData(const QModelIndexList &indexes) const {
  if (!m_image)
    return nullptr;
  std::vector<int> rows;
  for (const QModelIndex &index : indexes)
    if (index.row() < m_count)
      rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  stream << (m_path ? m_path() : QString());
  for (int row : rows) {
    const Bytes image = m_image(row);
    stream << static_cast<qint32>(row)
           << QByteArray(reinterpret_cast<const char *>(image.data()),
                         static_cast<qsizetype>(image.size()));
  }
  auto *data = new QMimeData;
  data->setData(QLatin1String(kPatchDumpMime), bytes);
  return data;
}

void TSidListModel::SetDragSource(TRowImage image, std::function<QString()> path) {
  m_image = std::move(image);
  m_path = std::move(path);
}

TDraggedDumps DraggedDumps(const QMimeData *data) {
  TDraggedDumps dumps;
  if (!data || !data->hasFormat(QLatin1String(kPatchDumpMime)))
    return dumps;
  QByteArray bytes = data->data(QLatin1String(kPatchDumpMime));
  QDataStream stream(&bytes, QIODevice::ReadOnly);
  stream >> dumps.path;
  while (!stream.atEnd() && stream.status() == QDataStream::Ok) {
    qint32 row = 0;
    QByteArray image;
    stream >> row >> image;
    if (stream.status() != QDataStream::Ok)
      break;
    dumps.rows.push_back(row);
    dumps.images.emplace_back(image.begin(), image.end());
  }
  return dumps;
}

TSidPatchList::TSidPatchList(TRowText rowText, SidColumnAlign numberAlign, QWidget *parent)
    : QTableView(parent), m_model(std::move(rowText), numberAlign) {
  setModel(&m_model);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Rows are the unit here: the arrows move between them and Tab goes on to
  // the next control instead of walking every cell.
  setTabKeyNavigation(false);

  QHeaderView *rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView *columns = horizontalHeader();
  columns->setSectionsClickable(false);
  columns->setHighlightSections(false);
  columns->setStretchLastSection(false);
  columns->setMinimumSectionSize(0);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->resizeSection(kBankColumn, kSidBankWidth);
  columns->resizeSection(kNumberColumn, kSidNumberWidth);
  columns->setSectionResizeMode(kNumberColumn, QHeaderView::Fixed);
  columns->resizeSection(kNameColumn, kSidNameInitialWidth);
  // The column that fills the list follows when the user drags another one.
  connect(columns, &QHeaderView::sectionResized, this, [this](int section) {
    if (section != kNameColumn)
      emit resized();
  });

  // The selection is what the save and send buttons act on: it has to stay
  // visible while the user is at those buttons.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight,
                   colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
}

std::vector<int> TSidPatchList::SelectedItems() const {
  std::vector<int> items;
  if (selectionModel() == nullptr)
    return items;
  for (const QModelIndex &row : selectionModel()->selectedRows())
    items.push_back(row.row());
  std::sort(items.begin(), items.end());
  return items;
}

void TSidPatchList::EnableDrag(TRowImage image, std::function<QString()> path) {
  m_model.SetDragSource(std::move(image), std::move(path));
  // Only out: nothing is dropped on a page's list.
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
}

void TSidPatchList::SetNameWidth(int width) {
  // One section change is one repaint already. Switching updates off here
  // would be wrong: a tab switch shows the list with its parent's updates
  // off, and restoring that state would leave the list frozen.
  horizontalHeader()->resizeSection(kNameColumn, std::max(0, width));
}

int TSidPatchList::OtherColumnsWidth() const {
  int width = 0;
  for (int column = 0; column < kColumns; ++column)
    if (column != kNameColumn && !isColumnHidden(column))
      width += horizontalHeader()->sectionSize(column);
  return width;
}

bool TSidPatchList::viewportEvent(QEvent *event) {
  const bool handled = QTableView::viewportEvent(event);
  if (event->type() == QEvent::Resize)
    emit resized();
  return handled;
}

} // namespace zpm
