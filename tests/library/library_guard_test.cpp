// SPDX-License-Identifier: GPL-3.0-or-later
// No save may replace the library, its log or its shared index, however the
// output is named.
#include "library/library_guard.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zpm {
namespace {

namespace fs = std::filesystem;

TEST(LibraryGuard, AnOutputIsTheLibraryByItsFileNotItsName) {
  char name[] = "/tmp/zpm-guard-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const fs::path dir = name;
  fs::create_directories(dir / "sub");
  const std::string library = (dir / "lib.sqlite").string();
  for (const char *file : {"lib.sqlite", "lib.sqlite-wal", "other.syx"})
    std::ofstream(dir / file) << "x";
  fs::create_symlink(dir / "lib.sqlite", dir / "link.syx");
  fs::create_hard_link(dir / "lib.sqlite", dir / "hard.syx");
  fs::create_symlink(dir, dir / "sub" / "up");

  struct TCase {
    std::string output;
    bool isLibrary;
  };
  const std::string d = dir.string();
  const TCase cases[] = {
      {library, true},
      {d + "/lib.sqlite-wal", true},
      {d + "/lib.sqlite-shm", true}, // not there yet: its name is still the library's
      {d + "/sub/../lib.sqlite", true},
      {d + "/sub/up/lib.sqlite-shm", true},
      {d + "/link.syx", true},
      {d + "/hard.syx", true},
      {d + "/other.syx", false},
      {d + "/new.syx", false},
      {d + "/sub/lib.sqlite", false},
      {d + "/lib.sqlite-journal", false},
      {"", false},
  };
  for (const TCase &test : cases)
    EXPECT_EQ(IsLibraryFile(test.output, library), test.isLibrary) << test.output;

  // Guarded, the library is found from any of its names.
  EXPECT_FALSE(GuardedLibraryAt(d + "/link.syx").has_value());
  GuardLibrary(library);
  EXPECT_EQ(GuardedLibraryAt(d + "/link.syx").value_or(""), library);
  EXPECT_FALSE(GuardedLibraryAt(d + "/other.syx").has_value());
  fs::remove_all(dir);
}

} // namespace
} // namespace zpm
