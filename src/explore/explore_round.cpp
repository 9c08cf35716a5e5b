// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore_round.h"

#include "explore/explore_plan.h"

namespace zpm {

TExploreRound BuildRound(const std::vector<Bytes> &liked, const TExploreOptions &options,
                         int count) {
  if (liked.empty() || liked.size() > kExploreMostLiked)
    throw TExploreError("A round is made from 1 to 4 liked patches, not " +
                        std::to_string(liked.size()) + ".");
  if (count < 0)
    throw TExploreError("A round cannot have " + std::to_string(count) + " candidates.");
  std::vector<std::string> names;
  for (size_t i = 0; i < liked.size(); ++i)
    names.push_back("liked patch " + std::to_string(i + 1));
  const PatchKind kind = ExploredKind(liked.front(), names.front());
  bool cross = false;
  if (liked.size() > 1) {
    // Different kinds cannot share a round; voices of different algorithms
    // are only varied, unless they may be crossed.
    const std::string kinds = CrossRefusal(liked, true, names);
    if (!kinds.empty())
      throw TExploreMismatch(kinds);
    cross = CrossRefusal(liked, options.mixAlgorithms, names).empty();
  }

  const TExplorePlan plan(kind, options);
  RandomGenerator random(options.seed);
  TExploreRound round;
  round.seed = options.seed;
  round.parents = liked;
  std::vector<const Bytes *> all;
  std::vector<size_t> everyone;
  for (size_t i = 0; i < liked.size(); ++i) {
    all.push_back(&round.parents[i]);
    everyone.push_back(i);
  }
  const int crossings = cross ? count / 2 : 0;
  for (int i = 0; i < count; ++i) {
    TExploreCandidate candidate;
    const int number = options.firstNumber + i;
    if (i < crossings) {
      candidate.how = TExploreHow::Cross;
      candidate.parents = everyone;
      candidate.image = plan.Cross(all, random, number);
    } else {
      const size_t parent = static_cast<size_t>(i - crossings) % liked.size();
      candidate.how = TExploreHow::Vary;
      candidate.amount = options.amount;
      candidate.parents = {parent};
      candidate.image = plan.Vary(round.parents[parent], random, options.amount, number);
    }
    round.candidates.push_back(std::move(candidate));
  }
  return round;
}

int32_t NextRoundSeed(int32_t seed) {
  RandomGenerator random(seed);
  random.RandomBelow(0);
  return static_cast<int32_t>(random.State());
}

const TExploreRound &TExploreRounds::Start(const std::vector<Bytes> &liked,
                                           const TExploreOptions &options) {
  TExploreRound round = BuildRound(liked, options);
  m_rounds.clear();
  m_rounds.push_back(std::move(round));
  return m_rounds.back();
}

const TExploreRound &TExploreRounds::Next(const std::vector<size_t> &liked,
                                          const TExploreOptions &options) {
  if (!Started())
    throw TExploreError("Start an exploration before asking for its next round.");
  if (liked.empty() || liked.size() > kExploreMostLiked)
    throw TExploreError("Like 1 to 4 candidates for the next round, not " +
                        std::to_string(liked.size()) + ".");
  std::vector<Bytes> parents;
  for (size_t index : liked) {
    if (index >= Current().candidates.size())
      throw TExploreError("The round has no candidate " + std::to_string(index + 1) + ".");
    parents.push_back(Current().candidates[index].image);
  }
  TExploreRound round = BuildRound(parents, options);
  m_rounds.push_back(std::move(round));
  return m_rounds.back();
}

const TExploreRound &TExploreRounds::Back() {
  if (CanGoBack())
    m_rounds.pop_back();
  return m_rounds.back();
}

} // namespace zpm
