// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user banks beside the library list: a bank of one kind with its
// numbered slots. Patches go in by dragging them from the list or from the
// SID and FM pages' lists, or with "Add to bank" into the first empty slots;
// Delete empties slots; dragging a slot or Ctrl+Up/Down moves it, swapping
// with the patch it lands on; Enter opens the viewer. A bank is saved as a
// file or sent to a bank of the synthesizer.

#include "app/main_context.h"
#include "app/sid/sid_list_widget.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QListWidget>
#include <QWidget>

#include <functional>

class QComboBox;
class QMimeData;
class QUndoStack;
class QPushButton;

namespace zpm {

// The slots, taking library patches dropped from the list and moving their
// own slots.
class TUserBankSlots : public QListWidget {
  Q_OBJECT
public:
  explicit TUserBankSlots(QWidget *parent = nullptr);

  // The slots a drag would fill, shown while it is over the list: the first
  // and how many; none (0, 0) when no drag is over it.
  std::pair<int, int> Landing() const { return m_landing; }
  // Whether dragged data may land here: patches of the bank's kind, or its
  // own slots. Asked once as a drag enters.
  std::function<bool(const QMimeData *)> fits;

signals:
  // Library patches dropped on a slot (-1: below the last).
  void patchesDropped(QList<qint64> ids, int slot);
  // Patches dragged from the SID or FM page dropped on a slot (-1: below the last).
  void dumpsDropped(const TDraggedDumps &dumps, int slot);
  // Slots dragged to another slot.
  void slotsMoved(QList<int> from, int to);
  void deletePressed();
  // Ctrl+Up (-1) or Ctrl+Down (+1) on the selected slots.
  void moveKeyPressed(int by);
  void openPressed(int slot);

protected:
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dragLeaveEvent(QDragLeaveEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  QStringList mimeTypes() const override;

private:
  bool Accepts(const QDropEvent *event) const;
  void ShowLanding(int first, int count);

  std::pair<int, int> m_landing{0, 0};
  bool m_dragFits = false;
};

// The slots after moving the patches of `from` so the first lands on `to`,
// each keeping its distance: a slot landed on that was not moved gives its
// patch to a slot left behind. Nothing else moves. Empty when a moved patch
// would land outside the bank.
std::vector<int64_t> MovedSlots(const std::vector<int64_t> &before, std::vector<int> from, int to);

class TUserBankPanel : public QWidget {
  Q_OBJECT
public:
  // selected: the library patches the list has selected, in list order.
  // open: shows a library patch in the viewer.
  TUserBankPanel(TMainContext &context, std::function<std::vector<int64_t>()> selected,
                 std::function<void(int64_t)> open, QWidget *parent = nullptr);

  // Reads the banks again, keeping the one shown.
  void Reload();
  // The bank shown, 0 for none.
  int64_t CurrentBank() const;
  // Puts the patches into the bank from slot on, into empty slots only when
  // firstEmpty; tells of what did not fit or is of another kind.
  void AddPatches(const std::vector<int64_t> &ids, int slot, bool firstEmpty);
  // Patches dragged from a page: kept in the library (as seen in their file
  // when they came from one) and put at slot on; another kind is refused
  // in the status line.
  void AddDumps(const TDraggedDumps &dumps, int slot);
  // The send dialog's "Back up destination first" and "Verify after
  // sending", as the user left them.
  void SetSendChecks(bool backup, bool verify);
  // Where slot changes go to be taken back.
  void SetUndoStack(QUndoStack *undo) { m_undo = undo; }
  bool BackupChecked() const { return m_backup; }
  bool VerifyChecked() const { return m_verify; }

public slots:
  void btnNewBankClick();
  void btnRenameBankClick();
  void btnDeleteBankClick();
  void btnAddToBankClick();
  void btnSaveBankClick();
  void btnSendBankClick();
  void EmptySelectedSlots();
  void MoveSlots(const QList<int> &from, int to);
  void MoveSelectedBy(int by);

private:
  void ShowSlots();
  std::vector<TPlacedPatch> Placed();
  void ShowError(const QString &text);
  bool Fits(const QMimeData *data);
  // A change of the shown bank's slots from before to what they hold now,
  // for Ctrl+Z.
  void Remember(const QString &text, const std::vector<int64_t> &before);
  // Writes the bank's slots as given and shows that bank.
  void ApplySlots(int64_t bank, const std::vector<int64_t> &wanted);
  // The bank shown as the library holds it; id 0 for none.
  TUserBank ShownBank();
  // Reads the banks again and shows the one given.
  void ShowBank(int64_t bank);
  // Deletes the bank, keeping its slots for Ctrl+Z to put back; false when
  // it could not.
  bool RemoveBank(const TUserBank &bank, std::vector<int64_t> &kept);
  void PutBackBank(const TUserBank &bank, const std::vector<int64_t> &kept);
  void RenameBank(int64_t bank, const std::string &name);
  // The slot's patch name as the list shows it.
  QString SlotName(size_t slot);
  // The synthesizer bank every filled slot's patch was last seen at, at the
  // same number; -1 when there is none.
  int OriginBank();

  TMainContext &m_context;
  std::function<std::vector<int64_t>()> m_selected;
  std::function<void(int64_t)> m_open;
  QComboBox *cbxUserBank;
  TUserBankSlots *lvUserBank;
  QPushButton *btnNewBank;
  QPushButton *btnRenameBank;
  QPushButton *btnDeleteBank;
  QPushButton *btnAddToBank;
  QPushButton *btnSaveBank;
  QPushButton *btnSendBank;
  std::vector<int64_t> m_slots; // the bank's slots, 0 for empty
  TKind m_kind = TKind::Sid;
  QUndoStack *m_undo = nullptr;
  bool m_backup = true;
  bool m_verify = true;
};

// "SID", "FM voices", ...: a user bank's kind as the bank lists show it.
QString KindBankText(TKind kind);
// Asks for a new bank's name and kind; false when the user cancelled.
bool AskNewBank(QWidget *parent, QString &name, TKind &kind);
// Asks for the synthesizer bank to send to, 0..7, none chosen unless
// proposed is one, and whether to back up first and verify after; false
// when cancelled.
bool AskDestinationBank(QWidget *parent, const QString &what, int proposed, int &bank, bool &backup,
                        bool &verify);

} // namespace zpm
