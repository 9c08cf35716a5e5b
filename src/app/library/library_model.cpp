// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_model.h"

#include "library/library.h"
#include "library/library_files.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QMimeData>

#include <algorithm>

namespace zpm {

namespace {

QString KindName(TKind kind) {
  switch (kind) {
  case TKind::Sid:
    return QStringLiteral("SID");
  case TKind::FmVoice:
    return QStringLiteral("FM voice");
  case TKind::FmDrumset:
    return QStringLiteral("FM drumset");
  case TKind::FmEnsemble:
    return QStringLiteral("FM ensemble");
  }
  return QString();
}

QString TagsText(const std::vector<std::string> &tags) {
  QStringList texts;
  for (const std::string &tag : tags)
    texts << QString::fromStdString(tag);
  return texts.join(QStringLiteral(", "));
}

// "lead, bass ,, pad" -> lead, bass, pad.
std::vector<std::string> ParseTags(const QString &text) {
  std::vector<std::string> tags;
  for (const QString &part : text.split(QLatin1Char(','))) {
    const std::string tag = part.trimmed().toStdString();
    if (!tag.empty() && std::find(tags.begin(), tags.end(), tag) == tags.end())
      tags.push_back(tag);
  }
  return tags;
}

QString NameText(const TPatchRow &row) {
  QString name = row.name ? QString::fromStdString(*row.name) : QStringLiteral("(no name)");
  if (row.flaws != kFlawNone)
    name += QStringLiteral(" [%1]").arg(QString::fromStdString(FlawText(row.flaws)));
  return name;
}

const std::vector<TPatchRow> kNoRows;

QString SlotText(const TSightingRow &seen, TKind kind) {
  QString slot = QStringLiteral("%1:%2")
                     .arg(QChar(QLatin1Char(static_cast<char>('A' + seen.bank))))
                     .arg(seen.number + 1);
  // FM banks of the three types share their letters.
  if (kind == TKind::FmDrumset)
    slot = QStringLiteral("drums ") + slot;
  else if (kind == TKind::FmEnsemble)
    slot = QStringLiteral("ensemble ") + slot;
  return slot;
}

QString FileName(const std::string &path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString SightingText(const TSightingRow &seen, TKind kind) {
  const QString when =
      QDateTime::fromMSecsSinceEpoch(seen.time).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  QString what;
  if (seen.source == "file")
    what = QStringLiteral("in %1, row %2")
               .arg(QString::fromUtf8(seen.path.data(), static_cast<qsizetype>(seen.path.size())))
               .arg(seen.row + 1);
  else if (seen.source == "device")
    what = QStringLiteral("fetched from %1").arg(SlotText(seen, kind));
  else if (seen.snapshot == 0)
    what = QStringLiteral("made at random");
  else
    what = QStringLiteral("sent to %1%2")
               .arg(SlotText(seen, kind),
                    QLatin1String(seen.verified ? ", verified" : ", not verified"));
  return when + QStringLiteral("  ") + what;
}

} // namespace

TLibraryModel::TLibraryModel(QObject *parent) : QAbstractTableModel(parent) {}

void TLibraryModel::SetLibrary(TLibrary *library) {
  m_library = library;
  Reload();
}

void TLibraryModel::SetSearch(const TSearch &search) {
  m_search = search;
  m_search.offset = 0;
  m_search.limit = -1;
  Reload();
}

void TLibraryModel::Reload() {
  beginResetModel();
  m_pages.clear();
  m_seen.clear();
  m_recent.clear();
  m_count = 0;
  if (m_library) {
    try {
      m_count = static_cast<int>(std::min<int64_t>(m_library->Count(m_search), INT32_MAX));
    } catch (const std::exception &error) {
      m_lastError = QString::fromStdString(error.what());
    }
  }
  endResetModel();
}

void TLibraryModel::Refresh() {
  m_pages.clear();
  m_recent.clear();
  if (m_count > 0)
    emit dataChanged(index(0, 0), index(m_count - 1, ColumnCount - 1));
}

const std::vector<TPatchRow> &TLibraryModel::Page(int page) const {
  const auto found = m_pages.find(page);
  if (found != m_pages.end()) {
    m_recent.remove(page);
    m_recent.push_front(page);
    return found->second;
  }
  if (!m_library)
    return kNoRows;
  TSearch search = m_search;
  search.offset = int64_t(page) * kPageSize;
  search.limit = kPageSize;
  std::vector<TPatchRow> rows;
  try {
    rows = m_library->Search(search);
  } catch (const std::exception &) {
    // A busy library shows the rows empty; the next look reads them again.
    return kNoRows;
  }
  ++m_pagesRead;
  if (m_recent.size() >= kPagesKept) {
    m_pages.erase(m_recent.back());
    m_recent.pop_back();
  }
  m_recent.push_front(page);
  return m_pages.emplace(page, std::move(rows)).first->second;
}

const TPatchRow *TLibraryModel::RowAt(int row) const {
  if (row < 0 || row >= m_count)
    return nullptr;
  const std::vector<TPatchRow> &page = Page(row / kPageSize);
  const size_t at = static_cast<size_t>(row % kPageSize);
  return at < page.size() ? &page[at] : nullptr;
}

const TLibraryModel::TSeenTexts &TLibraryModel::SeenTexts(const TPatchRow &row) const {
  const auto found = m_seen.find(row.id);
  if (found != m_seen.end())
    return found->second;
  TSeenTexts texts;
  std::vector<TSightingRow> seen;
  try {
    if (m_library)
      seen = m_library->Sightings(row.id);
  } catch (const std::exception &) {
    // A busy library shows nothing here; the next reading tries again.
    static const TSeenTexts kNone;
    return kNone;
  }
  std::stable_sort(seen.begin(), seen.end(),
                   [](const TSightingRow &a, const TSightingRow &b) { return a.time > b.time; });
  if (!seen.empty())
    texts.last = seen.front().source == "file" ? FileName(seen.front().path)
                 : seen.front().snapshot == 0  ? QStringLiteral("random")
                                               : SlotText(seen.front(), row.kind);
  // Enough to tell two patches apart, not a screenful.
  constexpr size_t kShown = 12;
  QStringList lines;
  for (size_t i = 0; i < seen.size() && i < kShown; ++i)
    lines << SightingText(seen[i], row.kind);
  if (seen.size() > kShown)
    lines << QStringLiteral("and %1 more").arg(seen.size() - kShown);
  texts.all = lines.join(QLatin1Char('\n'));
  return m_seen.emplace(row.id, texts).first->second;
}

int64_t TLibraryModel::IdAt(int row) const {
  const TPatchRow *found = RowAt(row);
  return found ? found->id : 0;
}

int TLibraryModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_count;
}

int TLibraryModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLibraryModel::data(const QModelIndex &index, int role) const {
  const TPatchRow *row = index.isValid() ? RowAt(index.row()) : nullptr;
  if (!row)
    return QVariant();
  const int column = index.column();
  if (column == Favourite && role == Qt::CheckStateRole)
    return row->favourite ? Qt::Checked : Qt::Unchecked;
  if (role == Qt::AccessibleTextRole && column == Favourite)
    return row->favourite ? QStringLiteral("favourite") : QStringLiteral("not a favourite");
  if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
    return QVariant();
  // Patches of one name are told apart by where they were seen.
  if (role == Qt::ToolTipRole && (column == Name || column == LastSeen))
    return SeenTexts(*row).all;
  switch (column) {
  case Name:
    return NameText(*row);
  case Kind:
    return KindName(row->kind);
  case Tags:
    return TagsText(row->tags);
  case Favourite:
    return role == Qt::DisplayRole && row->favourite ? QStringLiteral("\u2605") : QVariant();
  case FirstSeen:
    return QDateTime::fromMSecsSinceEpoch(row->firstSeen)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  case LastSeen:
    return SeenTexts(*row).last;
  case Seen:
    return QVariant::fromValue(static_cast<qlonglong>(row->seen));
  case Note:
    return QString::fromStdString(row->note);
  default:
    return QVariant();
  }
}

QVariant TLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
      (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return QAbstractTableModel::headerData(section, orientation, role);
  static const char *const kHeaders[] = {"Name",       "Kind",      "Tags",       "\u2605",
                                         "First seen", "Last seen", "Times seen", "Note"};
  // A screen reader says the word where the column shows the star.
  if (role == Qt::AccessibleTextRole && section == Favourite)
    return QStringLiteral("Favourite");
  return QString::fromUtf8(kHeaders[section]);
}

Qt::ItemFlags TLibraryModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (!index.isValid())
    return flags;
  flags |= Qt::ItemIsDragEnabled;
  if (index.column() == Tags || index.column() == Note)
    flags |= Qt::ItemIsEditable;
  if (index.column() == Favourite)
    flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool TLibraryModel::Change(int row, const std::function<void(TLibrary &, int64_t)> &change) {
  std::vector<int> rows = editedRows ? editedRows(row) : std::vector<int>{row};
  if (std::find(rows.begin(), rows.end(), row) == rows.end())
    rows.push_back(row);
  std::vector<int64_t> ids;
  for (int each : rows)
    if (const int64_t id = IdAt(each))
      ids.push_back(id);
  if (!m_library || ids.empty())
    return false;
  std::vector<TPatchWords> before;
  try {
    before = PatchWordsOf(*m_library, ids);
    for (int64_t id : ids)
      change(*m_library, id);
  } catch (const std::exception &error) {
    m_lastError = QString::fromStdString(error.what());
    emit refused(m_lastError);
    // What was changed before the refusal shows.
    m_pages.clear();
    m_recent.clear();
    emit dataChanged(index(0, 0), index(std::max(0, m_count - 1), ColumnCount - 1));
    return false;
  }
  m_lastError.clear();
  // The rows are read again; they stay in the list until the next search.
  for (int each : rows) {
    m_pages.erase(each / kPageSize);
    m_recent.remove(each / kPageSize);
  }
  const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
  emit dataChanged(index(*low, 0), index(*high, ColumnCount - 1));
  try {
    emit wordsChanged(before, PatchWordsOf(*m_library, ids));
  } catch (const std::exception &) {
    // Made, but not to be taken back: the library could not say what it holds.
  }
  return true;
}

bool TLibraryModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!index.isValid())
    return false;
  if (index.column() == Favourite && role == Qt::CheckStateRole) {
    const bool favourite = value.toInt() == Qt::Checked;
    return Change(index.row(), [favourite](TLibrary &library, int64_t id) {
      library.SetFavourite(id, favourite);
    });
  }
  if (role != Qt::EditRole)
    return false;
  if (index.column() == Note) {
    const std::string note = value.toString().toStdString();
    return Change(index.row(),
                  [&note](TLibrary &library, int64_t id) { library.SetNote(id, note); });
  }
  if (index.column() == Tags) {
    const TPatchRow *row = RowAt(index.row());
    if (!row)
      return false;
    // What the edit added and took away, done to every row it changes.
    const std::vector<std::string> before = row->tags;
    const std::vector<std::string> after = ParseTags(value.toString());
    const bool changed = Change(index.row(), [&](TLibrary &library, int64_t id) {
      for (const std::string &tag : before)
        if (std::find(after.begin(), after.end(), tag) == after.end())
          library.RemoveTag(id, tag);
      for (const std::string &tag : after)
        if (std::find(before.begin(), before.end(), tag) == before.end())
          library.AddTag(id, tag);
    });
    emit tagsChanged();
    return changed;
  }
  return false;
}

