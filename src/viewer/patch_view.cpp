// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/patch_view.h"

#include "patch/list_text.h"

#include <algorithm>
#include <cstdio>

namespace zpm {
namespace {

// The caption reads the first 16 data bytes as a name even for drumsets and
// ensembles, whose first bytes are parameters.
std::string NameUpToZero(const uint8_t name[kNameSize]) {
  std::string text;
  for (size_t i = 0; i < kNameSize && name[i] != 0; ++i)
    text.push_back(static_cast<char>(name[i]));
  return text;
}

PatchViewText View(Bytes image, const std::string &name, uint8_t number, uint8_t bank,
                   const std::string &shownName, uint8_t checksum,
                   const std::string &previousPatchType) {
  PatchViewText view;
  view.caption = "Patch Hex View - " + std::to_string(number + 1) + " - " + name;
  view.panels[0] = "Bank: " + BankLetter(bank);
  view.panels[1] = "Location: " + std::to_string(number + 1);
  view.panels[2] = "Name: " + shownName;
  view.panels[3] = "Checksum: " + std::to_string(static_cast<unsigned>(checksum));
  const PatchKind kind = RecognisePatchKind(image);
  view.panels[4] = kind == PatchKind::Unknown ? previousPatchType : PatchTypeText(kind);
  view.rows = ParameterRows(image);
  view.image = std::move(image);
  view.bank = bank;
  return view;
}

} // namespace

PatchViewText InitialPatchView() {
  PatchViewText view;
  view.caption = kPatchViewerCaption;
  view.panels = {"Bank:", "Location:", "Name:", "Checksum:", kInitialPatchTypePanel};
  return view;
}

PatchViewText ViewSidPatch(const TPatch &patch, const std::string &previousPatchType) {
  uint8_t name[kNameSize];
  patch.GetName(name);
  const std::string text = NameUpToZero(name);
  return View(Bytes(patch.Dump.begin(), patch.Dump.end()), text, patch.PatchNumber(), patch.Bank,
              text, patch.Checksum(), previousPatchType);
}

PatchViewText ViewFmPatch(const TFMPatch &patch, const std::string &previousPatchType) {
  uint8_t name[kNameSize];
  patch.GetName(name);
  const std::string text = NameUpToZero(name);
  const bool named = patch.PatchType() != kFmDrumset && patch.PatchType() != kFmEnsemble;
  return View(Bytes(patch.Dump.begin(), patch.Dump.end()), text, patch.PatchNumber(), patch.Bank(),
              named ? text : "---", patch.Checksum(), previousPatchType);
}

PatchViewText ViewPatchImage(const Bytes &image, int bank, const std::string &previousPatchType) {
  if (image.size() == kSidDumpSize) {
    TPatch patch;
    std::copy(image.begin(), image.end(), patch.Dump.begin());
    patch.Bank = static_cast<uint8_t>(bank);
    return ViewSidPatch(patch, previousPatchType);
  }
  if (image.size() == kFmDumpSize) {
    TFMPatch patch;
    std::copy(image.begin(), image.end(), patch.Dump.begin());
    return ViewFmPatch(patch, previousPatchType);
  }
  PatchViewText view = InitialPatchView();
  view.image = image;
  view.bank = bank;
  return view;
}

std::string HexPositionText(size_t position) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04zX", position);
  return text;
}

std::string HexOffsetHint(size_t position) {
  return "Offset: " + HexPositionText(position);
}

} // namespace zpm
