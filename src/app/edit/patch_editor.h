// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TfrmPatchEditor, the editor window: every parameter of one patch as a row
// with the control its kind calls for, grouped under the viewer's headings;
// a search over the names, the name field, undo and redo, "Compare with
// original", and a hex strip marking the bytes that changed. The result is
// kept in the library (as made from the original), in a file, or in a slot
// of the synthesizer. A thin skin over TPatchEdit: every change goes through
// it and every control shows what it holds. While "Audition" is on, every
// change is heard through the audition slot.

#include "app/main_context.h"
#include "edit/patch_edit.h"
#include "viewer/patch_view.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace zpm {

class TAuditionSession;
class TEditRow;
class TfrmHexView;
class THexView;

class TfrmPatchEditor : public QWidget {
  Q_OBJECT

public:
  explicit TfrmPatchEditor(TMainContext &context, QWidget *parent = nullptr);
  ~TfrmPatchEditor() override;

  // The viewer "Compare with original" shows the two patches in.
  void SetViewer(TfrmHexView *viewer) { m_viewer = viewer; }
  // The program ends with window: closing it first closes the editor, which
  // asks about its changes; kept, the program stays.
  void CloseWith(QWidget *window);

  // Opens the patch of view, after asking what becomes of the changes to
  // the patch open now; false when the user kept that one, or the patch
  // cannot be edited (the user is told why).
  bool Open(const PatchViewText &view);

  // The patch under edit; null before the first opening.
  const TPatchEdit *Edit() const { return m_edit.get(); }
  // The one-line status at the window's foot.
  void ShowStatus(const QString &text);
  QString StatusText() const;

  // The rows as built for the patch's kind, in map order.
  const std::vector<TEditRow *> &Rows() const { return m_rows; }
  THexView *HexStrip() { return m_hex; }
  const TAuditionSession &Audition() const { return *m_audition; }

public slots:
  void btnEditUndoClick();
  void btnEditRedoClick();
  void btnEditCompareClick();
  void btnEditSaveLibraryClick();
  void btnEditSaveFileClick();
  void btnEditSendClick();
  // Hearing the patch: every change goes to the audition slot while on.
  void btnEditAuditionClick(bool on);

signals:
  // Every change of the image under edit: an edit, an undo or redo, an
  // opening. Whatever follows the patch (the hex strip, an audition) hangs here.
  void currentImageChanged(const Bytes &image);

protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void BuildRows(PatchKind kind);
  void RowEdited(const EditField &field, int value, bool merge);
  void edEditNameDone();
  void edEditSearchChange();
  // After every change: the rows, the name, the hex strip, the buttons, the
  // caption, and the signal.
  void CurrentImageChanged();
  // Save, Discard or Cancel for unsaved changes; true when the window may
  // let the patch go.
  bool MayLetGo();
  bool SaveToLibrary();
  // The patch as it is now to the audition slot, when auditioning.
  void AuditionCurrent();
  // Stops auditioning, asking whether the slot's own patch goes back; with
  // wait, returns once the audition has let go of the synthesizer.
  void EndAudition(bool wait = false);
  QString PatchName() const;
  void ShowError(const QString &text);

  TMainContext &m_context;
  TfrmHexView *m_viewer = nullptr;
  QWidget *m_closeWith = nullptr;
  std::unique_ptr<TPatchEdit> m_edit;
  int m_bank = 0;
  PatchKind m_builtKind = PatchKind::Unknown;
  std::vector<TEditRow *> m_rows;
  std::vector<QLabel *> m_headings; // one per group, before its rows
  std::vector<size_t> m_headingOf;  // row -> its heading
  QLineEdit *edEditSearch;
  QLineEdit *edEditName;
  QPushButton *btnEditUndo;
  QPushButton *btnEditRedo;
  QPushButton *btnEditCompare;
  QPushButton *btnEditSaveLibrary;
  QPushButton *btnEditSaveFile;
  QPushButton *btnEditSend;
  QPushButton *btnEditAudition;
  TAuditionSession *m_audition;
  QScrollArea *m_scroll;
  QWidget *m_rowsPanel = nullptr;
  QVBoxLayout *m_rowsLayout = nullptr;
  THexView *m_hex;
  QLabel *lbEditStatus;
  QLabel *lbEditFound;
};

} // namespace zpm
