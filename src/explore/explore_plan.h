// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How each field of a kind may move in one exploration: its limits from the
// range grid (or its own range), whether the grid pins it, whether it is
// locked. Made once per batch, so a round of thousands costs little more
// than its draws. Every field draws the same number of times whatever its
// value or lock, so locking one field leaves the others' moves as they were.

#include "edit/edit_fields.h"
#include "explore/explore.h"
#include "random/random_generator.h"

#include <cstddef>
#include <vector>

namespace zpm {

struct TFieldPlan {
  const EditField *field = nullptr;
  bool locked = false;
  bool fixed = false; // the grid's "Min" equals its "Max"
  int low = 0;        // inclusive limits; a choice offers only values within them
  int high = 127;
  std::vector<int> values; // a choice or on/off field: those within the limits
};

class TExplorePlan {
public:
  // Checks the options and the locks against the kind; TExploreError names
  // what is wrong.
  TExplorePlan(PatchKind kind, const TExploreOptions &options);

  PatchKind Kind() const { return m_kind; }

  // One candidate each; number is what a numbered name gets.
  Bytes Vary(const Bytes &parent, RandomGenerator &random, int amount, int number) const;
  Bytes Cross(const std::vector<const Bytes *> &parents, RandomGenerator &random, int number) const;

private:
  void PutName(Bytes &image, int number) const;
  void Finish(Bytes &image) const;

  PatchKind m_kind;
  TExploreOptions m_options;
  std::vector<TFieldPlan> m_fields; // every field but the name
  const EditField *m_name = nullptr;
  bool m_nameLocked = false;
};

} // namespace zpm
