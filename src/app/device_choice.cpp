// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/device_choice.h"

#include "sim/sim_port.h"

namespace zpm {

TDeviceChoice ChooseDevice(const std::vector<std::string> &names, int savedIndex,
                           const std::string &savedName, bool simulatorRun) {
  TDeviceChoice choice;
  const int count = static_cast<int>(names.size());
  if (simulatorRun) {
    for (int i = count; i-- > 0;)
      if (names[static_cast<size_t>(i)] == TSimPort::kPortName)
        return {i, false};
    return choice;
  }
  int index = savedIndex >= 0 && savedIndex < count ? savedIndex : -1;
  if (!savedName.empty())
    for (int i = 0; i < count; ++i)
      if (names[static_cast<size_t>(i)] == savedName) {
        index = i;
        break;
      }
  if (index >= 0 && names[static_cast<size_t>(index)] == TSimPort::kPortName) {
    choice.simulatorHeldBack = true;
    return choice;
  }
  choice.index = index;
  return choice;
}

} // namespace zpm
