// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The History tab's "Compare": a bank of the synthesizer as two snapshots
// left it, or as one left it and as it is now, slot by slot. The slots that
// differ are listed, then those only one side recorded, which are not
// counted as differing; Enter or a double click on one opens the patch
// viewer with the two patches side by side.

#include "library/library.h"
#include "library/library_files.h"
#include "viewer/slot_compare.h"

#include <QDialog>
#include <QString>

#include <map>
#include <vector>

class QLabel;
class QTableWidget;

namespace zpm {

class TMainContext;
class TfrmHexView;

// One side of a comparison: the patches at their slots of one bank.
struct TBankSide {
  QString title;
  std::vector<TPlacedPatch> placed;
};

// The bank as the library knew it at time; a slot never seen is left out.
std::vector<TPlacedPatch> BankPlacedAt(TLibrary &library, TKind kind, int bank, int64_t time);

// The bank fetched from the synthesizer now, as the pages' bank fetches do
// but into none of their lists; kept in the library as a fetch. Empty, with
// error saying why, when nothing came.
std::vector<TPlacedPatch> FetchBankNow(TMainContext &context, TKind kind, int bank, QString &error);

// The slots both sides recorded that hold other patches.
std::vector<TSlotComparison> DifferingSlots(const TBankSide &a, const TBankSide &b);
// The slots only one side recorded: not compared, shown as "not recorded"
// on the other.
std::vector<TSlotComparison> UnrecordedSlots(const TBankSide &a, const TBankSide &b);

class TfrmSlotCompare : public QDialog {
  Q_OBJECT
public:
  TfrmSlotCompare(TBankSide a, TBankSide b, TfrmHexView *viewer, QWidget *parent = nullptr);

  QTableWidget *List() { return lvSlotCompare; }
  const std::vector<TSlotComparison> &Differing() const { return m_differing; }
  QString Summary() const;

public slots:
  // The viewer on the row's slot: A shown, B beside it.
  void OpenSlot(int row);

private:
  const TPlacedPatch *Find(const TBankSide &side, int number) const;

  TBankSide m_a, m_b;
  TfrmHexView *m_viewer;
  std::vector<TSlotComparison> m_differing;
  std::vector<TSlotComparison> m_listed; // the differing, then the unrecorded
  QLabel *lbSlotCompare;
  QTableWidget *lvSlotCompare;
};

} // namespace zpm
