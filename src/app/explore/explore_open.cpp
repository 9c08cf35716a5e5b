// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/explore/explore_open.h"

#include "app/explore/explore_window.h"
#include "app/main_window.h"
#include "library/library_records.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMenu>

namespace zpm {

namespace {

// Watches the list and its viewport for a context menu asked from the keyboard.
class TExploreMenu : public QObject {
public:
  TExploreMenu(QAbstractItemView *list, TMainContext &context,
               std::function<std::vector<Bytes>()> chosen)
      : QObject(list), m_list(list), m_context(context), m_chosen(std::move(chosen)) {
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::ContextMenu)
      return QObject::eventFilter(watched, event);
    auto *asked = static_cast<QContextMenuEvent *>(event);
    if (asked->reason() == QContextMenuEvent::Mouse)
      return true; // the right button belongs to the viewer
    QMenu menu(m_list);
    menu.setObjectName(QStringLiteral("mnuPatchList"));
    QAction *explore = menu.addAction(QStringLiteral("E&xplore..."));
    explore->setObjectName(QStringLiteral("actExplore"));
    const QRect current = m_list->visualRect(m_list->currentIndex());
    const QPoint at = current.isValid() ? current.center() : QPoint(0, 0);
    if (menu.exec(m_list->viewport()->mapToGlobal(at)) == explore)
      OpenExplore(m_context, m_chosen());
    return true;
  }

private:
  QAbstractItemView *m_list;
  TMainContext &m_context;
  std::function<std::vector<Bytes>()> m_chosen;
};

} // namespace

TfrmExplore *ExploreWindow(TMainContext &context) {
  QWidget *main = context.MainWindow();
  return main ? main->findChild<TfrmExplore *>(QStringLiteral("frmExplore"),
                                               Qt::FindDirectChildrenOnly)
              : nullptr;
}

void OpenExplore(TMainContext &context, const std::vector<Bytes> &patches) {
  TfrmExplore *window = ExploreWindow(context);
  if (!window) {
    auto *main = qobject_cast<TfrmMain *>(context.MainWindow());
    window =
        new TfrmExplore(context, main ? main->SettingsPath() : QString(), context.MainWindow());
  }
  if (!window->Begin(patches))
    return;
  if (window->isMinimized())
    window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

Bytes ExploreImageOf(const TPatchBytes &patch) {
  TPlacedPatch placed;
  placed.patch = patch;
  if (patch.kind == TKind::Sid) {
    const TPatch sid = SidBankOf({placed}, 0).GetPatch(0);
    return Bytes(sid.Dump.begin(), sid.Dump.end());
  }
  const TFmBanks banks = FmBanksOf({placed}, 0);
  const TFMPatchBank &bank = patch.kind == TKind::FmVoice     ? banks.voices
                             : patch.kind == TKind::FmDrumset ? banks.drums
                                                              : banks.ensembles;
  const TFMPatch fm = bank.GetPatch(0);
  return Bytes(fm.Dump.begin(), fm.Dump.end());
}

void AttachExploreMenu(QAbstractItemView *list, TMainContext &context,
                       std::function<std::vector<Bytes>()> chosen) {
  new TExploreMenu(list, context, std::move(chosen));
}

} // namespace zpm
