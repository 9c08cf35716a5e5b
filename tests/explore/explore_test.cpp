// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore.h"

#include "edit/edit_fields.h"
#include "explore/explore_locks.h"
#include "explore/explore_round.h"
#include "patch/checksum.h"
#include "patch/patch.h"
#include "random/range_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zpm {
namespace {

const PatchKind kKinds[] = {PatchKind::Sid, PatchKind::FmVoice, PatchKind::FmDrumset,
                            PatchKind::FmEnsemble};

size_t Offset(PatchKind kind) {
  return kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
}

// A patch of the kind with every field at a value it allows, drawn from
// seed, named name.
Bytes Parent(PatchKind kind, unsigned seed, const std::string &name = "Parent") {
  Bytes image;
  if (kind == PatchKind::Sid) {
    TPatch patch;
    image.assign(patch.Dump.begin(), patch.Dump.end());
  } else {
    TFMPatch patch;
    patch.SetPatchType(kind == PatchKind::FmVoice     ? kFmVoice
                       : kind == PatchKind::FmDrumset ? kFmDrumset
                                                      : kFmEnsemble);
    image.assign(patch.Dump.begin(), patch.Dump.end());
  }
  std::mt19937 random(seed);
  for (const EditField &field : EditFields(kind)) {
    if (field.Kind == EditKind::Name) {
      for (size_t i = 0; i < kNameSize; ++i)
        image[field.DumpByte + i] = i < name.size() ? static_cast<uint8_t>(name[i]) : ' ';
    } else if (field.Kind == EditKind::Choice) {
      image[field.DumpByte] = field.Choices[random() % field.Choices.size()].Value;
    } else {
      image[field.DumpByte] =
          static_cast<uint8_t>(field.Min + random() % (field.Max - field.Min + 1));
    }
  }
  const size_t offset = Offset(kind);
  image[offset + kDataSize] = DataChecksum(image.data() + offset);
  return image;
}

const EditField &Field(PatchKind kind, const char *name) {
  const EditField *field = FindEditField(kind, name);
  EXPECT_NE(field, nullptr) << name;
  return *field;
}

// The data bytes without the name: what the library calls the sound.
Bytes Sound(PatchKind kind, const Bytes &image) {
  Bytes sound(image.begin() + static_cast<std::ptrdiff_t>(Offset(kind)),
              image.begin() + static_cast<std::ptrdiff_t>(Offset(kind) + kDataSize));
  if (kind == PatchKind::Sid || kind == PatchKind::FmVoice)
    std::fill(sound.begin(), sound.begin() + kNameSize, 0);
  return sound;
}

// The grid row of a field, or -1.
int GridRow(const RangeGrid &grid, const EditField &field, PatchKind kind) {
  const size_t dataByte = field.DumpByte - Offset(kind);
  for (size_t i = 0; i < grid.Table().Count; ++i)
    if (grid.Table()[i].DataByte == dataByte)
      return static_cast<int>(i) + 1;
  return -1;
}

bool FixedByGrid(PatchKind kind, const EditField &field) {
  if (kind != PatchKind::Sid && kind != PatchKind::FmVoice)
    return false;
  static const RangeGrid sid = MakeSidRandomGrid();
  static const RangeGrid fm = MakeFmRandomGrid();
  const RangeGrid &grid = kind == PatchKind::Sid ? sid : fm;
  const int row = GridRow(grid, field, kind);
  return row > 0 && !grid.IsCodedRow(row) &&
         grid.Cell(kGridMinColumn, row) == grid.Cell(kGridMaxColumn, row);
}

TEST(Explore, SameSeedSameBytesAnotherSeedOthers) {
  for (PatchKind kind : kKinds) {
    SCOPED_TRACE(KindPhrase(kind));
    const Bytes parent = Parent(kind, 1);
    const std::vector<Bytes> pair = {parent, Parent(kind, 2)};
    TExploreOptions options;
    options.seed = 77;
    options.mixAlgorithms = true;
    const std::vector<Bytes> varied = VaryPatch(parent, 8, options);
    const std::vector<Bytes> crossed = CrossPatches(pair, 8, options);
    EXPECT_EQ(VaryPatch(parent, 8, options), varied);
    EXPECT_EQ(CrossPatches(pair, 8, options), crossed);
    options.seed = -77;
    const std::vector<Bytes> otherVaried = VaryPatch(parent, 8, options);
    const std::vector<Bytes> otherCrossed = CrossPatches(pair, 8, options);
    for (size_t i = 0; i < 8; ++i) {
      EXPECT_NE(otherVaried[i], varied[i]) << i;
      EXPECT_NE(otherCrossed[i], crossed[i]) << i;
    }
  }
}

// Amount 100 moves everything it may: still a locked field and one the grid
// pins keep the (first) parent's value, and every candidate can be sent.
TEST(Explore, LocksAndFixedRangesHoldAndEveryCandidateIsSendable) {
  struct Case {
    PatchKind kind;
    std::vector<std::string> locks;
  };
  const Case cases[] = {
      {PatchKind::Sid, {"cutoff", "Voice2 Waveform", "Poly"}},
      {PatchKind::FmVoice, {"op1_volume", "OP Connections (\"Algorithm\")", "Wavetable Rate"}},
      {PatchKind::FmDrumset, {"BD FM/AM (0=FM, 1=AM)", "tom frequency"}},
      {PatchKind::FmEnsemble, {"Inst. 3 Volume"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(KindPhrase(c.kind));
    const Bytes first = Parent(c.kind, 5);
    TExploreOptions options;
    options.amount = 100;
    options.locks = c.locks;
    options.mixAlgorithms = true;
    options.beyond = true;
    std::vector<Bytes> candidates = VaryPatch(first, 200, options);
    const std::vector<Bytes> crossed =
        CrossPatches({first, Parent(c.kind, 6), Parent(c.kind, 7)}, 200, options);
    candidates.insert(candidates.end(), crossed.begin(), crossed.end());
    std::vector<const EditField *> lockedFields;
    for (const std::string &lock : c.locks)
      lockedFields.push_back(FindEditField(c.kind, lock));
    const size_t offset = Offset(c.kind);
    size_t moved = 0;
    for (const Bytes &candidate : candidates) {
      ASSERT_EQ(candidate.size(), first.size());
      EXPECT_EQ(candidate[offset + kDataSize], DataChecksum(candidate.data() + offset));
      for (size_t i = 0; i < kDataSize; ++i)
        ASSERT_LT(candidate[offset + i], 0x80) << i;
      for (const EditField &field : EditFields(c.kind)) {
        if (field.Kind == EditKind::Name)
          continue;
        const bool locked =
            std::find(lockedFields.begin(), lockedFields.end(), &field) != lockedFields.end();
        if (locked || FixedByGrid(c.kind, field))
          EXPECT_EQ(candidate[field.DumpByte], first[field.DumpByte]) << field.Label;
        else
          moved += candidate[field.DumpByte] != first[field.DumpByte];
      }
    }
    EXPECT_GT(moved, candidates.size()); // the rest did move
  }
}

TEST(Explore, AmountZeroAndEqualParentsGiveTheParent) {
  for (PatchKind kind : kKinds) {
    SCOPED_TRACE(KindPhrase(kind));
    const Bytes parent = Parent(kind, 11);
    TExploreOptions options;
    options.amount = 0;
    options.beyond = true;
    for (const Bytes &candidate : VaryPatch(parent, 20, options))
      EXPECT_EQ(Sound(kind, candidate), Sound(kind, parent));
    for (const Bytes &candidate : CrossPatches({parent, parent, parent}, 20, options))
      EXPECT_EQ(Sound(kind, candidate), Sound(kind, parent));
    // With the name kept, the very bytes.
    options.naming = TExploreNaming::Kept;
    for (const Bytes &candidate : VaryPatch(parent, 5, options))
      EXPECT_EQ(candidate, parent);
    for (const Bytes &candidate : CrossPatches({parent, parent}, 5, options))
      EXPECT_EQ(candidate, parent);
  }
}

// A crossing takes each choice from a parent, never between them; numbers lie
// between the parents' values, or with beyond a little past them.
TEST(Explore, CrossingsTakeTheirValuesFromTheParents) {
  for (PatchKind kind : kKinds) {
    SCOPED_TRACE(KindPhrase(kind));
    const std::vector<Bytes> parents = {Parent(kind, 21), Parent(kind, 22), Parent(kind, 23)};
    for (bool beyond : {false, true}) {
      TExploreOptions options;
      options.beyond = beyond;
      options.mixAlgorithms = true;
      size_t past = 0;
      for (const Bytes &candidate : CrossPatches(parents, 300, options)) {
        for (const EditField &field : EditFields(kind)) {
          if (field.Kind == EditKind::Name || FixedByGrid(kind, field))
            continue;
          const int value = candidate[field.DumpByte];
          int low = 127, high = 0;
          bool fromParent = false;
          for (const Bytes &parent : parents) {
            low = std::min<int>(low, parent[field.DumpByte]);
            high = std::max<int>(high, parent[field.DumpByte]);
            fromParent |= parent[field.DumpByte] == value;
          }
          if (field.Kind != EditKind::Number)
            EXPECT_TRUE(fromParent) << field.Label << " " << value;
          else if (!beyond)
            EXPECT_TRUE(value >= low && value <= high) << field.Label;
          else
            past += value < low || value > high;
          EXPECT_TRUE(field.Allows(value)) << field.Label << " " << value;
        }
      }
      EXPECT_EQ(past > 0, beyond);
    }
  }
}

// A number moves at most amount percent of its grid range either way and
// stays inside the grid's limits, widened to a value the grid does not reach.
TEST(Explore, VariationsMoveWithinTheGridByTheAmount) {
  const RangeGrid grid = MakeSidRandomGrid();
  const EditField &portamento = Field(PatchKind::Sid, "Voice1 Portamento"); // grid 0..15
  const EditField &cutoff = Field(PatchKind::Sid, "CutOff");                // grid 0..127
  struct Case {
    const EditField &field;
    int parentValue, amount, low, high;
  };
  const Case cases[] = {
      {cutoff, 64, 10, 64 - 13, 64 + 13},
      {cutoff, 0, 100, 0, 127},
      {portamento, 8, 50, 0, 15},
      {portamento, 100, 20, 80, 100}, // above the grid: widened up to it, back from it
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.field.Label + " " + std::to_string(c.parentValue));
    Bytes parent = Parent(PatchKind::Sid, 31);
    parent[c.field.DumpByte] = static_cast<uint8_t>(c.parentValue);
    TExploreOptions options;
    options.amount = c.amount;
    options.grid = &grid;
    int lowest = 127, highest = 0;
    for (const Bytes &candidate : VaryPatch(parent, 2000, options)) {
      lowest = std::min<int>(lowest, candidate[c.field.DumpByte]);
      highest = std::max<int>(highest, candidate[c.field.DumpByte]);
    }
    EXPECT_EQ(lowest, c.low);
    EXPECT_EQ(highest, c.high);
  }
  // A grid row set to one value pins the field, whatever the amount.
  RangeGrid pinned = MakeSidRandomGrid();
  pinned.SetRange("Filter_Cutoff", 40, 40);
  TExploreOptions options;
  options.amount = 100;
  options.grid = &pinned;
  const Bytes parent = Parent(PatchKind::Sid, 32);
  for (const Bytes &candidate : VaryPatch(parent, 50, options))
    EXPECT_EQ(candidate[cutoff.DumpByte], parent[cutoff.DumpByte]);
}

TEST(Explore, ChoicesChangeWithTheAmountAsProbability) {
  const EditField &waveform = Field(PatchKind::Sid, "Voice1 Waveform");
  const Bytes parent = Parent(PatchKind::Sid, 41);
  for (int amount : {0, 25, 100}) {
    TExploreOptions options;
    options.amount = amount;
    int changed = 0;
    for (const Bytes &candidate : VaryPatch(parent, 400, options)) {
      changed += candidate[waveform.DumpByte] != parent[waveform.DumpByte];
      EXPECT_TRUE(waveform.Allows(candidate[waveform.DumpByte]));
    }
    EXPECT_NEAR(changed, amount * 4, 40) << amount;
  }
}

TEST(Explore, NamesGetTheCandidatesNumber) {
  struct Case {
    std::string parentName, baseName;
    int first;
    TExploreNaming naming;
    std::vector<std::string> lock;
    std::string expected; // of the second candidate
  };
  const Case cases[] = {
      {"Fat Bass", "", 1, TExploreNaming::Numbered, {}, "Fat Bass 2      "},
      {"Sixteen chars!!!", "", 9, TExploreNaming::Numbered, {}, "Sixteen chars 10"},
      {"Fat Bass", "Lead", 1, TExploreNaming::Numbered, {}, "Lead 2          "},
      {"Fat Bass", "", 1, TExploreNaming::Kept, {}, "Fat Bass        "},
      {"Fat Bass", "", 1, TExploreNaming::Numbered, {"Patch Name"}, "Fat Bass        "},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected);
    TExploreOptions options;
    options.baseName = c.baseName;
    options.firstNumber = c.first;
    options.naming = c.naming;
    options.locks = c.lock;
    const Bytes parent = Parent(PatchKind::FmVoice, 51, c.parentName);
    const Bytes second = VaryPatch(parent, 2, options)[1];
    const size_t at = Field(PatchKind::FmVoice, "Patch Name").DumpByte;
    EXPECT_EQ(std::string(second.begin() + at, second.begin() + at + kNameSize), c.expected);
  }
}

TEST(Explore, RefusesWhatCannotBeExploredOrCrossed) {
  const Bytes sid = Parent(PatchKind::Sid, 61);
  Bytes voice = Parent(PatchKind::FmVoice, 62);
  Bytes otherAlgorithm = voice;
  const EditField &algorithm = Field(PatchKind::FmVoice, "OP Connections (\"Algorithm\")");
  otherAlgorithm[algorithm.DumpByte] = static_cast<uint8_t>((voice[algorithm.DumpByte] + 1) % 4);
  TExploreOptions options;
  EXPECT_THROW(CrossPatches({sid, voice}, 1, options), TExploreMismatch);
  EXPECT_THROW(CrossPatches({voice, otherAlgorithm}, 1, options), TExploreMismatch);
  EXPECT_EQ(CrossRefusal({sid, voice}, false, {"row 0", "row 3"}),
            "Only patches of one kind can be crossed: row 0 is a SID patch and row 3 an FM voice.");
  EXPECT_THROW(CrossPatches({voice}, 1, options), TExploreError);
  EXPECT_THROW(CrossPatches({voice, voice, voice, voice, voice}, 1, options), TExploreError);
  options.mixAlgorithms = true;
  EXPECT_EQ(CrossPatches({voice, otherAlgorithm}, 1, options).size(), 1u);

  TExploreOptions bad;
  bad.amount = 101;
  EXPECT_THROW(VaryPatch(sid, 1, bad), TExploreError);
  bad.amount = 50;
  bad.locks = {"no such knob"};
  EXPECT_THROW(VaryPatch(sid, 1, bad), TExploreError);
  Bytes high = sid;
  high[kSidDataOffset + 100] = 0x80;
  EXPECT_THROW(VaryPatch(high, 1, TExploreOptions()), TExploreError);
  Bytes cut = sid;
  cut.pop_back();
  EXPECT_THROW(VaryPatch(cut, 1, TExploreOptions()), TExploreError);
}

TEST(ExploreRound, RoundsCrossAndVaryTheLikedAndGoBack) {
  const std::vector<Bytes> three = {Parent(PatchKind::Sid, 71), Parent(PatchKind::Sid, 72),
                                    Parent(PatchKind::Sid, 73)};
  TExploreOptions options;
  options.seed = 5;
  TExploreRounds rounds;
  const TExploreRound &first = rounds.Start(three, options);
  ASSERT_EQ(first.candidates.size(), 16u);
  for (size_t i = 0; i < 16; ++i) {
    const TExploreCandidate &candidate = first.candidates[i];
    if (i < 8) {
      EXPECT_EQ(candidate.how, TExploreHow::Cross);
      EXPECT_EQ(candidate.parents, (std::vector<size_t>{0, 1, 2}));
    } else {
      EXPECT_EQ(candidate.how, TExploreHow::Vary);
      EXPECT_EQ(candidate.parents, std::vector<size_t>{(i - 8) % 3});
    }
  }
  // The same liked patches and seed make the same round.
  EXPECT_EQ(BuildRound(three, options).candidates[3].image, first.candidates[3].image);
  const Bytes kept = first.candidates[12].image;

  options.seed = NextRoundSeed(options.seed);
  const TExploreRound &second = rounds.Next({12}, options);
  EXPECT_EQ(second.seed, options.seed);
  EXPECT_EQ(second.parents, std::vector<Bytes>{kept});
  for (const TExploreCandidate &candidate : second.candidates)
    EXPECT_EQ(candidate.how, TExploreHow::Vary);
  EXPECT_TRUE(rounds.CanGoBack());
  EXPECT_EQ(rounds.Back().candidates[12].image, kept);
  EXPECT_EQ(rounds.Current().seed, 5);
  EXPECT_FALSE(rounds.CanGoBack());
  EXPECT_THROW(rounds.Next({}, options), TExploreError);
  EXPECT_THROW(rounds.Next({16}, options), TExploreError);

  // Voices of different algorithms are only varied; kinds never share a round.
  Bytes voice = Parent(PatchKind::FmVoice, 74);
  Bytes other = voice;
  const EditField &algorithm = Field(PatchKind::FmVoice, "OP Connections (\"Algorithm\")");
  other[algorithm.DumpByte] = static_cast<uint8_t>((voice[algorithm.DumpByte] + 1) % 4);
  for (const TExploreCandidate &candidate : BuildRound({voice, other}, options).candidates)
    EXPECT_EQ(candidate.how, TExploreHow::Vary);
  EXPECT_THROW(BuildRound({voice, three[0]}, options), TExploreMismatch);
}

TEST(ExploreLocks, EachKindKeepsItsOwnLocks) {
  TExploreLocks locks;
  EXPECT_TRUE(locks.Lock(PatchKind::Sid, "resonance"));
  EXPECT_TRUE(locks.Lock(PatchKind::Sid, "cutoff"));
  EXPECT_FALSE(locks.Lock(PatchKind::Sid, "OP1 Volume"));
  EXPECT_TRUE(locks.Lock(PatchKind::FmVoice, "OP1 Volume"));
  EXPECT_EQ(locks.Text(PatchKind::Sid), "CutOff|Resonance");
  EXPECT_EQ(locks.Of(PatchKind::FmVoice), std::vector<std::string>{"OP1 Volume"});
  EXPECT_TRUE(locks.Of(PatchKind::FmDrumset).empty());
  locks.Unlock(PatchKind::Sid, "CutOff");
  EXPECT_FALSE(locks.IsLocked(PatchKind::Sid, "cutoff"));

  TExploreLocks again;
  again.SetText(PatchKind::Sid, "CutOff|Resonance|no such knob");
  EXPECT_EQ(again.Of(PatchKind::Sid), (std::vector<std::string>{"CutOff", "Resonance"}));
  EXPECT_TRUE(again.Of(PatchKind::FmVoice).empty());
}

} // namespace
} // namespace zpm
