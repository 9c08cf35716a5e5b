// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the patch viewer for one patch: caption, the five status-bar
// panels and the parameter rows, plus the hex view's position texts.

#include "patch/patch.h"
#include "viewer/parameter_map.h"

#include <array>
#include <string>
#include <vector>

namespace zpm {

// What a fresh viewer window shows before its first opening.
inline const char *const kPatchViewerCaption = "Patch Viewer";
inline const char *const kInitialPatchTypePanel = "Patchtype:";

struct PatchViewText {
  Bytes image;  // what the hex view shows
  int bank = 0; // the bank it was shown from, 0..7; a SID dump does not hold it
  std::string caption;
  std::array<std::string, 5> panels;
  std::vector<ParameterRow> rows;
};

// Caption "Patch Viewer", panels "Bank:", "Location:", "Name:", "Checksum:",
// "Patchtype:", no rows.
PatchViewText InitialPatchView();

// The viewer opened on a patch. Panel 4 and the rows follow what the image
// says it is; an image not recognised keeps the panel-4 text the window shows
// now (previousPatchType) and has no rows. All texts are Latin-1.
PatchViewText ViewSidPatch(const TPatch &patch,
                           const std::string &previousPatchType = kInitialPatchTypePanel);
PatchViewText ViewFmPatch(const TFMPatch &patch,
                          const std::string &previousPatchType = kInitialPatchTypePanel);

// A dump image as ViewSidPatch or ViewFmPatch shows it: a SID patch at bank
// (its dump holds none), an FM patch at the bank its dump names. An image of
// neither size keeps only its bytes and the bank.
PatchViewText ViewPatchImage(const Bytes &image, int bank,
                             const std::string &previousPatchType = kInitialPatchTypePanel);

// A byte position as the hex view's position column shows it: "0x" and four
// upper-case hex digits ("0x001A"); larger positions take more digits.
std::string HexPositionText(size_t position);
// The hex view's hint for the cursor's byte: "Offset: 0x001A".
std::string HexOffsetHint(size_t position);

} // namespace zpm
