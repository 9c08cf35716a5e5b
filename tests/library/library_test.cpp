// SPDX-License-Identifier: GPL-3.0-or-later
// The patch library through a real database file in a fresh folder.
#include "library/library.h"
#include "library/library_database.h"
#include "library/library_files.h"
#include "library/sha256.h"
#include "sid/sid_file.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

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

  static TPatch Sid(const std::string &name, uint8_t seed, uint8_t bank = 0, uint8_t number = 0) {
    return test::NamedSid(name, seed, bank, number);
  }
  static Bytes SidFile(const std::vector<TPatch> &patches) { return test::SidFileOf(patches); }

  fs::path m_dir;
};

TEST(Sha256, KnownDigests) {
  const struct {
    std::string text;
    const char *start; // first 8 bytes of the digest
  } cases[] = {{"", "e3b0c44298fc1c14"},
               {"abc", "ba7816bf8f01cfea"},
               {std::string(1000, 'a'), "41edece42d63e8d9"},
               // The padding fits the last block, or needs one more.
               {std::string(55, 'a'), "9f4390f8d30c2dd9"},
               {std::string(56, 'a'), "b35439a4ac6f0948"},
               {std::string(63, 'a'), "7d3e74a05d7db15b"},
               {std::string(64, 'a'), "ffe054fe7ae0cb6d"},
               {std::string(119, 'a'), "31eba51c313a5c08"},
               {std::string(120, 'a'), "2f3d335432c70b58"}};
  for (const auto &c : cases) {
    TSha256 sha;
    // In uneven pieces, so bytes are both buffered and taken whole.
    for (size_t at = 0, piece = 1; at < c.text.size(); at += piece, piece = piece * 3 % 97 + 1)
      sha.Add(c.text.data() + at, std::min(piece, c.text.size() - at));
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
  // Names that differ in their 16th letter alone: the same sound.
  Write(Path("sub/d.syx"),
        SidFile({Sid("Pad", 3), Sid("Sixteen letters1", 4), Sid("Sixteen letters2", 4)}));

  TLibrary library(Path("lib.sqlite"));
  std::vector<TImportedFile> first = library.Import({m_dir.string()}, nullptr);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0].newPatches, 2);
  EXPECT_EQ(first[0].knownPatches, 1);
  EXPECT_EQ(first[1].newPatches, 2); // "Fat bass" and the one-byte change
  EXPECT_EQ(first[1].knownPatches, 1);
  EXPECT_FALSE(first[2].error.empty());
  EXPECT_EQ(first[3].newPatches, 3);
  EXPECT_EQ(library.Count({}), 7);

  const std::vector<TImportedFile> again = library.Import({Path("a.syx")}, nullptr);
  EXPECT_TRUE(again[0].unchanged);
  EXPECT_EQ(TLibraryDatabase::Of(library).Number("SELECT count(*) FROM sighting"), 9);

  TSearch bass;
  bass.text = "BASS";
  const std::vector<TPatchRow> found = library.Search(bass);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(*found[0].name, "Bass");
  EXPECT_EQ(found[0].seen, 2);
  EXPECT_EQ(*found[2].name, "Fat bass");
  EXPECT_EQ(library.Related(found[0].id), std::vector<int64_t>{found[2].id});
  EXPECT_EQ(library.Resolve(found[0].hash.substr(0, 8)), found[0].id);
  TSearch sixteen;
  sixteen.text = "Sixteen";
  const std::vector<TPatchRow> named = library.Search(sixteen);
  ASSERT_EQ(named.size(), 2u);
  EXPECT_EQ(library.Related(named[0].id), std::vector<int64_t>{named[1].id});

  // The same file through a linked folder is the same file.
  fs::create_directory_symlink(m_dir / "sub", m_dir / "link");
  EXPECT_TRUE(library.Import({Path("link/d.syx")}, nullptr)[0].unchanged);
  // Other bytes of the same size, written later: not the file imported.
  const auto written = fs::last_write_time(Path("a.syx"));
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2), Sid("Cello", 5)}));
  fs::last_write_time(Path("a.syx"), written + std::chrono::seconds(2));
  const TImportedFile rewritten = library.Import({Path("a.syx")}, nullptr)[0];
  EXPECT_FALSE(rewritten.unchanged);
  EXPECT_EQ(rewritten.newPatches, 1);
}

