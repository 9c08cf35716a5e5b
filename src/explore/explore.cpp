// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore.h"

#include "edit/edit_fields.h"
#include "explore/explore_plan.h"
#include "patch/patch.h"

namespace zpm {
namespace {

void CheckCount(int count) {
  if (count < 0)
    throw TExploreError("The number of candidates cannot be negative (" + std::to_string(count) +
                        ").");
}

// The FM voice's algorithm field, "OP Connections".
const EditField &AlgorithmField() {
  static const EditField *field = [] {
    for (const EditField &candidate : EditFields(PatchKind::FmVoice))
      if (candidate.Label.rfind("OP Connections", 0) == 0)
        return &candidate;
    return static_cast<const EditField *>(nullptr);
  }();
  return *field;
}

} // namespace

std::vector<Bytes> VaryPatch(const Bytes &parent, int count, const TExploreOptions &options) {
  CheckCount(count);
  const TExplorePlan plan(ExploredKind(parent, "the patch"), options);
  RandomGenerator random(options.seed);
  std::vector<Bytes> candidates;
  candidates.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    candidates.push_back(plan.Vary(parent, random, options.amount, options.firstNumber + i));
  return candidates;
}

std::string CrossRefusal(const std::vector<Bytes> &parents, bool mixAlgorithms,
                         const std::vector<std::string> &names) {
  if (parents.size() < 2 || parents.size() > 4)
    return "A crossing takes 2 to 4 patches, not " + std::to_string(parents.size()) + ".";
  std::vector<PatchKind> kinds;
  for (size_t i = 0; i < parents.size(); ++i)
    kinds.push_back(ExploredKind(parents[i], names[i]));
  for (size_t i = 1; i < parents.size(); ++i)
    if (kinds[i] != kinds[0])
      return "Only patches of one kind can be crossed: " + names[0] + " is " +
             KindPhrase(kinds[0]) + " and " + names[i] + " " + KindPhrase(kinds[i]) + ".";
  if (kinds[0] != PatchKind::FmVoice || mixAlgorithms)
    return std::string();
  const EditField &algorithm = AlgorithmField();
  for (size_t i = 1; i < parents.size(); ++i) {
    const int first = parents[0][algorithm.DumpByte];
    const int other = parents[i][algorithm.DumpByte];
    if (other != first)
      return "The voices use different algorithms (" + names[0] + " " + algorithm.ValueText(first) +
             ", " + names[i] + " " + algorithm.ValueText(other) +
             "), so they are crossed only when that is asked for.";
  }
  return std::string();
}

std::vector<Bytes> CrossPatches(const std::vector<Bytes> &parents, int count,
                                const TExploreOptions &options) {
  CheckCount(count);
  std::vector<std::string> names;
  for (size_t i = 0; i < parents.size(); ++i)
    names.push_back("patch " + std::to_string(i + 1));
  const std::string refusal = CrossRefusal(parents, options.mixAlgorithms, names);
  if (!refusal.empty())
    throw TExploreMismatch(refusal);
  const TExplorePlan plan(RecognisePatchKind(parents.front()), options);
  std::vector<const Bytes *> from;
  for (const Bytes &parent : parents)
    from.push_back(&parent);
  RandomGenerator random(options.seed);
  std::vector<Bytes> candidates;
  candidates.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    candidates.push_back(plan.Cross(from, random, options.firstNumber + i));
  return candidates;
}

} // namespace zpm
