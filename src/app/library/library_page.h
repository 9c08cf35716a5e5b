// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Library" page: every patch the library holds, found by a search that
// filters as one types and by kind, tag and favourite; a right click or
// Enter opens the patch viewer on a patch; "Import folder..." brings in a
// folder of files. Beside the list, the user banks; on the second tab, the
// history of the synthesizer's banks.

#include "app/library/library_undo.h"
#include "app/main_context.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QTableView>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTabWidget;
class QUndoStack;

namespace zpm {

class TfrmHexView;
class TLibraryModel;
class TUserBankPanel;

// The list of patches: Enter on a row asks for the viewer.
class TLibraryList : public QTableView {
  Q_OBJECT
public:
  explicit TLibraryList(QWidget *parent = nullptr);

signals:
  void openRequested(int row);

protected:
  void keyPressEvent(QKeyEvent *event) override;
};

class TLibraryPage : public QWidget {
  Q_OBJECT
public:
  explicit TLibraryPage(TMainContext &context, QWidget *parent = nullptr);

  // The viewer a right click or Enter opens.
  void SetViewer(TfrmHexView *viewer);
  // Reads the library again: patches went in or the library was opened.
  void Reload();

  TLibraryModel &Model() { return *m_model; }
  TUserBankPanel &UserBanks() { return *m_userBanks; }
  // What Ctrl+Z and Ctrl+Shift+Z take back and do again.
  QUndoStack &Undo() { return *m_undo; }
  QTableView &List() { return *lvLibrary; }
  // The split between the patch list and the user bank.
  QSplitter &Splitter() { return *spLibrary; }
  // The library patches of the list's selected rows, in list order.
  std::vector<int64_t> SelectedIds() const;
  // Their whole dump images, for the Explore window.
  std::vector<Bytes> SelectedImages() const;

public slots:
  void edLibrarySearchChange();
  void btnImportFolderClick();
  void btnLibraryExploreClick();
  // Imports the folders and tells what came of it.
  void ImportFolders(const QStringList &folders);
  // Opens the viewer on the patch of a row.
  void OpenPatch(int row);
  // The viewer, or with edit the editor, on a library patch.
  void OpenLibraryPatch(int64_t id, bool edit = false);
  void btnHistoryRestoreClick();
  // Two snapshots chosen: the one with the other; one: it with the bank now.
  void btnHistoryCompareClick();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  // "&View" and "&Edit" for the current row, from the menu key.
  void PatchMenu();

private:
  QWidget *BuildPatchesTab();
  QWidget *BuildHistoryTab();
  void FillHistory();
  void FillTags();
  void ShowError(const QString &text);
  void ApplyWords(const std::vector<TPatchWords> &words);

  TMainContext &m_context;
  QUndoStack *m_undo = nullptr;
  TfrmHexView *m_viewer = nullptr;
  TLibraryModel *m_model;
  QTabWidget *m_tabs = nullptr;
  QLabel *lbLibraryProblem = nullptr;
  QLineEdit *edLibrarySearch = nullptr;
  QComboBox *cbxLibraryKind = nullptr;
  QComboBox *cbxLibraryTag = nullptr;
  QCheckBox *cbLibraryFavourites = nullptr;
  TLibraryList *lvLibrary = nullptr;
  QLabel *lbLibraryCount = nullptr;
  QPushButton *btnImportFolder = nullptr;
  QPushButton *btnLibraryExplore = nullptr;
  TUserBankPanel *m_userBanks = nullptr;
  QSplitter *spLibrary = nullptr;
  // The history of one bank of the synthesizer, newest first.
  QComboBox *cbxHistoryBank = nullptr;
  QTableWidget *lvHistory = nullptr;
  QLabel *lbHistoryEmpty = nullptr;
  QPushButton *btnHistoryRestore = nullptr;
  QPushButton *btnHistoryCompare = nullptr;
  std::vector<TSnapshotRow> m_snapshots;
};

} // namespace zpm