// Days each month has, offsets of zones there are (-14:00 to +14:00), and
// whole seconds counted down, so times before 1970 are not a second late.
TEST(IsoTime, TakesOnlyDaysAndOffsetsThatExistAndShowsAnyTime) {
  const std::pair<const char *, bool> taken[] = {{"2024-02-29", true},
                                                 {"2025-02-29", false},
                                                 {"2000-02-29", true},
                                                 {"1900-02-29", false},
                                                 {"2026-02-30", false},
                                                 {"2026-04-31", false},
                                                 {"2026-12-31", true},
                                                 {"2026-12-07T10:00+14:00", true},
                                                 {"2026-12-07T10:00-14:00", true},
                                                 {"2026-12-07T10:00+14:01", false},
                                                 {"2026-12-07T10:00-15:00", false},
                                                 {"2026-12-07T10:00+05:60", false}};
  for (const auto &[text, ok] : taken) {
    int64_t ms = 0;
    EXPECT_EQ(ParseIsoTime(text, ms), ok) << text;
  }
  setenv("TZ", "UTC", 1);
  tzset();
  const std::pair<int64_t, const char *> shown[] = {{-1500, "1969-12-31T23:59:58+00:00"},
                                                    {-1, "1969-12-31T23:59:59+00:00"},
                                                    {1500, "1970-01-01T00:00:01+00:00"}};
  for (const auto &[ms, text] : shown)
    EXPECT_EQ(IsoTime(ms), text) << ms;
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
    fetch.places.push_back(
        {{PatchBytesOf(Sid("P" + std::to_string(n), uint8_t(n), 2, uint8_t(n))), 2, n, 0},
         false,
         false});
  const int64_t first = library.RecordSnapshot(fetch);
  TSnapshotRecord send;
  send.source = TSnapshotRecord::TSource::Send;
  send.time = 2000;
  send.places.push_back({{PatchBytesOf(Sid("New", 9)), 2, 1, 0}, true, false});
  send.places.push_back({{PatchBytesOf(Sid("P2", 2)), 2, 2, 0}, true, false}); // unchanged
  library.RecordSnapshot(send);

  const std::vector<TSnapshotRow> history = library.History(TKind::Sid, 2);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].source, "send");
  EXPECT_EQ(history[0].changed, 1);
  EXPECT_EQ(history[1].numbers, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(library.History(TKind::Sid, 3).empty());

  const std::vector<TBankSlot> before = library.BankAt(TKind::Sid, 2, 1500);
  const std::vector<TBankSlot> after = library.BankAt(TKind::Sid, 2, 2000);
  EXPECT_EQ(*before[1].name, "P1");
  EXPECT_EQ(*after[1].name, "New");
  EXPECT_EQ(after[3].id, 0); // never fetched: unknown
  EXPECT_EQ(library.BankAt(TKind::Sid, 2, 999)[0].id, 0);
  TSearch inBank;
  inBank.inBankAt = TSearch::TBankAt{TKind::Sid, 2, 1500};
  std::string names;
  for (const TPatchRow &row : library.Search(inBank))
    names += *row.name + ";";
  EXPECT_EQ(names, "P0;P1;P2;");
  inBank.inBankAt->time = 2000;
  EXPECT_EQ(library.Count(inBank), 3); // P0, New, P2
  inBank.text = "new";
  EXPECT_EQ(library.Count(inBank), 1);

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

// A search by name finds what LIKE '%text%' finds, in the same order:
// ASCII letters in either case, other letters as they are, % and _ as
// themselves, patches without a name never.
TEST_F(LibraryTest, SearchByNameFindsWhatLikeFinds) {
  TLibrary library(Path("lib.sqlite"));
  std::vector<TSighting> sightings;
  const char *const names[] = {"Bass",     "bASS drum", "\xC9t\xE9 pad", "\xE9t\xE9 lead",
                               "100% Fat", "Under_sc",  "a\\b",          "Plain"};
  uint8_t seed = 0;
  for (const char *name : names) {
    TSighting seen;
    seen.source = TSighting::TSource::Random;
    seen.patch = PatchBytesOf(Sid(name, seed++));
    sightings.push_back(seen);
  }
  TSighting drums;
  drums.source = TSighting::TSource::Random;
  drums.patch.kind = TKind::FmDrumset;
  sightings.push_back(drums);
  library.RecordSightings(sightings);

  for (const std::string text :
       {"bass", "BASS", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "\xC3\xA9", "%", "_", "0% F",
        "r_s", "\\", "t", "\xE9", "zzz", "s d"}) {
    std::vector<int64_t> expected;
    TStatement like = TLibraryDatabase::Of(library).Prepare(
        "SELECT id FROM patch WHERE name_text LIKE ? ESCAPE '\\' ORDER BY name_text COLLATE "
        "NOCASE, id");
    std::string pattern = "%";
    for (char c : text)
      pattern += c == '%' || c == '_' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    like.Bind(1, pattern + "%");
    while (like.Step())
      expected.push_back(like.Int(0));
    TSearch search;
    search.text = text;
    std::vector<int64_t> found;
    for (const TPatchRow &row : library.Search(search))
      found.push_back(row.id);
    EXPECT_EQ(found, expected) << text;
    EXPECT_EQ(library.Count(search), static_cast<int64_t>(expected.size())) << text;
  }
}

// Sightings go to the database in runs of rows; every row keeps its patch,
// place and count whatever run it fell into.
TEST_F(LibraryTest, LongFilesAndBanksKeepEverySighting) {
  std::vector<TPatch> patches;
  for (int n = 0; n < 100; ++n)
    patches.push_back(Sid("P" + std::to_string(n % 30), uint8_t(n % 30)));
  Write(Path("long.syx"), SidFile(patches));
  TLibrary library(Path("lib.sqlite"));
  const TImportedFile imported = library.ImportFile(Path("long.syx"));
  EXPECT_EQ(imported.newPatches, 30);
  EXPECT_EQ(imported.knownPatches, 70);
  TStatement rows =
      TLibraryDatabase::Of(library).Prepare("SELECT row, patch_id FROM sighting ORDER BY id");
  for (int n = 0; n < 100; ++n) {
    ASSERT_TRUE(rows.Step());
    EXPECT_EQ(rows.Int(0), n);
    const TStoredPatch stored = library.Patch(rows.Int(1));
    EXPECT_TRUE(std::equal(patches[size_t(n)].Data(), patches[size_t(n)].Data() + 256,
                           stored.patch.data.begin()))
        << n;
    EXPECT_EQ(library.Row(rows.Int(1)).seen, n % 30 < 10 ? 4 : 3) << n;
  }
  EXPECT_FALSE(rows.Step());

  TSnapshotRecord fetch;
  for (int n = 0; n < 128; ++n)
    fetch.places.push_back(
        {{PatchBytesOf(patches[size_t(n % 100)]), 5, n, 0}, n % 3 == 0, n % 2 == 0});
  const std::vector<TPlacedPatch> slots = library.SnapshotSlots(library.RecordSnapshot(fetch));
  ASSERT_EQ(slots.size(), 128u);
  for (int n = 0; n < 128; ++n) {
    EXPECT_EQ(slots[size_t(n)].bank, 5);
    EXPECT_EQ(slots[size_t(n)].number, n);
    EXPECT_EQ(slots[size_t(n)].patch.data, PatchBytesOf(patches[size_t(n % 100)]).data) << n;
  }
  // Rows 0, 30, 60 and 90 of the file; slots 0, 30, 60, 90 and 100.
  EXPECT_EQ(library.Row(slots[0].id).seen, 4 + 5);
  EXPECT_EQ(
      TLibraryDatabase::Of(library).Number("SELECT count(*) FROM sighting WHERE verified = 1"), 43);
}

// A kept statement is handed out once at a time and let go of whole: one
// in use is never reset under its user, and none holds the file after.
TEST_F(LibraryTest, KeptStatementsAreNotSharedWhileInUseAndHoldNothingAfter) {
  TSqliteDb db(Path("plain.sqlite"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  db.Exec("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (1), (2), (3)");
  const std::string sql = "SELECT x FROM t ORDER BY x";
  {
    TCachedStatement outer = db.Cached(sql);
    ASSERT_TRUE(outer->Step());
    EXPECT_EQ(outer->Int(0), 1);
    {
      TCachedStatement inner = db.Cached(sql);
      ASSERT_TRUE(inner->Step());
      EXPECT_EQ(inner->Int(0), 1);
    }
    ASSERT_TRUE(outer->Step());
    EXPECT_EQ(outer->Int(0), 2);
  }
  TSqliteDb writer(Path("plain.sqlite"), SQLITE_OPEN_READWRITE);
  EXPECT_NO_THROW(writer.Exec("BEGIN EXCLUSIVE; DELETE FROM t; COMMIT"));
  TCachedStatement again = db.Cached(sql);
  EXPECT_FALSE(again->Step());
}

// A sighting's source is one of the four the library knows, and no other.
TEST_F(LibraryTest, SightingSourcesAreTheFourKnownOnes) {
  TLibrary library(Path("lib.sqlite"));
  TSighting seen;
  seen.source = TSighting::TSource::Random;
  library.RecordSightings({seen});
  const auto add = [&](const std::string &source) {
    TLibraryDatabase::Of(library).Exec(
        "INSERT INTO sighting (patch_id, source, kind, time) VALUES (1, '" + source + "', 0, 0)");
  };
  for (const char *source : {"file", "device", "random", "send"})
    EXPECT_NO_THROW(add(source)) << source;
  for (const char *source : {"fetch", "File", ""})
    EXPECT_THROW(add(source), TSqliteError) << source;
}

// A library with a file (sightings 1, 2), a fetch of two slots of bank C
// (sightings 3, 4) and a user bank, to damage.
void Filled(TLibrary &library, const std::string &syx) {
  library.Import({syx}, nullptr);
  TSnapshotRecord fetch;
  fetch.time = 1000;
  for (int n : {0, 1}) {
    fetch.places.emplace_back();
    fetch.places.back().placed = {library.Patch(n + 1).patch, 2, n, 0};
  }
  library.RecordSnapshot(fetch);
  library.SetUserBankSlot(library.CreateUserBank("Mine", TKind::Sid), 0, 1);
}

bool Lists(const TLibraryCheck &check, const std::string &text) {
  return text.empty() ||
         std::any_of(check.problems.begin(), check.problems.end(),
                     [&](const std::string &line) { return line.find(text) != std::string::npos; });
}

// A value out of its range is never used: what reads it refuses the row by
// its id, and the check lists it.
TEST_F(LibraryTest, RowsOutOfRangeAreRefusedByIdAndListedByTheCheck) {
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
  const struct {
    const char *damage;
    std::function<void(TLibrary &)> use;
    int row;
    const char *table;
  } cases[] = {
      {"patch SET kind = 7 WHERE id = 1", [](TLibrary &l) { l.Search({}); }, 1, "patch"},
      {"patch SET kind = -1 WHERE id = 1", [](TLibrary &l) { l.Row(1); }, 1, "patch"},
      {"patch SET data = zeroblob(255) WHERE id = 2", [](TLibrary &l) { l.Patch(2); }, 2, "patch"},
      {"patch SET flaws = 4 WHERE id = 2", [](TLibrary &l) { l.Patch(2); }, 2, "patch"},
      {"patch SET hash = 'f' || X'FF' || 'ffffffffffffff' WHERE id = 1",
       [](TLibrary &l) { l.Row(1); }, 1, "patch"},
      {"sighting SET source = 'x' WHERE id = 1", [](TLibrary &l) { l.Sightings(1); }, 1,
       "sighting"},
      {"sighting SET bank = 8 WHERE id = 3", [](TLibrary &l) { l.SnapshotSlots(1); }, 3,
       "sighting"},
      {"sighting SET slot = -1 WHERE id = 4", [](TLibrary &l) { l.BankAt(TKind::Sid, 2, 2000); }, 4,
       "sighting"},
      {"sighting SET slot = 128 WHERE id = 4", [](TLibrary &l) { l.History(TKind::Sid, 2); }, 4,
       "sighting"},
      {"snapshot SET source = X'FF'", [](TLibrary &l) { l.History(TKind::Sid, 2); }, 1, "snapshot"},
      {"snapshot SET device = 128", [](TLibrary &l) { l.Sightings(1); }, 1, "snapshot"},
      {"user_bank SET kind = 9", [](TLibrary &l) { l.UserBanks(); }, 1, "user_bank"},
      {"user_bank_slot SET slot = 128", [](TLibrary &l) { l.UserBankSlots(1); }, 1, "user_bank"},
  };
  int n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.damage);
    TLibrary library(Path("lib" + std::to_string(++n) + ".sqlite"));
    Filled(library, Path("a.syx"));
    TLibraryDatabase::Of(library).Exec(
        std::string("PRAGMA ignore_check_constraints = ON; UPDATE ") + c.damage);
    const std::string row = "Row " + std::to_string(c.row) + " of the ";
    try {
      c.use(library);
      ADD_FAILURE() << "the row was used";
    } catch (const TLibraryError &error) {
      EXPECT_NE(std::string(error.what()).find(row + "library's " + c.table + " table "),
                std::string::npos)
          << error.what();
    }
    EXPECT_TRUE(Lists(library.Check(), row + c.table + " table "));
  }
}

// The check finds a library that is not as this version writes it, one line
// a problem, at most 20 of them and their count.
TEST_F(LibraryTest, TheCheckListsWhatIsWrongAndNothingElse) {
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
  const auto schema = [](const std::string &from, const std::string &to) {
    return "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, " + from +
           ", " + to + "); PRAGMA writable_schema = OFF; ";
  };
  const struct {
    std::string damage;
    const char *listed;
    int64_t count;
  } cases[] = {
      {"", "", 0},
      // As the first libraries were written: the same check in other words.
      {schema("'source = ''file'' OR source = ''device'' OR source = ''random'' OR' || char(10) "
              "|| '                              source = ''send'''",
              "'source IN (''file'', ''device'', ''random'', ''send'')'"),
       "", 0},
      {schema("'first_seen'", "'first_seem'"),
       "table patch is not as this version writes it, from \"m INTEGER", 1},
      {"DROP INDEX tag_by_text", "The library has no index tag_by_text.", 1},
      // An index an interrupted import into an empty library left out is
      // built again on opening.
      {"DROP INDEX patch_by_sound; DROP INDEX sighting_by_patch", "", 0},
      {"DROP INDEX patch_by_hash", "", 0},
      {"CREATE TRIGGER t AFTER INSERT ON tag BEGIN DELETE FROM tag; END",
       "The library has a trigger t that this version does not write.", 1},
      {"UPDATE patch SET data = zeroblob(256) WHERE id = 2",
       "Patch 2 has a hash that does not match its bytes.", 1},
      {"INSERT INTO file (path, size, mtime, imported) SELECT path, size, mtime, 0 FROM file",
       "a.syx is recorded 2 times (rows 1, 2 of the file table).", 1},
      {"PRAGMA foreign_keys = OFF; DELETE FROM patch WHERE id = 2",
       "Row 2 of the sighting table names a patch that is not there.", 1},
      // A relaxed check keeps quick_check quiet; the schema and the rows tell.
      {schema("'kind BETWEEN 0 AND 3'", "'kind BETWEEN 0 AND 9'") +
           "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 26) INSERT "
           "INTO patch (id, hash, sound, kind, data, first_seen, last_seen) SELECT i, "
           "printf('%016x', i), printf('%016x', i), 7, zeroblob(256), 0, 0 FROM n",
       "Row 20 of the patch table holds a kind outside 0 to 3.", 26},
  };
  int n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.listed);
    const std::string path = Path("lib" + std::to_string(++n) + ".sqlite");
    TLibrary(path).Import({Path("a.syx")}, nullptr);
    TSqliteDb(path, SQLITE_OPEN_READWRITE)
        .Exec("PRAGMA ignore_check_constraints = ON; " + c.damage);
    const TLibraryCheck check = TLibrary(path).Check();
    EXPECT_EQ(check.count, c.count);
    EXPECT_EQ(check.problems.size(), std::min<size_t>(static_cast<size_t>(c.count), 20));
    EXPECT_TRUE(Lists(check, c.listed)) << (check.problems.empty() ? "" : check.problems[0]);
  }
}

