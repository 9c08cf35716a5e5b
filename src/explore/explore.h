// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exploring sounds: variations of one patch and crossings of two to four,
// drawn from the program's own seeded generator, so the same patches, options
// and seed always give the same bytes on every machine. Every parameter is
// one of the editor's fields; a locked field, and one the range grid pins
// (its "Min" equal to its "Max"), is never changed. Every candidate keeps its
// checksum right and every data byte below 80h, so it can be sent as it is.

#include "patch/error.h"
#include "patch/stream.h"
#include "random/range_grid.h"
#include "viewer/parameter_map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// Patches that cannot be explored: not a whole SID or FM patch, a byte the
// synthesizer cannot take, an option out of its range, an unknown lock.
class TExploreError : public ZpmError {
public:
  using ZpmError::ZpmError;
};

// Patches that may not be crossed with each other: of different kinds, or
// FM voices of different algorithms.
class TExploreMismatch : public TExploreError {
public:
  using TExploreError::TExploreError;
};

enum class TExploreNaming {
  Numbered, // the parent's name (or baseName) with the candidate's number after it
  Kept,     // the parent's name as it is
};

constexpr int kExploreAmountMin = 0;
constexpr int kExploreAmountMax = 100;

struct TExploreOptions {
  int32_t seed = 0;
  int amount = 50;                // vary: how far, 0..100 (percent)
  bool beyond = false;            // cross: a number may land a little past its parents' values
  bool mixAlgorithms = false;     // cross: FM voices of different algorithms too
  std::vector<std::string> locks; // fields never changed, by label as typed ("cutoff")
  // The ranges: numbers move within a row's "Min".."Max", both ends
  // reachable (unlike a random draw, which stops below "Max"); a row with the
  // two equal is fixed. Null: the default grid of the patch's synthesizer.
  // Drumsets and ensembles have no grid; their fields' own ranges hold.
  const RangeGrid *grid = nullptr;
  TExploreNaming naming = TExploreNaming::Numbered;
  std::string baseName; // Numbered: instead of the parent's name
  int firstNumber = 1;  // Numbered: the number of the first candidate
};

// count variations of parent, a whole SID or FM dump image: each number
// field moves a random distance of up to amount percent of its range either
// way, each choice and on/off field changes with amount percent
// probability. A value outside its grid row (set by hand) widens that row's
// range to it rather than being pulled in, so no move jumps and amount 0
// gives the parent's sound. The candidates carry the parent's header
// (device, bank, number).
std::vector<Bytes> VaryPatch(const Bytes &parent, int count, const TExploreOptions &options);

// count crossings of 2 to 4 parents of one kind: each field is taken from
// one parent, or a number field from a point between the parents' values
// (with beyond, up to a quarter of their spread past them). A locked or
// fixed field, and every byte no field covers, keeps the first parent's
// value; choices are never mixed. Equal parents give the parent's sound.
// TExploreMismatch for parents of different kinds or algorithms.
std::vector<Bytes> CrossPatches(const std::vector<Bytes> &parents, int count,
                                const TExploreOptions &options);

// Why these patches cannot be crossed, naming each by names[i]; empty when
// they can.
std::string CrossRefusal(const std::vector<Bytes> &parents, bool mixAlgorithms,
                         const std::vector<std::string> &names);

// The kind of a patch that can be explored: TExploreError when the image is
// not a whole SID or FM patch, or holds a data byte the synthesizer cannot
// take; what names it in the message ("row 3").
PatchKind ExploredKind(const Bytes &image, const std::string &what);

} // namespace zpm
