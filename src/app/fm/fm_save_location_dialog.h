// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Send FM Patch": where the get tab's "Send Selected" writes the selected
// fetched voice, drumset or ensemble. The SID page's dialog with the patch
// type on top and "New Position:" limited to the type's slots; created once,
// so the destination bank keeps the value of the previous use.

#include "app/sid/save_location_dialog.h"

class QLabel;

namespace zpm {

class TfrmFMSaveLocation : public TfrmSaveLocation {
  Q_OBJECT

public:
  explicit TfrmFMSaveLocation(QWidget *parent = nullptr);

  // Shows the patch of a list of listType; "New Position:" goes back to 1
  // with the type's highest position (128, 16 or 32) as its maximum.
  void ShowFmPatch(const TFMPatch &patch, uint8_t listType);

private:
  QLabel *m_patchType;
};

} // namespace zpm
