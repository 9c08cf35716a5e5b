// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_windows.h"

#include "app/edit/patch_editor.h"
#include "app/explore/explore_open.h"
#include "app/fm/fm_page.h"
#include "app/library/library_page.h"
#include "app/log_window.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/sid_send_panel.h"
#include "app/viewer/compare_picker.h"
#include "app/viewer/hex_view_form.h"
#include "app/viewer/viewer_opening.h"
#include "app/wait_dialog.h"
#include "app/window_host.h"
#include "app/working_dialog.h"

#include <QAbstractItemView>

namespace zpm {

namespace {

TfrmMain &Attached(TfrmMain &main, TfrmLog *log, TfrmWaitSysEx *wait, TfrmWorking *working) {
  main.AttachWindows(log, wait, working);
  return main;
}

// "E&xplore..." in the context menu of every SID and FM list.
template <typename Bank> void AttachListExplore(TfrmMain &main, TSidPatchList *list, Bank &bank) {
  if (!list)
    return;
  AttachExploreMenu(list, main, [list, &bank] {
    std::vector<Bytes> images;
    for (int row : list->SelectedItems())
      if (row < bank.Count())
        images.emplace_back(bank.GetPatch(row).Dump.begin(), bank.GetPatch(row).Dump.end());
    return images;
  });
}

void AttachExploreMenus(TfrmMain &main) {
  AttachListExplore(main, main.findChild<TSidPatchList *>("lvSysExPatchList"), main.SidGetBank());
  AttachListExplore(main, main.findChild<TSidPatchList *>("lvFilePatchList"), main.SidFileBank());
  if (auto *fm = main.findChild<TFmPage *>())
    for (TFmListId id : {TFmListId::VoicesGet, TFmListId::DrumsGet, TFmListId::EnsemblesGet,
                         TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend})
      AttachListExplore(main, &fm->List(id), fm->Bank(id));
}

} // namespace

TAppWindows::TAppWindows(const TMainOptions &options)
    : main(std::make_unique<TfrmMain>(options)), log(new TfrmLog(main->Log(), main.get())),
      wait(new TfrmWaitSysEx(main->Bridge(), main.get())),
      saveLocation(new TfrmSaveLocation(main.get())), working(new TfrmWorking(main.get())),
      host(*Attached(*main, log, wait, working).WindowHost()), hexView(new TfrmHexView(main.get())),
      editor(new TfrmPatchEditor(*main, main.get())) {
  if (auto *panel = main->findChild<TSidSendPanel *>())
    panel->SetSaveLocation(saveLocation);
  AttachPatchViewer(main->findChild<QAbstractItemView *>("lvSysExPatchList"), *hexView,
                    main->SidGetBank());
  AttachPatchViewer(main->findChild<QAbstractItemView *>("lvFilePatchList"), *hexView,
                    main->SidFileBank());
  if (auto *fm = main->findChild<TFmPage *>())
    for (TFmListId id : {TFmListId::VoicesGet, TFmListId::DrumsGet, TFmListId::EnsemblesGet,
                         TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend})
      AttachPatchViewer(&fm->List(id), *hexView, fm->Bank(id));
  if (auto *library = main->findChild<TLibraryPage *>())
    library->SetViewer(hexView);
  editor->SetViewer(hexView);
  editor->CloseWith(main.get());
  hexView->editor = [editor = editor](const PatchViewText &view) { editor->Open(view); };
  AttachExploreMenus(*main);
  auto *pick = new TfrmComparePick(*main, hexView);
  hexView->compareChooser = [pick](TCompareChoice &choice) { return pick->Choose(choice); };
}

} // namespace zpm
