// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What keeping an explored candidate puts in the library: the candidate with
// its parents and how it was made, and, when its parents were themselves
// candidates of the rounds before, those too, back to the patches the
// exploration started from, so a kept sound can be traced all the way.

#include "explore/explore_round.h"
#include "library/library_types.h"

#include <cstddef>
#include <vector>

namespace zpm {

struct TKeptMaking {
  TPatchBytes made;
  std::vector<TPatchBytes> parents;
  TMaking making;
};

// A whole SID or FM dump image as the library identifies it.
TPatchBytes ExplorePatchBytes(const Bytes &image);

// The making of a candidate of a round made from seed.
TMaking CandidateMaking(const TExploreCandidate &candidate, int32_t seed);

// Candidate index of the last of rounds (oldest first) first, then each
// ancestor that was a candidate of an earlier round, each once.
std::vector<TKeptMaking> MakingsToKeep(const std::vector<TExploreRound> &rounds, size_t index);

} // namespace zpm
