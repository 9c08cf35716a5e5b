// SPDX-License-Identifier: GPL-3.0-or-later
// The table an import into an empty library finds patches in: every ID
// under a key offered until one is taken, bounded in size.
#include "library/stored_hashes.h"

#include <gtest/gtest.h>

#include <vector>

namespace zpm {
namespace {

TEST(StoredHashes, FindsEveryIdUnderItsKeyWithinItsBounds) {
  struct TCase {
    const char *what;
    std::vector<std::pair<uint32_t, int64_t>> added; // key, ID
    size_t refusedFrom;                              // the first refused, or added.size()
    uint32_t key;
    int64_t taken;                // the ID accept takes, 0 for none
    std::vector<int64_t> offered; // the IDs offered, in order
    bool dropped;
  };
  const TCase cases[] = {
      {"one ID under its key", {{7, 1}}, 1, 7, 1, {1}, false},
      {"not under another key", {{7, 1}}, 1, 8, 0, {}, false},
      {"keys alike: each offered until one is taken",
       {{7, 1}, {7, 2}, {7, 3}, {9, 4}},
       4,
       7,
       2,
       {1, 2},
       false},
      {"keys alike, none taken", {{7, 1}, {7, 2}}, 2, 7, 0, {1, 2}, false},
      {"keys that share a slot", {{7, 1}, {7 + 4096, 2}}, 2, 7 + 4096, 2, {2}, false},
      {"an ID beyond 32 bits", {{7, 1}, {8, int64_t(1) << 32}}, 1, 8, 0, {}, false},
      {"no ID 0", {{7, 0}}, 0, 7, 0, {}, false},
      {"dropped", {{7, 1}}, 1, 7, 0, {}, true},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.what);
    TStoredHashes stored;
    for (size_t i = 0; i < c.added.size(); ++i)
      EXPECT_EQ(stored.Add(c.added[i].first, c.added[i].second), i < c.refusedFrom) << i;
    EXPECT_EQ(stored.Last(), c.refusedFrom > 0 ? c.added[c.refusedFrom - 1].second : 0);
    if (c.dropped)
      stored.Drop();
    EXPECT_EQ(stored.Active(), !c.dropped);
    std::vector<int64_t> offered;
    const int64_t taken = stored.Find(c.key, [&](int64_t id) {
      offered.push_back(id);
      return id == c.taken;
    });
    EXPECT_EQ(taken, c.taken);
    EXPECT_EQ(offered, c.offered);
  }
}

// Filled to three quarters of its largest size, then full; every ID kept is
// still found.
TEST(StoredHashes, StopsAtItsLargestSize) {
  TStoredHashes stored;
  const size_t most = TStoredHashes::kMostSlots / 8 * 6;
  for (size_t i = 1; i <= most; ++i)
    ASSERT_TRUE(stored.Add(static_cast<uint32_t>(i * 2654435761u), static_cast<int64_t>(i)));
  EXPECT_FALSE(stored.Add(1, static_cast<int64_t>(most + 1)));
  EXPECT_EQ(stored.Size(), most);
  for (size_t i = 1; i <= most; i += most / 7)
    EXPECT_EQ(stored.Find(static_cast<uint32_t>(i * 2654435761u),
                          [&](int64_t id) { return id == static_cast<int64_t>(i); }),
              static_cast<int64_t>(i));
}

} // namespace
} // namespace zpm
