// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TfrmHexView, the patch viewer: one patch at a time as a read-only hex dump
// and as a list of its parameters, with "Compare with..." to set a second
// patch beside it. Created once at start and reused; it only ever holds a
// copy of the bytes it shows, so nothing done in it can change a patch.

#include "patch/stream.h"
#include "viewer/patch_view.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTabWidget;

namespace zpm {

class THexView;

// The second patch of a comparison and what to call it.
struct TCompareChoice {
  Bytes image;
  QString title;
};

class TfrmHexView : public QDialog {
  Q_OBJECT

public:
  enum Tab { HexTab = 0, ParameterTab = 1 };

  explicit TfrmHexView(QWidget *parent = nullptr);

  // Steps 1 to 3 of an opening and FormShow: the hex content, the caption,
  // the panels and the rows are replaced; panel 4 only for a known kind.
  void Load(const PatchViewText &view);
  // The opening itself: Load, then modal until closed.
  void Open(const PatchViewText &view);

  // What panel 4 reads now; an opening of an unknown image keeps it.
  std::string PatchTypePanel() const;
  QString PanelText(int panel) const;

  // "Compare with..." asks this for the second patch; false: the user
  // changed their mind.
  std::function<bool(TCompareChoice &choice)> compareChooser;
  // Sets other beside the shown patch: a value column for it in the list,
  // the differing rows and bytes marked.
  void CompareWith(const TCompareChoice &other);
  bool Comparing() const { return m_comparing; }
  // Rows of lv marked as differing, in list order.
  std::vector<int> MarkedRows() const;

  // "&Edit" hands the shown patch to this and closes the viewer; without
  // it, or while SetEditable(false), the button is hidden.
  std::function<void(const PatchViewText &view)> editor;
  void SetEditable(bool editable);
  // Opens the editor on view, as "&Edit" does, with the viewer not shown.
  void EditPatch(const PatchViewText &view);

  THexView *HexView() { return m_hexView; }
  QTableWidget *List() { return lv; }
  QTabWidget *Tabs() { return m_tabs; }
  QPushButton *CompareButton() { return m_compare; }
  QPushButton *EditButton() { return m_edit; }

public slots:
  void btnCompareClick();
  void btnEditClick();

private:
  void FormShow();
  void ShowRows(const std::vector<ParameterRow> &rows);
  void EndCompare();

  THexView *m_hexView;
  QTableWidget *lv;
  QTabWidget *m_tabs;
  QStatusBar *m_statusBar;
  QPushButton *m_compare;
  QPushButton *m_edit;
  PatchViewText m_view;
  bool m_editable = true;
  std::array<QLabel *, 5> m_panels{};
  Bytes m_image;
  bool m_comparing = false;
};

} // namespace zpm