// Opening a library an import into it left without its deferred indexes
// (killed half way) gives each patch that counts more sightings than it has
// the number it has; a patch without any (made in the editor) keeps its own.
TEST_F(LibraryTest, OpeningAfterAStoppedImportCountsTheSightingsAgain) {
  Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2), Sid("Bass", 1)}));
  const struct {
    const char *what;
    const char *change;
    int64_t bass, lead, made; // seen, after opening
  } cases[] = {
      {"indexes left out, counts above", "DROP INDEX sighting_by_patch; UPDATE patch SET seen = 7",
       2, 1, 7},
      {"one index left out", "DROP INDEX patch_by_name; UPDATE patch SET seen = 7", 2, 1, 7},
      {"indexes left out, counts below", "DROP INDEX patch_by_hash; UPDATE patch SET seen = 0", 0,
       0, 0},
      {"every index there", "UPDATE patch SET seen = 7", 7, 7, 7},
  };
  int n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("lib" + std::to_string(++n) + ".sqlite");
    {
      TLibrary library(path);
      library.Import({Path("a.syx")}, nullptr);
      TMaking making;
      library.RecordMade(PatchBytesOf(Sid("Made", 3)), {}, making);
    }
    TSqliteDb(path, SQLITE_OPEN_READWRITE).Exec(c.change);
    TLibrary(path).Count({});
    TSqliteDb reader(path, SQLITE_OPEN_READONLY);
    const auto seen = [&](const char *name) {
      TStatement query = reader.Prepare("SELECT seen FROM patch WHERE name_text = ?");
      query.Bind(1, std::string(name));
      return query.Step() ? query.Int(0) : -1;
    };
    EXPECT_EQ(seen("Bass"), c.bass);
    EXPECT_EQ(seen("Lead"), c.lead);
    EXPECT_EQ(seen("Made"), c.made);
  }
}

