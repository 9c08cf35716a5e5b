// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which port of a device list a run opens at start. A port is remembered
// by its index (the settings' Midi/Input and Midi/Output) and by its name;
// a name still in the list wins wherever it now stands, because other
// programs' ports come and go and shift the indexes. The built-in
// simulator is opened only in a run that asks for it.

#include <string>
#include <vector>

namespace zpm {

struct TDeviceChoice {
  // The index to open, -1: none.
  int index = -1;
  // The saved choice pointed at the simulator in a run without it: the
  // saved index and name are to be written back unchanged.
  bool simulatorHeldBack = false;
};

TDeviceChoice ChooseDevice(const std::vector<std::string> &names, int savedIndex,
                           const std::string &savedName, bool simulatorRun);

} // namespace zpm
