// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A made-up collection for the library benchmarks: patch i has a name like
// "Bass Warm 01234" from short words and i, the rest of its bytes from i,
// so that every patch differs.

#include "library/library.h"
#include "library/library_database.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace zpm::bench {

inline TPatchBytes MadePatch(int i) {
  static const char *const kWords[] = {
      "Bass", "Lead", "Pad",  "Arp",  "Keys", "Drum", "Fx",   "Perc", "Saw",  "Sqr", "Tri",
      "Wah",  "Sync", "Ring", "Soft", "Hard", "Warm", "Cold", "Dark", "Glow", "Fat", "Thin",
      "Buzz", "Hum",  "Zap",  "Wind", "Bell", "Horn", "Reed", "Flut", "Choi", "Echo"};
  char name[32];
  std::snprintf(name, sizeof name, "%s %s %05d", kWords[i % 32], kWords[(i / 32) % 32], i);
  TPatchBytes patch;
  patch.kind = TKind::Sid;
  std::memset(patch.data.data(), ' ', 16);
  std::memcpy(patch.data.data(), name, std::min<size_t>(16, std::strlen(name)));
  for (size_t d = 16; d < patch.data.size(); ++d)
    patch.data[d] = static_cast<uint8_t>((i * 31 + d * 7 + (i >> 7) * 13) & 0x7F);
  for (size_t d = 0; d < 3; ++d)
    patch.data[16 + d] = static_cast<uint8_t>((i >> (7 * d)) & 0x7F);
  return patch;
}

// A library file of count made patches, each seen once at a row of a bank
// file of 128, written in batches of 10,000 and checkpointed.
inline void FillLibrary(const std::string &file, int count) {
  TLibrary library(file);
  constexpr int kBatch = 10000;
  for (int from = 0; from < count; from += kBatch) {
    std::vector<TSighting> batch;
    for (int i = from; i < std::min(count, from + kBatch); ++i) {
      TSighting seen;
      seen.patch = MadePatch(i);
      seen.path = "/music/banks/collection" + std::to_string(i / 128) + ".syx";
      seen.row = i % 128;
      batch.push_back(seen);
    }
    library.RecordSightings(batch);
  }
  TLibraryDatabase::Of(library).Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace zpm::bench
