// SPDX-License-Identifier: GPL-3.0-or-later
// The patch library through a real database file in a fresh folder.
#include "library/library.h"
#include "library/library_files.h"
#include "library/sha256.h"
#include "library/sqlite_db.h"
#include "sid/sid_file.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zpm {
namespace {

namespace fs = std::filesystem;

class LibraryTest : public ::testing::Test {
protected:
  void SetUp() override {
    char name[] = "/tmp/zpm-library-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    m_dir = name;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Path(const std::string &name) const { return (m_dir / name).string(); }

  static void Write(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  static Bytes Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  // A SID patch named name whose sound is seed.
  static TPatch Sid(const std::string &name, uint8_t seed, uint8_t bank = 0, uint8_t number = 0) {
    TPatch patch;
    for (size_t i = 16; i < 256; ++i)
      patch.Data()[i] = static_cast<uint8_t>((seed + i) & 0x7F);
    for (size_t i = 0; i < 16; ++i)
      patch.Data()[i] = i < name.size() ? static_cast<uint8_t>(name[i]) : ' ';
    patch.Bank = bank;
    patch.SetPatchNumber(number);
    patch.UpdateChecksum();
    return patch;
  }
  static Bytes SidFile(const std::vector<TPatch> &patches) {
    TPatchBank bank;
    for (const TPatch &patch : patches)
      bank.Add(patch);
    return SidFileBytes(bank);
  }

  fs::path m_dir;
};

TEST(Sha256, KnownDigests) {
  const struct {
    std::string text;
    const char *start; // first 8 bytes of the digest
  } cases[] = {{"", "e3b0c44298fc1c14"},
               {"abc", "ba7816bf8f01cfea"},
               {std::string(1000, 'a'), "41edece42d63e8d9"}};
  for (const auto &c : cases) {
    TSha256 sha;
    sha.Add(c.text.data(), c.text.size());
    const auto digest = sha.Finish();
    char hex[17];
    for (int i = 0; i < 8; ++i)
      std::snprintf(hex + 2 * i, 3, "%02x", digest[static_cast<size_t>(i)]);
    EXPECT_EQ(hex, std::string(c.start)) << c.text.size();
  }
}

// One data byte makes another patch; another name alone makes a related one;
// the same file again adds nothing; a refused file stops nothing.
TEST_F(LibraryTest, ImportKeepsEveryPatchOnceAndRelatesSameSounds) {
  TPatch oneByte = Sid("Bass", 1);
  oneByte.Data()[200] ^= 1;
  oneByte.UpdateChecksum();
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2), Sid("Bass", 1)}));
  Write(Path("b.SYX"), SidFile({Sid("Fat bass", 1), oneByte, Sid("Lead", 2)}));
  Write(Path("c.syx"), Bytes{1, 2, 3});
  fs::create_directory(m_dir / "sub");
  Write(Path("sub/d.syx"), SidFile({Sid("Pad", 3)}));

  TLibrary library(Path("lib.sqlite"));
  std::vector<TImportedFile> first = library.Import({m_dir.string()}, nullptr);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0].newPatches, 2);
  EXPECT_EQ(first[0].knownPatches, 1);
  EXPECT_EQ(first[1].newPatches, 2); // "Fat bass" and the one-byte change
  EXPECT_EQ(first[1].knownPatches, 1);
  EXPECT_FALSE(first[2].error.empty());
  EXPECT_EQ(first[3].newPatches, 1);
  EXPECT_EQ(library.Count({}), 5);

  const std::vector<TImportedFile> again = library.Import({Path("a.syx")}, nullptr);
  EXPECT_TRUE(again[0].unchanged);
  EXPECT_EQ(library.Db().Number("SELECT count(*) FROM sighting"), 7);

  TSearch bass;
  bass.text = "BASS";
  const std::vector<TPatchRow> found = library.Search(bass);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(*found[0].name, "Bass");
  EXPECT_EQ(found[0].seen, 2);
  EXPECT_EQ(*found[2].name, "Fat bass");
  EXPECT_EQ(library.Related(found[0].id), std::vector<int64_t>{found[2].id});
  EXPECT_EQ(library.Resolve(found[0].hash.substr(0, 8)), found[0].id);
}