void TLibraryModel::sort(int column, Qt::SortOrder order) {
  TSortBy by;
  switch (column) {
  case Name:
    by = TSortBy::Name;
    break;
  case Kind:
    by = TSortBy::Kind;
    break;
  case FirstSeen:
    by = TSortBy::FirstSeen;
    break;
  case LastSeen:
    by = TSortBy::LastSeen;
    break;
  default:
    return;
  }
  TSearch search = m_search;
  search.sort = by;
  search.descending = order == Qt::DescendingOrder;
  SetSearch(search);
}

QStringList TLibraryModel::mimeTypes() const {
  return {QLatin1String(kLibraryPatchMime)};
}

QMimeData *TLibraryModel::mimeData(const QModelIndexList &indexes) const {
  std::vector<int> rows;
  for (const QModelIndex &index : indexes)
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  for (int row : rows)
    if (const int64_t id = IdAt(row))
      stream << static_cast<qint64>(id);
  auto *data = new QMimeData;
  data->setData(QLatin1String(kLibraryPatchMime), bytes);
  return data;
}

QList<qint64> LibraryPatchIds(const QMimeData *data) {
  QList<qint64> ids;
  if (!data)
    return ids;
  QByteArray bytes = data->data(QLatin1String(kLibraryPatchMime));
  QDataStream stream(&bytes, QIODevice::ReadOnly);
  while (!stream.atEnd()) {
    qint64 id = 0;
    stream >> id;
    ids << id;
  }
  return ids;
}

} // namespace zpm
