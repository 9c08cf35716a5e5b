// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two patch sources compared slot by slot, for "what changed on my synth
// since my last backup?". A slot is where a patch lives: its kind, bank and
// number. A source that holds one slot twice counts its last patch there, as
// the synthesizer would after receiving both.

#include "patch/patch.h"
#include "viewer/patch_compare.h"

#include <optional>
#include <string>
#include <vector>

namespace zpm {

struct TSlotPatch {
  PatchKind kind = PatchKind::Unknown;
  int bank = 0;   // 0..7
  int number = 0; // 0-based
  Bytes image;    // the whole dump
};

TSlotPatch SlotOf(const TPatch &patch);
TSlotPatch SlotOf(const TFMPatch &patch);

enum class TSlotState { Same, Differs, OnlyA, OnlyB };

struct TSlotComparison {
  PatchKind kind = PatchKind::Unknown;
  int bank = 0;
  int number = 0;
  TSlotState state = TSlotState::Same;
  std::optional<std::string>
      nameA; // Latin-1; none without a patch or for FM drumsets and ensembles
  std::optional<std::string> nameB;
  std::vector<TRowComparison> rows; // the rows whose values differ
};

// Every slot of either source, ordered by kind, bank and number.
std::vector<TSlotComparison> CompareSlots(const std::vector<TSlotPatch> &a,
                                          const std::vector<TSlotPatch> &b);

// "A:17": the bank letter and the number as the lists count it.
std::string SlotText(const TSlotComparison &slot);
// "sid", "voice", "drumset", "ensemble".
std::string SlotTypeText(PatchKind kind);
// "same", "differs", "only a", "only b".
std::string SlotStateText(TSlotState state);

} // namespace zpm