TEST(ShownName, EndsAtTheFirstZeroAndMarksControlBytes) {
  struct Case {
    const char *bytes;
    size_t size;
    const char *shown;
  };
  const Case cases[] = {
      {"Lead\0\0\0\0\0\0\0\0\0\0\0\0", 16, "Lead"},
      {"Lead            ", 16, "Lead"},
      {"Ab\0cd", 5, "Ab"},
      {"A\x01"
       "B",
       3, "A?B"},
  };
  for (const Case &c : cases) {
    uint8_t name[16] = {};
    std::memcpy(name, c.bytes, c.size);
    EXPECT_EQ(ShownName(name), c.shown) << c.shown;
  }
}

TEST_F(LibraryTest, SearchFiltersByKindTagFavouriteAndFile) {
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2), Sid("Pad", 3)}));
  Write(Path("b.syx"), SidFile({Sid("Brass", 4)}));
  TLibrary library(Path("lib.sqlite"));
  library.Import({Path("a.syx"), Path("b.syx")}, nullptr);
  const auto id = [&](const std::string &name) {
    TSearch search;
    search.text = name;
    return library.Search(search).at(0).id;
  };
  library.AddTag(id("Lead"), "mono");
  library.AddTag(id("Bass"), "mono");
  library.AddTag(id("Bass"), "dark");
  library.SetFavourite(id("Pad"), true);
  const auto names = [&](TSearch search) {
    std::string joined;
    for (const TPatchRow &row : library.Search(search))
      joined += *row.name + ";";
    return joined;
  };
  TSearch mono, monoDark, favourite, inB, fm;
  mono.tags = {"mono"};
  monoDark.tags = {"mono", "dark"};
  favourite.favouritesOnly = true;
  inB.file = Path("b.syx");
  fm.kind = TKind::FmVoice;
  EXPECT_EQ(names(mono), "Bass;Lead;");
  EXPECT_EQ(names(monoDark), "Bass;");
  EXPECT_EQ(names(favourite), "Pad;");
  EXPECT_EQ(names(inB), "Brass;");
  EXPECT_EQ(names(fm), "");
  EXPECT_EQ(library.Row(id("Bass")).tags, (std::vector<std::string>{"dark", "mono"}));
}

// The bank's state at a time is the latest record of each slot; a snapshot
// exports with every patch at its own place.
TEST_F(LibraryTest, SnapshotsGiveTheBankAtAnyTimeAndExportInPlace) {
  TLibrary library(Path("lib.sqlite"));
  TSnapshotRecord fetch;
  fetch.time = 1000;
  for (int n = 0; n < 3; ++n)
    fetch.slots.push_back(
        {{PatchBytesOf(Sid("P" + std::to_string(n), uint8_t(n), 2, uint8_t(n))), 2, n, 0},
         false,
         false});
  const int64_t first = library.RecordSnapshot(fetch);
  TSnapshotRecord send;
  send.source = TSnapshotRecord::TSource::Send;
  send.time = 2000;
  send.slots.push_back({{PatchBytesOf(Sid("New", 9)), 2, 1, 0}, true, false});
  send.slots.push_back({{PatchBytesOf(Sid("P2", 2)), 2, 2, 0}, true, false}); // unchanged
  library.RecordSnapshot(send);

  const std::vector<TSnapshotRow> history = library.History(TKind::Sid, 2);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].source, "send");
  EXPECT_EQ(history[0].changed, 1);
  EXPECT_EQ(history[1].slots, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(library.History(TKind::Sid, 3).empty());

  const std::vector<TBankSlot> before = library.BankAt(TKind::Sid, 2, 1500);
  const std::vector<TBankSlot> after = library.BankAt(TKind::Sid, 2, 2000);
  EXPECT_EQ(*before[1].name, "P1");
  EXPECT_EQ(*after[1].name, "New");
  EXPECT_EQ(after[3].id, 0); // never fetched: unknown
  EXPECT_EQ(library.BankAt(TKind::Sid, 2, 999)[0].id, 0);

  TPatchBank loaded;
  LoadSidFile(PlacedPatchFile(library.SnapshotSlots(first), 0), "x", loaded);
  ASSERT_EQ(loaded.Count(), 3);
  for (int n = 0; n < 3; ++n) {
    const TPatch expected = Sid("P" + std::to_string(n), uint8_t(n), 2, uint8_t(n));
    EXPECT_EQ(loaded.GetPatch(n).Bank, 2);
    EXPECT_EQ(loaded.GetPatch(n).PatchNumber(), n);
    EXPECT_TRUE(std::equal(expected.Data(), expected.Data() + 256, loaded.GetPatch(n).Data()));
  }
}

