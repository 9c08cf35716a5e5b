// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_page.h"

#include "app/explore/explore_open.h"
#include "app/library/library_model.h"
#include "app/library/library_record.h"
#include "app/library/library_undo.h"
#include "app/library/user_bank_panel.h"
#include "app/mnemonic_arbiter.h"
#include "app/page_support.h"
#include "app/viewer/hex_view_form.h"
#include "app/viewer/viewer_opening.h"
#include "library/library.h"
#include "library/library_files.h"
#include "library/library_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

// The "Working..." dialog's Cancel acts between files: the import runs on
// this thread, so the window gets its turn after each one.
class TImportHost : public TListHost {
public:
  explicit TImportHost(TTransferHost &host) : TListHost(host, [] {}) {}
  void StepProgress() override {
    TListHost::StepProgress();
    QApplication::processEvents();
  }
};

} // namespace

TLibraryList::TLibraryList(QWidget *parent) : QTableView(parent) {}

void TLibraryList::keyPressEvent(QKeyEvent *event) {
  // An editor's own Enter comes here too once it has committed; it opens nothing.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      state() != EditingState && currentIndex().isValid()) {
    emit openRequested(currentIndex().row());
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

TLibraryPage::TLibraryPage(TMainContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_model(new TLibraryModel(this)) {
  setObjectName(QStringLiteral("LibraryPage"));
  m_tabs = new QTabWidget(this);
  m_tabs->setObjectName(QStringLiteral("pcLibrary"));
  m_tabs->addTab(BuildPatchesTab(), QStringLiteral("&Patches"));
  m_tabs->addTab(BuildHistoryTab(), QStringLiteral("&History"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tabs);
  connect(m_model, &TLibraryModel::refused, this, &TLibraryPage::ShowError);
  connect(m_model, &TLibraryModel::tagsChanged, this, &TLibraryPage::FillTags);
  m_undo = new QUndoStack(this);
  m_userBanks->SetUndoStack(m_undo);
  connect(m_model, &TLibraryModel::wordsChanged, this,
          [this](const std::vector<TPatchWords> &before, const std::vector<TPatchWords> &after) {
            m_undo->push(new TWordsCommand(
                QStringLiteral("edit"), before, after,
                [this](const std::vector<TPatchWords> &words) { ApplyWords(words); }));
          });
  // In this window, Ctrl+Z takes back what was changed here; a field being
  // edited keeps its own.
  auto *undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
  undo->setContext(Qt::WidgetWithChildrenShortcut);
  connect(undo, &QShortcut::activated, m_undo, &QUndoStack::undo);
  auto *redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
  redo->setContext(Qt::WidgetWithChildrenShortcut);
  connect(redo, &QShortcut::activated, m_undo, &QUndoStack::redo);
  m_model->editedRows = [this](int row) {
    std::vector<int> rows;
    if (!lvLibrary->selectionModel()->isRowSelected(row, QModelIndex()))
      return std::vector<int>{row};
    for (const QModelIndex &index : lvLibrary->selectionModel()->selectedRows())
      rows.push_back(index.row());
    return rows;
  };
  new TMnemonicArbiter(this);
  Reload();
}

QWidget *TLibraryPage::BuildPatchesTab() {
  auto *tab = new QWidget;
  lbLibraryProblem = new QLabel(tab);
  lbLibraryProblem->setObjectName(QStringLiteral("lbLibraryProblem"));
  lbLibraryProblem->setWordWrap(true);
  lbLibraryProblem->setAccessibleName(QStringLiteral("Why the library is not available"));

  edLibrarySearch = new QLineEdit(tab);
  edLibrarySearch->setObjectName(QStringLiteral("edLibrarySearch"));
  edLibrarySearch->setAccessibleName(QStringLiteral("Search the patch names"));
  edLibrarySearch->setPlaceholderText(QStringLiteral("any part of the name"));
  cbxLibraryKind = new QComboBox(tab);
  cbxLibraryKind->setObjectName(QStringLiteral("cbxLibraryKind"));
  cbxLibraryKind->setAccessibleName(QStringLiteral("Kind of patch"));
  cbxLibraryKind->addItem(QStringLiteral("All kinds"), -1);
  cbxLibraryKind->addItem(QStringLiteral("SID"), static_cast<int>(TKind::Sid));
  cbxLibraryKind->addItem(QStringLiteral("FM voice"), static_cast<int>(TKind::FmVoice));
  cbxLibraryKind->addItem(QStringLiteral("FM drumset"), static_cast<int>(TKind::FmDrumset));
  cbxLibraryKind->addItem(QStringLiteral("FM ensemble"), static_cast<int>(TKind::FmEnsemble));
  cbxLibraryTag = new QComboBox(tab);
  cbxLibraryTag->setObjectName(QStringLiteral("cbxLibraryTag"));
  cbxLibraryTag->setAccessibleName(QStringLiteral("Tag"));
  cbxLibraryTag->setMinimumContentsLength(10);
  cbLibraryFavourites = new QCheckBox(QStringLiteral("&Favourites only"), tab);
  cbLibraryFavourites->setObjectName(QStringLiteral("cbLibraryFavourites"));
  cbLibraryFavourites->setAccessibleName(QStringLiteral("Favourites only"));
  connect(edLibrarySearch, &QLineEdit::textChanged, this, &TLibraryPage::edLibrarySearchChange);
  connect(cbxLibraryKind, &QComboBox::currentIndexChanged, this,
          &TLibraryPage::edLibrarySearchChange);
  connect(cbxLibraryTag, &QComboBox::currentIndexChanged, this,
          &TLibraryPage::edLibrarySearchChange);
  connect(cbLibraryFavourites, &QCheckBox::toggled, this, &TLibraryPage::edLibrarySearchChange);

  lvLibrary = new TLibraryList(tab);
  connect(lvLibrary, &TLibraryList::openRequested, this, &TLibraryPage::OpenPatch);
  lvLibrary->setObjectName(QStringLiteral("lvLibrary"));
  lvLibrary->setAccessibleName(QStringLiteral("Patches in the library"));
  lvLibrary->setToolTip(QStringLiteral("A tag, favourite or note set on one of the chosen rows "
                                       "is set on all of them"));
  lvLibrary->setModel(m_model);
  lvLibrary->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvLibrary->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvLibrary->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  lvLibrary->setDragEnabled(true);
  lvLibrary->setDragDropMode(QAbstractItemView::DragOnly);
  lvLibrary->setSortingEnabled(true);
  lvLibrary->sortByColumn(TLibraryModel::Name, Qt::AscendingOrder);
  lvLibrary->setWordWrap(false);
  // Tab leaves the list; the arrows move within it.
  lvLibrary->setTabKeyNavigation(false);
  lvLibrary->verticalHeader()->hide();
  // Rows of one height let the view ask only for the rows it shows.
  lvLibrary->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lvLibrary->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView *header = lvLibrary->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  // Each column wide enough for its widest text in the list's own font.
  const auto fits = [&](const char *text) {
    return std::max(lvLibrary->fontMetrics().horizontalAdvance(QString::fromUtf8(text)),
                    header->fontMetrics().horizontalAdvance(QString::fromUtf8(text))) +
           18;
  };
  header->resizeSection(TLibraryModel::Name, fits("Random Patch 128"));
  header->resizeSection(TLibraryModel::Kind, fits("FM ensemble"));
  header->resizeSection(TLibraryModel::Tags, fits("live, lead"));
  header->resizeSection(TLibraryModel::Favourite, fits("\u2605") + 8);
  header->resizeSection(TLibraryModel::FirstSeen, fits("2026-12-08 03:00"));
  header->resizeSection(TLibraryModel::LastSeen, fits("collection.syx"));
  header->resizeSection(TLibraryModel::Seen, fits("Times seen"));
  header->setStretchLastSection(true);
  lvLibrary->viewport()->installEventFilter(this);
  lvLibrary->installEventFilter(this);

  lbLibraryCount = new QLabel(tab);
  lbLibraryCount->setObjectName(QStringLiteral("lbLibraryCount"));
  btnImportFolder = new QPushButton(QStringLiteral("&Import folder..."), tab);
  btnImportFolder->setObjectName(QStringLiteral("btnImportFolder"));
  btnImportFolder->setAccessibleName(QStringLiteral("Import a folder of SysEx files"));
  connect(btnImportFolder, &QPushButton::clicked, this, &TLibraryPage::btnImportFolderClick);
  btnLibraryExplore = new QPushButton(QStringLiteral("E&xplore..."), tab);
  btnLibraryExplore->setObjectName(QStringLiteral("btnLibraryExplore"));
  btnLibraryExplore->setToolTip(
      QStringLiteral("Rounds of new sounds crossed and varied from the 1 to 4 chosen patches"));
  connect(btnLibraryExplore, &QPushButton::clicked, this, &TLibraryPage::btnLibraryExploreClick);
  AttachExploreMenu(lvLibrary, m_context, [this] { return SelectedImages(); });

  auto *filters = new QHBoxLayout;
  filters->addWidget(BuddyLabel(QStringLiteral("Sea&rch:"), edLibrarySearch));
  filters->addWidget(edLibrarySearch, 1);
  filters->addWidget(BuddyLabel(QStringLiteral("&Kind:"), cbxLibraryKind));
  filters->addWidget(cbxLibraryKind);
  filters->addWidget(BuddyLabel(QStringLiteral("T&ag:"), cbxLibraryTag));
  filters->addWidget(cbxLibraryTag);
  filters->addWidget(cbLibraryFavourites);
  auto *bottom = new QHBoxLayout;
  bottom->addWidget(lbLibraryCount, 1);
  bottom->addWidget(btnLibraryExplore);
  bottom->addWidget(btnImportFolder);
  auto *left = new QWidget(tab);
  auto *column = new QVBoxLayout(left);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(lbLibraryProblem);
  column->addLayout(filters);
  column->addWidget(
      BuddyLabel(QStringLiteral("Patches &list (right click or Enter: view)"), lvLibrary));
  column->addWidget(lvLibrary, 1);
  column->addLayout(bottom);
  m_userBanks = new TUserBankPanel(
      m_context, [this] { return SelectedIds(); }, [this](int64_t id) { OpenLibraryPatch(id); },
      tab);
  spLibrary = new QSplitter(Qt::Horizontal, tab);
  spLibrary->setObjectName(QStringLiteral("spLibrary"));
  spLibrary->setChildrenCollapsible(false);
  spLibrary->addWidget(left);
  spLibrary->addWidget(m_userBanks);
  spLibrary->setStretchFactor(0, 1);
  spLibrary->setStretchFactor(1, 0);
  // The list takes what the bank's slots do not need.
  spLibrary->setSizes({760, 250});
  auto *layout = new QHBoxLayout(tab);
  layout->addWidget(spLibrary);
  return tab;
}

void TLibraryPage::ApplyWords(const std::vector<TPatchWords> &words) {
  TLibrary *library = m_context.Library();
  if (!library)
    return;
  const QString error = Attempt([&] { WritePatchWords(*library, words); });
  m_model->Refresh();
  FillTags();
  ShowError(error);
}

void TLibraryPage::SetViewer(TfrmHexView *viewer) {
  m_viewer = viewer;
}

void TLibraryPage::Reload() {
  TLibrary *library = m_context.Library();
  lbLibraryProblem->setText(m_context.LibraryProblem());
  lbLibraryProblem->setVisible(!library);
  for (QWidget *control :
       std::initializer_list<QWidget *>{edLibrarySearch, cbxLibraryKind, cbxLibraryTag,
                                        cbLibraryFavourites, btnImportFolder, btnLibraryExplore})
    control->setEnabled(library != nullptr);
  FillTags();
  m_model->SetLibrary(library);
  edLibrarySearchChange();
  m_userBanks->Reload();
  FillHistory();
}

void TLibraryPage::FillTags() {
  const QString chosen =
      cbxLibraryTag->currentIndex() > 0 ? cbxLibraryTag->currentText() : QString();
  const QSignalBlocker blocker(cbxLibraryTag);
  cbxLibraryTag->clear();
  cbxLibraryTag->addItem(QStringLiteral("All tags"));
  if (TLibrary *library = m_context.Library()) {
    try {
      for (const std::string &tag : library->AllTags())
        cbxLibraryTag->addItem(QString::fromStdString(tag));
    } catch (const std::exception &) {
      // A busy library shows no tags until it is read again.
    }
  }
  cbxLibraryTag->setCurrentIndex(std::max(0, cbxLibraryTag->findText(chosen)));
}

void TLibraryPage::edLibrarySearchChange() {
  TSearch search = m_model->Search();
  search.text = edLibrarySearch->text().toStdString();
  const int kind = cbxLibraryKind->currentData().toInt();
  search.kind = kind < 0 ? std::nullopt : std::optional<TKind>(static_cast<TKind>(kind));
  search.tags.clear();
  if (cbxLibraryTag->currentIndex() > 0)
    search.tags.push_back(cbxLibraryTag->currentText().toStdString());
  search.favouritesOnly = cbLibraryFavourites->isChecked();
  m_model->SetSearch(search);
  QString count = CountText(m_model->rowCount(), "patch", "patches");
  // An empty list says what would fill it.
  if (m_model->rowCount() == 0 && m_context.Library()) {
    TSearch everything;
    int64_t all = 0;
    const QString error = Attempt([&] { all = m_context.Library()->Count(everything); });
    if (error.isEmpty() && all == 0)
      count = QStringLiteral("Fetch a bank or import a folder to fill the library.");
    else if (!search.text.empty())
      count = QStringLiteral("No patch matches \"%1\".").arg(edLibrarySearch->text());
    else
      count = QStringLiteral("No patch matches the chosen kind, tag and favourites.");
  }
  lbLibraryCount->setText(count);
}

std::vector<int64_t> TLibraryPage::SelectedIds() const {
  std::vector<int64_t> ids;
  QModelIndexList rows = lvLibrary->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
  for (const QModelIndex &row : rows)
    if (const int64_t id = m_model->IdAt(row.row()))
      ids.push_back(id);
  return ids;
}

std::vector<Bytes> TLibraryPage::SelectedImages() const {
  std::vector<Bytes> images;
  TLibrary *library = m_context.Library();
  const QString error = Attempt([&] {
    for (int64_t id : SelectedIds())
      if (library)
        images.push_back(ExploreImageOf(library->Patch(id).patch));
  });
  Q_UNUSED(error); // a busy library gives none, which the window says
  return images;
}

void TLibraryPage::btnLibraryExploreClick() {
  OpenExplore(m_context, SelectedImages());
}

void TLibraryPage::OpenPatch(int row) {
  OpenLibraryPatch(m_model->IdAt(row));
}

void TLibraryPage::OpenLibraryPatch(int64_t id, bool edit) {
  TLibrary *library = m_context.Library();
  if (!m_viewer || !library || id == 0)
    return;
  PatchViewText view;
  const QString error = Attempt([&] {
    view = StoredPatchView(library->Patch(id).patch, library->Sightings(id),
                           m_viewer->PatchTypePanel());
  });
  if (!error.isEmpty()) {
    ShowError(error);
    return;
  }
  if (edit)
    m_viewer->EditPatch(view);
  else
    m_viewer->Open(view);
}

void TLibraryPage::PatchMenu() {
  const QModelIndex index = lvLibrary->currentIndex();
  if (!m_viewer || !index.isValid())
    return;
  QMenu menu(lvLibrary);
  menu.setObjectName(QStringLiteral("mnuLibraryPatch"));
  QAction *view = menu.addAction(QStringLiteral("&View"));
  QAction *edit = menu.addAction(QStringLiteral("&Edit"));
  edit->setEnabled(static_cast<bool>(m_viewer->editor));
  AddPatchListActions(menu, lvLibrary);
  QAction *chosen =
      menu.exec(lvLibrary->viewport()->mapToGlobal(lvLibrary->visualRect(index).bottomLeft()));
  if (chosen == view || chosen == edit)
    OpenLibraryPatch(m_model->IdAt(index.row()), chosen == edit);
}

bool TLibraryPage::eventFilter(QObject *watched, QEvent *event) {
  // The type first: the list asks nothing of itself while it is destroyed.
  // The menu key on a row; the right button's press opened the viewer already.
  if (event->type() == QEvent::ContextMenu &&
      (watched == lvLibrary || watched == lvLibrary->viewport())) {
    if (static_cast<QContextMenuEvent *>(event)->reason() != QContextMenuEvent::Mouse)
      PatchMenu();
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress && watched == lvLibrary->viewport()) {
    const auto *press = static_cast<QMouseEvent *>(event);
    const QModelIndex index = lvLibrary->indexAt(press->position().toPoint());
    if (press->button() == Qt::RightButton && index.isValid()) {
      lvLibrary->setCurrentIndex(index);
      OpenPatch(index.row());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TLibraryPage::btnImportFolderClick() {
  QFileDialog dialog(window(), QStringLiteral("Import folder"));
  dialog.setObjectName(QStringLiteral("ImportFolderDialog"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  ImportFolders(dialog.selectedFiles());
}

void TLibraryPage::ImportFolders(const QStringList &folders) {
  TLibrary *library = m_context.Library();
  if (!library)
    return;
  std::vector<std::string> paths;
  for (const QString &folder : folders)
    paths.push_back(folder.toStdString());
  std::vector<TImportedFile> files;
  QString error;
  {
    TImportHost host(m_context.Host());
    error = Attempt([&] { files = library->Import(paths, &host); });
  }
  int newPatches = 0, known = 0, refused = 0, flawed = 0;
  // A few files are each told; of many, those that were not stored whole.
  constexpr size_t kToldEach = 10;
  QStringList lines;
  for (const TImportedFile &file : files) {
    newPatches += file.newPatches;
    known += file.knownPatches;
    const QString name = QFileInfo(QString::fromStdString(file.path)).fileName();
    if (!file.error.empty()) {
      ++refused;
      lines << QStringLiteral("%1 was refused: %2").arg(name, QString::fromStdString(file.error));
      continue;
    }
    if (!file.warning.empty())
      ++flawed;
    if (file.warning.empty() && files.size() > kToldEach)
      continue;
    QString line = file.unchanged ? QStringLiteral("%1: imported before, unchanged").arg(name)
                                  : QStringLiteral("%1: %2 new, %3 already in the library")
                                        .arg(name)
                                        .arg(file.newPatches)
                                        .arg(file.knownPatches);
    if (!file.warning.empty())
      line += QStringLiteral("; stored, but %1").arg(QString::fromStdString(file.warning));
    lines << line;
  }
  Reload();
  ShowError(error);
  QString summary = QStringLiteral("%1 read: %2 new, %3 already in the library; %4 refused")
                        .arg(CountText(static_cast<int64_t>(files.size()), "file", "files"),
                             CountText(newPatches, "patch", "patches"), QString::number(known),
                             CountText(refused, "file", "files"));
  if (flawed)
    summary += QStringLiteral(", %1 stored with flaws").arg(flawed);
  summary += QLatin1Char('.');
  m_context.ReportDone(summary);
  if (!lines.isEmpty())
    summary += QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
  QMessageBox::information(window(), QApplication::applicationDisplayName(), summary);
}

void TLibraryPage::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

} // namespace zpm