// A user bank has the slots of a bank of its kind, and takes patches of that kind.
TEST_F(LibraryTest, UserBanksTakeTheSlotsAndPatchesOfTheirKind) {
  TLibrary library(Path("lib.sqlite"));
  std::vector<TSighting> made(kKindCount);
  for (size_t i = 0; i < made.size(); ++i)
    made[i].patch.kind = kAllKinds[i];
  library.RecordSightings(made);
  const struct {
    TKind kind;
    int slot;
    int64_t patch;
    bool taken;
  } cases[] = {{TKind::Sid, 127, 1, true},       {TKind::Sid, 128, 1, false},
               {TKind::Sid, -1, 1, false},       {TKind::Sid, 0, 2, false},
               {TKind::FmDrumset, 15, 3, true},  {TKind::FmDrumset, 16, 3, false},
               {TKind::FmEnsemble, 31, 4, true}, {TKind::FmEnsemble, 32, 4, false}};
  int n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(KindText(c.kind)) + " " + std::to_string(c.slot));
    const int64_t bank = library.CreateUserBank(std::to_string(++n), c.kind);
    if (c.taken)
      library.SetUserBankSlot(bank, c.slot, c.patch);
    else
      EXPECT_THROW(library.SetUserBankSlot(bank, c.slot, c.patch), TLibraryError);
    EXPECT_EQ(c.taken, library.UserBankSlots(bank)[c.taken ? size_t(c.slot) : 0] == c.patch);
  }
  // Renamed, deleted and put back, a bank keeps its id, kind and every slot.
  const TUserBank drums = library.UserBankNamed("5");
  const std::vector<int64_t> slots = library.UserBankSlots(drums.id);
  EXPECT_THROW(library.RenameUserBank(drums.id, "6"), TLibraryError);
  library.RenameUserBank(drums.id, "Drums");
  library.DeleteUserBank(library.UserBankNamed("Drums").id);
  EXPECT_THROW(library.UserBankSlots(drums.id), TLibraryError);
  EXPECT_EQ(library.UserBanks().size(), size_t(n - 1));
  library.RestoreUserBank({drums.id, "Drums", TKind::FmDrumset, 0}, slots);
  EXPECT_EQ(library.UserBankNamed("Drums").id, drums.id);
  EXPECT_EQ(library.UserBankNamed("Drums").kind, TKind::FmDrumset);
  EXPECT_EQ(library.UserBankSlots(drums.id), slots);
  EXPECT_THROW(library.RestoreUserBank({99, "Drums", TKind::Sid, 0}, {}), TLibraryError);
}