// Files the program cannot read are refused and never changed.
TEST_F(LibraryTest, UnreadableFilesAreRefusedAndLeftAsTheyAre) {
  {
    TLibrary newer(Path("newer.sqlite"));
    newer.Db().Exec("PRAGMA user_version = 99");
  }
  {
    TSqliteDb other(Path("other.sqlite"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    other.Exec("CREATE TABLE t (x)");
  }
  Write(Path("text.sqlite"), Bytes{'h', 'e', 'l', 'l', 'o'});
  Bytes damaged;
  {
    TLibrary library(Path("damaged.sqlite"));
    Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
    library.Import({Path("a.syx")}, nullptr);
    library.Db().Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  damaged = Read(Path("damaged.sqlite"));
  for (size_t i = 4096; i < damaged.size(); i += 7)
    damaged[i] = 0x55;
  Write(Path("damaged.sqlite"), damaged);
  const struct {
    const char *file;
    const char *says;
  } cases[] = {{"newer.sqlite", "newer version"},
               {"other.sqlite", "another program"},
               {"text.sqlite", "not a patch library"},
               {"damaged.sqlite", "damaged"}};
  for (const auto &c : cases) {
    const Bytes before = Read(Path(c.file));
    try {
      TLibrary library(Path(c.file));
      ADD_FAILURE() << c.file << " was opened";
    } catch (const TLibraryError &error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find(Path(c.file)), std::string::npos);
    }
    EXPECT_EQ(Read(Path(c.file)), before) << c.file;
    EXPECT_FALSE(fs::exists(Path(c.file) + "-wal")) << c.file;
  }
}

// A full disk or a busy library ends a change whole: nothing of it is kept.
TEST_F(LibraryTest, AFailedImportLeavesTheLibraryAsBefore) {
  Write(Path("a.syx"), SidFile({Sid("Bass", 1)}));
  std::vector<TPatch> many;
  for (int n = 0; n < 128; ++n)
    many.push_back(Sid("Many", uint8_t(n)));
  Write(Path("big.syx"), SidFile(many));
  TLibrary library(Path("lib.sqlite"));
  library.Import({Path("a.syx")}, nullptr);
  const int64_t pages = library.Db().Number("PRAGMA page_count");
  library.Db().Exec("PRAGMA max_page_count = " + std::to_string(pages + 2));
  try {
    library.ImportFile(Path("big.syx"));
    ADD_FAILURE() << "the import did not fail";
  } catch (const TLibraryError &error) {
    EXPECT_NE(std::string(error.what()).find("is full"), std::string::npos) << error.what();
  }
  EXPECT_EQ(library.Count({}), 1);
  EXPECT_EQ(library.Db().Number("SELECT count(*) FROM file"), 1);

  TLibrary other(Path("lib.sqlite"));
  other.Db().Exec("BEGIN IMMEDIATE");
  library.Db().Exec("PRAGMA max_page_count = 100000");
  sqlite3_busy_timeout(library.Db().Handle(), 50);
  EXPECT_THROW(library.ImportFile(Path("big.syx")), TLibraryError);
  other.Db().Exec("ROLLBACK");
  EXPECT_EQ(library.ImportFile(Path("big.syx")).newPatches, 128);
  EXPECT_TRUE(library.Check().empty());
}

} // namespace
} // namespace zpm
