// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/send_report.h"

#include "midi/midi_link.h"
#include "patch/error.h"

namespace zpm {

const char *const kConnectionLost = "the connection was lost";

bool TSendReport::AllDone() const {
  if (!backupProblem.empty() || !lostReason.empty())
    return false;
  return std::all_of(items.begin(), items.end(),
                     [this](const TSendItem &item) { return SlotDone(item); });
}

bool TSendReport::SlotDone(const TSendItem &item) const {
  return item.result == TSendResult::Verified || (item.result == TSendResult::Written && !verified);
}

std::vector<int> TSendReport::FailedRows() const {
  std::vector<int> rows;
  for (const TSendItem &item : items)
    if (item.result == TSendResult::Differs || item.result == TSendResult::Unverified ||
        item.result == TSendResult::Unknown)
      rows.push_back(item.row);
  return rows;
}

void CheckSendDevicesOpen(const TMidiLink &link) {
  if (link.OutputDeviceIndex == -1)
    throw ZpmError("Midi output device not open.");
  if (link.InputDeviceIndex == -1)
    throw ZpmError("Midi input device not open.");
}

std::string UnsendableText(bool cutShort, bool sendsWhole) {
  if (cutShort)
    return " is cut short in its file and cannot be sent whole, so nothing was sent. Load a "
           "whole copy of the file.";
  if (!sendsWhole)
    return " holds a byte of 80h or above and cannot be sent whole, so nothing was sent. "
           "Correct the patch in its file and load the file again.";
  return {};
}

} // namespace zpm
