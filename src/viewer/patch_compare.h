// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two patch images side by side: their parameter rows paired in map order
// with the rows whose values differ marked, and the byte positions that
// differ. Used by the viewer's "Compare with..." and by `zpm diff`.

#include "patch/stream.h"
#include "viewer/parameter_map.h"

#include <string>
#include <vector>

namespace zpm {

struct TRowComparison {
  std::string label;
  std::string valueA; // Latin-1, empty when A has no such row
  std::string valueB;
  bool differs = false;
};

struct TPatchComparison {
  PatchKind kindA = PatchKind::Unknown;
  PatchKind kindB = PatchKind::Unknown;
  std::vector<TRowComparison> rows;
  // One flag per position of the longer image: the bytes differ, or only
  // one image has that position.
  std::vector<bool> differingBytes;
  // The 256 data bytes (name and parameters) or the kind differ; the
  // header's device ID, bank and number do not count, they say where a
  // patch is, not what it is.
  bool contentDiffers = false;
};

TPatchComparison ComparePatchImages(const Bytes &a, const Bytes &b);

// The rows that differ, in map order.
std::vector<TRowComparison> DifferingRows(const TPatchComparison &comparison);

} // namespace zpm
