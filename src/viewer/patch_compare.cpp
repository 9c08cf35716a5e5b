// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/patch_compare.h"

#include "patch/patch.h"

#include <algorithm>

namespace zpm {

namespace {

size_t DataOffset(PatchKind kind) {
  return kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
}

bool SameContent(const Bytes &a, PatchKind kindA, const Bytes &b, PatchKind kindB) {
  if (kindA != kindB)
    return false;
  if (kindA == PatchKind::Unknown)
    return a == b;
  const size_t offset = DataOffset(kindA);
  return std::equal(a.begin() + offset, a.begin() + offset + kDataSize, b.begin() + offset);
}

} // namespace

TPatchComparison ComparePatchImages(const Bytes &a, const Bytes &b) {
  TPatchComparison result;
  result.kindA = RecognisePatchKind(a);
  result.kindB = RecognisePatchKind(b);
  const std::vector<ParameterRow> rowsA = ParameterRows(a);
  const std::vector<ParameterRow> rowsB = ParameterRows(b);
  const size_t rowCount = std::max(rowsA.size(), rowsB.size());
  for (size_t i = 0; i < rowCount; ++i) {
    TRowComparison row;
    const bool inA = i < rowsA.size();
    const bool inB = i < rowsB.size();
    row.label = inA ? rowsA[i].label : rowsB[i].label;
    if (inA)
      row.valueA = rowsA[i].value;
    if (inB)
      row.valueB = rowsB[i].value;
    // Rows of two different kinds are not the same parameter even when
    // their values happen to read alike.
    row.differs = !inA || !inB || rowsA[i].label != rowsB[i].label || row.valueA != row.valueB;
    result.rows.push_back(std::move(row));
  }
  const size_t size = std::max(a.size(), b.size());
  result.differingBytes.resize(size);
  for (size_t i = 0; i < size; ++i)
    result.differingBytes[i] = i >= a.size() || i >= b.size() || a[i] != b[i];
  result.contentDiffers = !SameContent(a, result.kindA, b, result.kindB);
  return result;
}

std::vector<TRowComparison> DifferingRows(const TPatchComparison &comparison) {
  std::vector<TRowComparison> rows;
  std::copy_if(comparison.rows.begin(), comparison.rows.end(), std::back_inserter(rows),
               [](const TRowComparison &row) { return row.differs; });
  return rows;
}

} // namespace zpm
