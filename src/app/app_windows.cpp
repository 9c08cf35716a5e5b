#include "app/app_windows.h"

#include "app/log_window.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_send_panel.h"
#include "app/wait_dialog.h"
#include "app/window_host.h"
#include "app/working_dialog.h"

namespace zpm {

namespace {

TfrmMain &Attached(TfrmMain &main, TfrmLog *log, TfrmWaitSysEx *wait, TfrmWorking *working) {
  main.AttachWindows(log, wait, working);
  return main;
}

} // namespace

TAppWindows::TAppWindows(const TMainOptions &options)
    : main(std::make_unique<TfrmMain>(options)), log(new TfrmLog(main->Log(), main.get())),
      wait(new TfrmWaitSysEx(main->Bridge(), main.get())),
      saveLocation(new TfrmSaveLocation(main.get())), working(new TfrmWorking(main.get())),
      host(*Attached(*main, log, wait, working).WindowHost()) {
  if (auto *panel = main->findChild<TSidSendPanel *>())
    panel->SetSaveLocation(saveLocation);
}

} // namespace zpm
