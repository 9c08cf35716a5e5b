// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's dump of a library patch: at the slot where it was last seen
// on the synthesizer, else at A:1, its checksum computed from its data.

#include "library/library_view.h"
#include "patch/checksum.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

TSightingRow Seen(const char *source, int64_t time, int bank, int number, int64_t snapshot) {
  TSightingRow row;
  row.source = source;
  row.time = time;
  row.bank = bank;
  row.number = number;
  row.snapshot = snapshot;
  return row;
}

TEST(TStoredPatchView, ShowsThePatchWhereItWasLastSeen) {
  struct Case {
    const char *what;
    TKind kind;
    std::vector<TSightingRow> seen;
    const char *bank, *location, *caption;
  };
  const Case cases[] = {
      {"never on the synthesizer",
       TKind::Sid,
       {Seen("file", 5, 0, 0, 0)},
       "Bank: A",
       "Location: 1",
       "Patch Hex View - 1 - Qx Stored"},
      {"fetched at A3",
       TKind::Sid,
       {Seen("device", 5, 0, 2, 1)},
       "Bank: A",
       "Location: 3",
       "Patch Hex View - 3 - Qx Stored"},
      {"fetched at A3, sent to C10 later, then loaded from a file",
       TKind::Sid,
       {Seen("device", 5, 0, 2, 1), Seen("send", 9, 2, 9, 2), Seen("file", 12, 0, 0, 0)},
       "Bank: C",
       "Location: 10",
       "Patch Hex View - 10 - Qx Stored"},
      {"listed newest first",
       TKind::FmVoice,
       {Seen("send", 9, 1, 127, 2), Seen("device", 5, 0, 2, 1)},
       "Bank: B",
       "Location: 128",
       "Patch Hex View - 128 - Qx Stored"},
  };
  for (const Case &c : cases) {
    TPatchBytes patch;
    patch.kind = c.kind;
    const char name[] = "Qx Stored";
    std::copy(name, name + sizeof name - 1, patch.data.begin());
    for (size_t i = 16; i < patch.data.size(); ++i)
      patch.data[i] = static_cast<uint8_t>((i * 7) & 0x7F);
    const PatchViewText view = StoredPatchView(patch, c.seen);
    EXPECT_EQ(view.panels[0], c.bank) << c.what;
    EXPECT_EQ(view.panels[1], c.location) << c.what;
    EXPECT_EQ(view.caption, c.caption) << c.what;
    EXPECT_EQ(view.panels[3], "Checksum: " + std::to_string(DataChecksum(patch.data.data())))
        << c.what;
  }
}

} // namespace
} // namespace zpm
