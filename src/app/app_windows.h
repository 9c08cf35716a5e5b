// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's windows, created once at start in their fixed order and
// reused for the whole run: the main window first (it reads the settings
// and opens the devices), then the log, the wait dialog, the SID save
// location dialog and the progress dialog, all owned by the main window.

#include "app/main_window.h"

#include <memory>

namespace zpm {

class TfrmHexView;
class TfrmPatchEditor;
class TfrmLog;
class TfrmSaveLocation;
class TfrmWaitSysEx;
class TfrmWorking;
class TWindowHost;

struct TAppWindows {
  explicit TAppWindows(const TMainOptions &options = TMainOptions{});

  std::unique_ptr<TfrmMain> main;
  TfrmLog *log;
  TfrmWaitSysEx *wait;
  TfrmSaveLocation *saveLocation;
  TfrmWorking *working;
  TWindowHost &host;
  // The patch viewer, opened by a right click on the patch lists.
  TfrmHexView *hexView;
  // The patch editor, opened by "&Edit" in the viewer and the lists' menus.
  TfrmPatchEditor *editor;
};

} // namespace zpm
