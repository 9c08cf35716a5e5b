// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/explore/explore_open.h"

#include "app/explore/explore_window.h"
#include "app/main_window.h"
#include "app/viewer/viewer_opening.h"
#include "library/library_records.h"

#include <QAbstractItemView>
#include <QAction>

namespace zpm {

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
  auto *explore = new QAction(QStringLiteral("E&xplore..."));
  explore->setObjectName(QStringLiteral("actExplore"));
  QObject::connect(explore, &QAction::triggered, list,
                   [&context, chosen = std::move(chosen)] { OpenExplore(context, chosen()); });
  AddPatchListAction(list, explore);
}

} // namespace zpm
