// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore_keep.h"

#include "patch/patch.h"
#include "viewer/parameter_map.h"

#include <algorithm>
#include <cstddef>

namespace zpm {

namespace {

TKind KindOf(PatchKind kind) {
  switch (kind) {
  case PatchKind::FmVoice:
    return TKind::FmVoice;
  case PatchKind::FmDrumset:
    return TKind::FmDrumset;
  case PatchKind::FmEnsemble:
    return TKind::FmEnsemble;
  default:
    return TKind::Sid;
  }
}

// A round and one of its candidates, in the list of what to keep.
void Add(const std::vector<TExploreRound> &rounds, size_t round, size_t index,
         std::vector<TKeptMaking> &kept, std::vector<Bytes> &seen) {
  const TExploreCandidate &candidate = rounds[round].candidates[index];
  if (std::find(seen.begin(), seen.end(), candidate.image) != seen.end())
    return;
  seen.push_back(candidate.image);
  TKeptMaking making;
  making.made = ExplorePatchBytes(candidate.image);
  making.making = CandidateMaking(candidate, rounds[round].seed);
  for (size_t parent : candidate.parents)
    making.parents.push_back(ExplorePatchBytes(rounds[round].parents[parent]));
  kept.push_back(making);
  if (round == 0)
    return;
  // A parent that was a candidate of the round before was made there.
  const TExploreRound &before = rounds[round - 1];
  for (size_t parent : candidate.parents)
    for (size_t i = 0; i < before.candidates.size(); ++i)
      if (before.candidates[i].image == rounds[round].parents[parent]) {
        Add(rounds, round - 1, i, kept, seen);
        break;
      }
}

} // namespace

TPatchBytes ExplorePatchBytes(const Bytes &image) {
  const PatchKind kind = RecognisePatchKind(image);
  if (kind == PatchKind::Unknown)
    throw TExploreError("A candidate is not a whole SID or FM patch.");
  const size_t offset = kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
  TPatchBytes bytes;
  bytes.kind = KindOf(kind);
  std::copy(image.begin() + static_cast<std::ptrdiff_t>(offset),
            image.begin() + static_cast<std::ptrdiff_t>(offset + kDataSize), bytes.data.begin());
  return bytes;
}

TMaking CandidateMaking(const TExploreCandidate &candidate, int32_t seed) {
  TMaking making;
  making.how = candidate.how == TExploreHow::Cross ? TMadeBy::Cross : TMadeBy::Vary;
  making.amount = candidate.how == TExploreHow::Cross ? -1 : candidate.amount;
  making.hasSeed = true;
  making.seed = seed;
  return making;
}

std::vector<TKeptMaking> MakingsToKeep(const std::vector<TExploreRound> &rounds, size_t index) {
  std::vector<TKeptMaking> kept;
  std::vector<Bytes> seen;
  if (!rounds.empty() && index < rounds.back().candidates.size())
    Add(rounds, rounds.size() - 1, index, kept, seen);
  return kept;
}

} // namespace zpm
