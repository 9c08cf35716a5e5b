// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The second patch of "Compare with...": any patch of the program's eight
// lists, or of a .syx file the user opens. Each entry keeps a copy of its
// dump, so nothing chosen here can change a patch.

#include "app/main_context.h"
#include "app/viewer/hex_view_form.h"

#include <QDialog>

#include <vector>

class QListWidget;

namespace zpm {

class TfrmComparePick : public QDialog {
  Q_OBJECT

public:
  explicit TfrmComparePick(TMainContext &context, QWidget *parent = nullptr);

  // Fills the list from the program's lists, then lets the user choose.
  bool Choose(TCompareChoice &choice);

  QListWidget *List() { return m_list; }
  // "From &file...": the patches of a file the open dialog gives, first in the list.
  void btnFromFileClick();

private:
  void Add(const QString &source, const Bytes &image, int sidBank);
  void AddBanks();

  TMainContext &m_context;
  QListWidget *m_list;
  std::vector<TCompareChoice> m_choices;
};

} // namespace zpm
