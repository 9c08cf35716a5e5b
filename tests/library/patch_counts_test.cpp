// SPDX-License-Identifier: GPL-3.0-or-later
// The counts a bulk import takes before storing: each key's count waits for
// the first patch stored under it, whose ID the slot holds from then on;
// bounded in size.
#include "library/patch_counts.h"

#include "library/library_types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

namespace zpm {
namespace {

TEST(PatchCounts, CountsWaitForTheFirstPatchStoredUnderTheirKey) {
  struct TCase {
    const char *what;
    std::vector<uint64_t> counted;
    uint64_t key;
    uint32_t waiting;             // before the patch is stored
    int64_t id;                   // stored under key as
    bool taken;                   // whether the table took it
    uint32_t waitingAfter;        // for a second patch under key
    std::vector<int64_t> offered; // by Find under key afterwards
  };
  const uint64_t big = 0xFEDCBA9876543210ull;
  const TCase cases[] = {
      {"counted three times", {big, 5, big, big}, big, 3, 7, true, 0, {7}},
      {"counted once", {5, big}, 5, 1, 2, true, 0, {2}},
      {"keys alike but for the low bits", {big, big ^ 1}, big ^ 1, 1, 9, true, 0, {9}},
      {"never counted", {5}, big, 0, 3, false, 0, {}},
      {"an ID beyond 31 bits", {big}, big, 1, int64_t(1) << 31, false, 0, {}},
      // 0 marks an empty slot: a hash of 0 counts with 1, the bytes tell.
      {"a key of 0", {0, 1}, 0, 2, 4, true, 0, {4}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.what);
    TPatchCounts counts;
    for (uint64_t key : c.counted)
      ASSERT_TRUE(counts.Count(key));
    EXPECT_EQ(counts.Waiting(c.key), c.waiting);
    EXPECT_EQ(counts.Take(c.key, c.id), c.taken);
    EXPECT_EQ(counts.Active(), c.taken);
    EXPECT_EQ(counts.Last(), c.taken ? c.id : 0);
    EXPECT_EQ(counts.Waiting(c.key), c.waitingAfter);
    std::vector<int64_t> offered;
    counts.Find(c.key, [&](int64_t id) {
      offered.push_back(id);
      return false;
    });
    EXPECT_EQ(offered, c.offered);
  }
}

// The key tells apart kinds and bytes; the whole keys are what the row
// holds, the name only for the kinds that have one.
TEST(PatchKeys, KeyAndRowValues) {
  TPatchBytes sid;
  std::memcpy(sid.data.data(), "Warm Pad        ", 16);
  TPatchBytes voice = sid, drums = sid, renamed = sid, changed = sid;
  voice.kind = TKind::FmVoice;
  drums.kind = TKind::FmDrumset;
  renamed.data[0] = 'w';
  changed.data[255] = 1;
  const uint64_t key = PatchKeys(sid, false).key;
  EXPECT_EQ(PatchKeys(sid).key, key);
  for (const TPatchBytes *other : {&voice, &drums, &renamed, &changed})
    EXPECT_NE(PatchKeys(*other, false).key, key);
  for (const TPatchBytes *patch : {&sid, &voice, &drums}) {
    const TPatchKeys keys = PatchKeys(*patch);
    EXPECT_EQ(keys.hash, PatchHash(*patch));
    EXPECT_EQ(keys.sound, SoundHash(*patch));
    EXPECT_EQ(keys.name,
              HasName(patch->kind) ? std::optional<std::string>("Warm Pad") : std::nullopt);
  }
  EXPECT_TRUE(PatchKeys(sid, false).hash.empty());
  EXPECT_EQ(PatchKeys(renamed).sound, PatchKeys(sid).sound);
}

// Filled until it refuses a key, within its bytes: it drops itself then.
TEST(PatchCounts, StopsAtItsLargestSize) {
  TPatchCounts counts;
  size_t kept = 0;
  for (uint64_t i = 1; counts.Count(i * 0x9E3779B97F4A7C15ull); ++i)
    kept = static_cast<size_t>(i);
  EXPECT_GT(kept, TPatchCounts::kMostBytes / 12 / 8 * 7 - 2);
  EXPECT_LE(kept * 12, TPatchCounts::kMostBytes);
  EXPECT_FALSE(counts.Active());
  EXPECT_EQ(counts.Waiting(0x9E3779B97F4A7C15ull), 0u);
}

} // namespace
} // namespace zpm
