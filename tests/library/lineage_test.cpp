// SPDX-License-Identifier: GPL-3.0-or-later
// A patch made from others keeps its parents, in a new library and in one
// moved forward from before lineage was kept.
#include "library/library.h"
#include "library/library_database.h"
#include "library/library_files.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zpm {
namespace {

namespace fs = std::filesystem;

TPatchBytes Made(const std::string &name, uint8_t seed) {
  return PatchBytesOf(test::NamedSid(name, seed));
}

class LineageTest : public ::testing::Test {
protected:
  void SetUp() override {
    char name[] = "/tmp/zpm-lineage-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    m_dir = name;
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string Path(const std::string &name) const { return (m_dir / name).string(); }

  fs::path m_dir;
};

TEST_F(LineageTest, MadePatchesKnowTheirParentsAndHow) {
  TLibrary library(Path("library.sqlite"));
  const TPatchBytes a = Made("Bass", 1), b = Made("Lead", 2);
  const int64_t edited = library.RecordMade(Made("Bass 2", 1), {a}, {TMadeBy::Edit});
  const int64_t crossed =
      library.RecordMade(Made("Cross", 3), {a, b}, {TMadeBy::Cross, -1, true, 77});
  // Made again, the same child gains no second link; a copy is not its own child.
  library.RecordMade(Made("Cross", 3), {a, b}, {TMadeBy::Cross, -1, true, 77});
  const int64_t copy = library.RecordMade(a, {a}, {TMadeBy::Vary, 0, true, 5});

  const std::vector<TLineageRow> parents = library.Parents(crossed);
  ASSERT_EQ(parents.size(), 2u);
  EXPECT_EQ(parents[0].making.how, TMadeBy::Cross);
  EXPECT_TRUE(parents[0].making.hasSeed);
  EXPECT_EQ(parents[0].making.seed, 77);
  EXPECT_EQ(parents[0].making.amount, -1);
  const int64_t bass = library.Parents(edited).at(0).id;
  EXPECT_EQ(parents[0].id, bass);
  EXPECT_EQ(copy, bass);
  EXPECT_TRUE(library.Parents(copy).empty());
  const std::vector<TLineageRow> children = library.Children(bass);
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].id, edited);
  EXPECT_FALSE(children[0].making.hasSeed);
  EXPECT_EQ(children[1].id, crossed);
  EXPECT_EQ(library.Check().count, 0);

  // A crafted row is refused where it is read, and reported by the check.
  TLibraryDatabase::Of(library).Exec("PRAGMA ignore_check_constraints = 1; UPDATE lineage SET "
                                     "amount = 101 WHERE child_id = " +
                                     std::to_string(crossed));
  EXPECT_THROW(library.Parents(crossed), TLibraryError);
  const TLibraryCheck check = library.Check();
  EXPECT_EQ(check.count, 2); // both of the crossing's rows
  EXPECT_EQ(check.problems.at(0), "Row 2 of the lineage table holds an amount outside 0 to 100.");
}

TEST_F(LineageTest, ALibraryFromBeforeLineageIsMovedForward) {
  int64_t bass = 0;
  {
    TLibrary library(Path("old.sqlite"));
    bass = library.RecordMade(Made("Bass", 1), {}, {});
    // As the first version wrote it: no lineage table.
    TLibraryDatabase::Of(library).Exec("DROP TABLE lineage; PRAGMA user_version = 1");
  }
  TLibrary library(Path("old.sqlite"));
  EXPECT_TRUE(fs::exists(Path("old.sqlite.v1.bak")));
  const int64_t child = library.RecordMade(Made("Bass 2", 1), {Made("Bass", 1)}, {});
  EXPECT_EQ(library.Parents(child).at(0).id, bass);
  EXPECT_EQ(library.Check().count, 0);
}

} // namespace
} // namespace zpm
