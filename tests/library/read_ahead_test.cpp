// SPDX-License-Identifier: GPL-3.0-or-later
// Files read ahead of the storing come out whole and in the order given,
// however many threads read them and however far ahead.
#include "library/read_ahead.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zpm {
namespace {

namespace fs = std::filesystem;

TEST(ReadAhead, FilesComeInTheOrderGivenWithTheirKeysOrTheirError) {
  char name[] = "/tmp/zpm-read-ahead-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const fs::path dir = name;
  std::vector<std::string> paths;
  for (int i = 0; i < 12; ++i) {
    const std::string path = (dir / ("f" + std::to_string(i) + ".syx")).string();
    paths.push_back(path);
    if (i == 5)
      continue; // not there: its error comes in its place
    std::vector<TPatch> patches;
    for (int p = 0; p <= i; ++p)
      patches.push_back(test::NamedSid("P" + std::to_string(i), static_cast<uint8_t>(i * 16 + p)));
    const Bytes bytes = test::SidFileOf(patches);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  for (const unsigned workers : {1u, 2u, 3u})
    for (const size_t ahead : {size_t(1), size_t(16)}) {
      SCOPED_TRACE(std::to_string(workers) + " workers, " + std::to_string(ahead) + " ahead");
      TReadAhead reader(paths, workers, workers != 2, ahead);
      TReadFile read;
      for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(reader.Next(read));
        if (i == 5) {
          EXPECT_FALSE(read.error.empty());
          continue;
        }
        EXPECT_TRUE(read.error.empty()) << read.error;
        ASSERT_EQ(read.file.patches.size(), size_t(i + 1));
        ASSERT_EQ(read.keys.size(), size_t(i + 1));
        const TPatchBytes &last = read.file.patches.back().patch;
        EXPECT_EQ(read.keys.back().key, PatchKeys(last, false).key);
        EXPECT_EQ(read.keys.back().hash, workers != 2 ? PatchHash(last) : "");
        EXPECT_EQ(read.file.patches.front().patch.data[16], (i * 16 + 16) & 0x7F);
      }
      EXPECT_FALSE(reader.Next(read));
    }
  // Let go before the end: the workers stop where they are.
  { TReadAhead early(paths, 2, true, 1); }
  fs::remove_all(dir);
}

} // namespace
} // namespace zpm
