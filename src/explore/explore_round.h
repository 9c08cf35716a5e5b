// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rounds of exploration, as the Explore window plays them: a round of
// candidates made from up to four liked patches by crossing and varying,
// "Next round" from the candidates liked in it, "Back" to the round before,
// kept as it was. Each round keeps its seed, so it can be shown and made
// again; each candidate keeps how it was made and from which patches.

#include "explore/explore.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zpm {

constexpr int kExploreRoundSize = 16;
constexpr size_t kExploreMostLiked = 4;

enum class TExploreHow { Vary, Cross };

struct TExploreCandidate {
  Bytes image;
  TExploreHow how = TExploreHow::Vary;
  int amount = -1;             // a variation's amount; -1 for a crossing
  std::vector<size_t> parents; // indexes into the round's parents
};

struct TExploreRound {
  int32_t seed = 0;
  std::vector<Bytes> parents; // the liked patches it was made from
  std::vector<TExploreCandidate> candidates;
};

// count candidates from 1 to 4 liked patches of one kind, all from the
// options' seed. One patch: variations. More: half of them crossings of all
// the liked patches, the rest variations of each in turn; when the liked
// patches cannot be crossed (FM voices of different algorithms), all are
// variations. TExploreMismatch for liked patches of different kinds.
TExploreRound BuildRound(const std::vector<Bytes> &liked, const TExploreOptions &options,
                         int count = kExploreRoundSize);

// A seed for the round after one made from seed, for a window that does not
// ask for one.
int32_t NextRoundSeed(int32_t seed);

class TExploreRounds {
public:
  // The first round, from the patches the exploration starts with; earlier
  // rounds are forgotten.
  const TExploreRound &Start(const std::vector<Bytes> &liked, const TExploreOptions &options);
  // "Next round": the liked candidates of the current round (their indexes)
  // become the parents of a new round; the current one is kept for Back.
  // TExploreError when none or more than four are liked.
  const TExploreRound &Next(const std::vector<size_t> &liked, const TExploreOptions &options);
  // "Back": the round before, as it was; the current one is dropped.
  bool CanGoBack() const { return m_rounds.size() > 1; }
  const TExploreRound &Back();

  bool Started() const { return !m_rounds.empty(); }
  const TExploreRound &Current() const { return m_rounds.back(); }
  size_t Count() const { return m_rounds.size(); }

private:
  std::vector<TExploreRound> m_rounds;
};

} // namespace zpm
