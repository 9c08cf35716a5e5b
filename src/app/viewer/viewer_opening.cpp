// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewer/viewer_opening.h"

#include "app/viewer/hex_view_form.h"

#include <QAbstractItemView>
#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>

namespace zpm {

namespace {

const char *const kPatchListAction = "zpmPatchListAction";

// Watches the list's viewport for the right button; the left button stays
// with the list's own handlers.
class TRightButtonOpener : public QObject {
public:
  TRightButtonOpener(QAbstractItemView *list, TfrmHexView &viewer, std::function<int()> count,
                     TPatchViewOf view)
      : QObject(list), m_list(list), m_viewer(viewer), m_count(std::move(count)),
        m_view(std::move(view)) {
    list->viewport()->installEventFilter(this);
    list->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::ContextMenu)
      return ContextMenu(static_cast<QContextMenuEvent *>(event));
    if (event->type() != QEvent::MouseButtonPress)
      return QObject::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::RightButton)
      return QObject::eventFilter(watched, event);
    const QModelIndex index = m_list->indexAt(mouse->position().toPoint());
    if (index.isValid() && index.row() < m_count())
      m_viewer.Open(m_view(index.row(), m_viewer.PatchTypePanel()));
    return QObject::eventFilter(watched, event);
  }

private:
  // The menu key (or Shift+F10) on a row: "&View" and "&Edit". The right
  // button's press has already opened the viewer, so its menu is not shown.
  bool ContextMenu(QContextMenuEvent *event) {
    const QModelIndex index = m_list->currentIndex();
    if (event->reason() == QContextMenuEvent::Mouse || !index.isValid() || index.row() >= m_count())
      return true;
    QMenu menu(m_list);
    menu.setObjectName(QStringLiteral("mnuPatchList"));
    QAction *view = menu.addAction(QStringLiteral("&View"));
    QAction *edit = menu.addAction(QStringLiteral("&Edit"));
    edit->setEnabled(static_cast<bool>(m_viewer.editor));
    AddPatchListActions(menu, m_list);
    const QRect row = m_list->visualRect(index);
    QAction *chosen = menu.exec(m_list->viewport()->mapToGlobal(row.bottomLeft()));
    if (chosen == view)
      m_viewer.Open(m_view(index.row(), m_viewer.PatchTypePanel()));
    else if (chosen == edit)
      m_viewer.EditPatch(m_view(index.row(), m_viewer.PatchTypePanel()));
    return true;
  }

  QAbstractItemView *m_list;
  TfrmHexView &m_viewer;
  std::function<int()> m_count;
  TPatchViewOf m_view;
};

} // namespace

void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, std::function<int()> count,
                       TPatchViewOf view) {
  new TRightButtonOpener(list, viewer, std::move(count), std::move(view));
}

void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, const TPatchBank &bank) {
  AttachPatchViewer(
      list, viewer, [&bank] { return bank.Count(); },
      [&bank](int item, const std::string &type) {
        return ViewSidPatch(bank.GetPatch(item), type);
      });
}

void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, const TFMPatchBank &bank) {
  AttachPatchViewer(
      list, viewer, [&bank] { return bank.Count(); },
      [&bank](int item, const std::string &type) {
        return ViewFmPatch(bank.GetPatch(item), type);
      });
}

void AddPatchListAction(QAbstractItemView *list, QAction *action) {
  action->setParent(list);
  action->setProperty(kPatchListAction, true);
}

void AddPatchListActions(QMenu &menu, QAbstractItemView *list) {
  for (QAction *action : list->findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly))
    if (action->property(kPatchListAction).toBool())
      menu.addAction(action);
}

void OpenPatchViewer(TfrmHexView &viewer, const TPatch &patch) {
  viewer.Open(ViewSidPatch(patch, viewer.PatchTypePanel()));
}

void OpenPatchViewer(TfrmHexView &viewer, const TFMPatch &patch) {
  viewer.Open(ViewFmPatch(patch, viewer.PatchTypePanel()));
}

} // namespace zpm