// Files the program cannot read are refused and never changed.
TEST_F(LibraryTest, UnreadableFilesAreRefusedAndLeftAsTheyAre) {
  {
    TLibrary newer(Path("newer.sqlite"));
    TLibraryDatabase::Of(newer).Exec("PRAGMA user_version = 99");
  }
  {
    TSqliteDb other(Path("other.sqlite"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    other.Exec("CREATE TABLE t (x)");
    TSqliteDb negative(Path("negative.sqlite"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // This program's mark, with a version no library has.
    negative.Exec("PRAGMA application_id = 1515212108; PRAGMA user_version = -1");
  }
  Write(Path("text.sqlite"), Bytes{'h', 'e', 'l', 'l', 'o'});
  Bytes damaged;
  {
    TLibrary library(Path("damaged.sqlite"));
    Write(Path("a.syx"), SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
    library.Import({Path("a.syx")}, nullptr);
    TLibraryDatabase::Of(library).Exec("PRAGMA wal_checkpoint(TRUNCATE)");
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
               {"negative.sqlite", "another program"},
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
  const int64_t pages = TLibraryDatabase::Of(library).Number("PRAGMA page_count");
  TLibraryDatabase::Of(library).Exec("PRAGMA max_page_count = " + std::to_string(pages + 2));
  try {
    library.ImportFile(Path("big.syx"));
    ADD_FAILURE() << "the import did not fail";
  } catch (const TLibraryError &error) {
    EXPECT_NE(std::string(error.what()).find("is full"), std::string::npos) << error.what();
  }
  EXPECT_EQ(library.Count({}), 1);
  EXPECT_EQ(TLibraryDatabase::Of(library).Number("SELECT count(*) FROM file"), 1);

  TLibrary other(Path("lib.sqlite"));
  TLibraryDatabase::Of(other).Exec("BEGIN IMMEDIATE");
  TLibraryDatabase::Of(library).Exec("PRAGMA max_page_count = 100000");
  sqlite3_busy_timeout(TLibraryDatabase::Of(library).Handle(), 50);
  EXPECT_THROW(library.ImportFile(Path("big.syx")), TLibraryError);
  TLibraryDatabase::Of(other).Exec("ROLLBACK");
  EXPECT_EQ(library.ImportFile(Path("big.syx")).newPatches, 128);
  EXPECT_EQ(library.Check().count, 0);
}

} // namespace
} // namespace zpm
