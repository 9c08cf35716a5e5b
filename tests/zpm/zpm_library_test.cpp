// SPDX-License-Identifier: GPL-3.0-or-later
// zpm library, run as the real program on a library file in a fresh folder;
// histories are written into it through the library itself, as a fetch would.
#include "library/library.h"
#include "library/library_files.h"
#include "library/sqlite_db.h"
#include "sid/sid_file.h"
#include "zpm/zpm_folder.h"
#include "zpm/zpm_run.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace zpm {
namespace {

using test::HasControlBytes;
using test::RawRun;
using test::RunSetup;
using test::RunZpm;

class ZpmLibrary : public test::ZpmFolderTest {
protected:
  std::string Library() const { return Path("lib.sqlite"); }
  // zpm library SUBCOMMAND ... --library lib.sqlite
  RawRun Lib(std::vector<std::string> args) const {
    args.insert(args.begin(), "library");
    args.insert(args.end(), {"--library", Library()});
    return RunZpm(args);
  }
  static QJsonObject Json(const RawRun &run) {
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out));
    EXPECT_TRUE(json.isObject()) << run.out << run.err;
    return json.object();
  }
  static TPatch Sid(const std::string &name, uint8_t seed, uint8_t bank = 0, uint8_t number = 0) {
    return test::NamedSid(name, seed, bank, number);
  }
  static Bytes SidFile(const std::vector<TPatch> &patches) { return test::SidFileOf(patches); }
  static std::vector<int64_t> Ids(const QJsonObject &json) {
    std::vector<int64_t> ids;
    for (const QJsonValue &patch : json["patches"].toArray())
      ids.push_back(patch["id"].toInteger());
    return ids;
  }
};

TEST_F(ZpmLibrary, ImportSaysWhatWasNewKnownOrRefused) {
  Write("a.syx", SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
  Write("b.syx", SidFile({Sid("Bass", 1), Sid("Pad", 3)}));
  Write("junk.syx", {1, 2, 3});
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string out; // a line of standard output
  };
  const Case cases[] = {
      {{"import", Path("a.syx")}, 0, Path("a.syx") + ": 2 new patches, 0 already known"},
      {{"import", Path("b.syx"), Path("junk.syx")},
       1,
       Path("b.syx") + ": 1 new patch, 1 already known"},
      {{"import", Path("junk.syx")}, 1, "refused: " + Path("junk.syx") + " is not a SID"},
      {{"import", Path("a.syx")}, 0, Path("a.syx") + ": unchanged since it was imported"},
      {{"import", Path("nowhere")}, 1, "refused: " + Path("nowhere") + " cannot be read"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[1]);
    const RawRun run = Lib(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE(("\n" + run.out).find("\n" + c.out), std::string::npos) << run.out;
  }
  Write("c.syx", SidFile({Sid("Lead", 2), Sid("Keys", 4)}));
  const QJsonObject json = Json(Lib({"import", Path("c.syx"), Path("junk.syx"), "--json"}));
  const QJsonArray files = json["files"].toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[0]["path"].toString().toStdString(), Path("c.syx"));
  EXPECT_EQ(files[0]["new"].toInt(), 1);
  EXPECT_EQ(files[0]["known"].toInt(), 1);
  EXPECT_TRUE(files[0]["error"].isNull());
  EXPECT_TRUE(files[1]["error"].isString());
  EXPECT_EQ(json["new"].toInt(), 1);
  EXPECT_EQ(json["known"].toInt(), 1);

  // Busy past its timeout before the first file: none is said to be in.
  Write("d.syx", SidFile({Sid("Organ", 5)}));
  TSqliteDb writer(Library(), SQLITE_OPEN_READWRITE);
  writer.Exec("BEGIN IMMEDIATE");
  const RawRun busy = Lib({"import", Path("d.syx")});
  writer.Exec("ROLLBACK");
  EXPECT_EQ(busy.code, 1);
  EXPECT_NE(busy.err.find("is busy"), std::string::npos) << busy.err;
  EXPECT_EQ(busy.err.find("listed above"), std::string::npos) << busy.err;
}

// Every filter narrows the list, and what the musician says shows in it.
TEST_F(ZpmLibrary, SearchFiltersAndTagsFavouritesNotesRoundTrip) {
  Write("a.syx", SidFile({Sid("Fat Bass", 1), Sid("Lead", 2)}));
  Write("b.syx", SidFile({Sid("Thin bass", 3)}));
  ASSERT_EQ(Lib({"import", Path("a.syx"), Path("b.syx")}).code, 0);
  {
    TLibrary library(Library());
    TSighting voice;
    voice.source = TSighting::TSource::Random;
    voice.patch.kind = TKind::FmVoice;
    std::memcpy(voice.patch.data.data(), "Bass voice      ", 16);
    library.RecordSightings({voice});
  }
  // IDs by import order: 1 Fat Bass, 2 Lead, 3 Thin bass, 4 Bass voice.
  struct Case {
    std::vector<std::string> args;
    std::vector<int64_t> ids; // as listed, by name
  };
  const Case cases[] = {
      {{"tag", "1", "+warm", "+dark", "-dark"}, {}},
      {{"tag", "3", "+warm"}, {}},
      {{"favourite", "3"}, {}},
      {{"favourite", "2"}, {}},
      {{"favourite", "2", "--off"}, {}},
      {{"note", "1", "from the 1986 tape"}, {}},
      {{"search", "BASS", "--json"}, {4, 1, 3}},
      {{"search", "bass", "--kind", "sid", "--json"}, {1, 3}},
      {{"search", "--tag", "warm", "--json"}, {1, 3}},
      {{"search", "--tag", "warm", "--tag", "dark", "--json"}, {}},
      {{"search", "--favourite", "--json"}, {3}},
      {{"search", "--file", Path("a.syx"), "--json"}, {1, 2}},
      {{"search", "--limit", "2", "--json"}, {4, 1}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const RawRun run = Lib(c.args);
    ASSERT_EQ(run.code, 0) << run.err;
    if (c.args.back() == "--json") {
      EXPECT_EQ(Ids(Json(run)), c.ids);
    }
  }
  const QJsonObject first = Json(Lib({"search", "fat", "--json"}))["patches"][0].toObject();
  EXPECT_EQ(first["hash"].toString().size(), 16);
  EXPECT_EQ(first["kind"].toString(), "sid");
  EXPECT_EQ(first["name"].toString(), "Fat Bass");
  EXPECT_EQ(first["tags"].toArray(), QJsonArray{"warm"});
  EXPECT_EQ(first["favourite"].toBool(), false);
  EXPECT_EQ(first["note"].toString(), "from the 1986 tape");
  EXPECT_EQ(first["seen"].toInt(), 1);
  EXPECT_TRUE(first["first_seen"].toString().startsWith("20"));
  EXPECT_TRUE(first["last_seen"].toString().startsWith("20"));
  EXPECT_EQ(first["related"].toArray(), QJsonArray{});
  // A hash prefix names the same patch as its ID.
  EXPECT_EQ(
      Json(Lib({"show", first["hash"].toString().left(8).toStdString(), "--json"}))["id"].toInt(),
      1);
}

TEST_F(ZpmLibrary, HistoryAndExportPutEveryPatchBackAtItsSlot) {
  const int64_t t1 = 1800000000000, t2 = t1 + 3600000;
  {
    TLibrary library(Library());
    TSnapshotRecord fetch;
    fetch.device = 5;
    fetch.time = t1;
    for (int number : {0, 1}) {
      TSnapshotRecord::TSlot slot;
      slot.placed.patch = PatchBytesOf(Sid("Old " + std::to_string(number), uint8_t(number)));
      slot.placed.bank = 2;
      slot.placed.number = number;
      fetch.places.push_back(slot);
    }
    library.RecordSnapshot(fetch);
    TSnapshotRecord send = fetch;
    send.source = TSnapshotRecord::TSource::Send;
    send.time = t2;
    send.places.resize(1);
    send.places[0].placed.number = 1;
    send.places[0].placed.patch = PatchBytesOf(Sid("New", 9));
    library.RecordSnapshot(send);
  }
  const QJsonObject history = Json(Lib({"history", "sid:c", "--json"}));
  EXPECT_EQ(history["bank"].toString(), "sid:C");
  const QJsonArray snapshots = history["snapshots"].toArray();
  ASSERT_EQ(snapshots.size(), 2);
  EXPECT_EQ(snapshots[0]["source"].toString(), "send");
  EXPECT_EQ(snapshots[0]["slots"].toArray(), QJsonArray{"C:2"});
  EXPECT_EQ(snapshots[0]["changed"].toInt(), 1);
  EXPECT_EQ(snapshots[1]["slots"].toArray(), (QJsonArray{"C:1", "C:2"}));
  EXPECT_EQ(snapshots[1]["time"].toString().toStdString(), IsoTime(t1));

  struct Case {
    std::string time;
    std::vector<std::string> names; // C:1, C:2, C:3
  };
  const Case states[] = {{IsoTime(t1 - 1000), {"", "", ""}},
                         {IsoTime(t1), {"Old 0", "Old 1", ""}},
                         {IsoTime(t2), {"Old 0", "New", ""}}};
  for (const Case &c : states) {
    SCOPED_TRACE(c.time);
    const QJsonArray bankSlots =
        Json(Lib({"history", "sid:C", "--at", c.time, "--json"}))["slots"].toArray();
    ASSERT_EQ(bankSlots.size(), 128);
    EXPECT_EQ(bankSlots[2]["slot"].toString(), "C:3");
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(bankSlots[i]["name"].toString().toStdString(), c.names[size_t(i)]) << i;
  }

  struct Export {
    std::vector<std::string> source;
    std::vector<std::string> names; // in the file, each at C:1, C:2, ...
    std::string err;
  };
  const Export exports[] = {
      {{"--snapshot", "1"}, {"Old 0", "Old 1"}, ""},
      {{"--snapshot", "2"}, {"", "New"}, ""},
      {{"--bank-at", "sid:C@" + IsoTime(t2)}, {"Old 0", "New"}, "126 of the 128 slots of sid:C"},
  };
  for (const Export &e : exports) {
    SCOPED_TRACE(e.source[1]);
    std::vector<std::string> args = {"export", "--output", Path("out.syx")};
    args.insert(args.end(), e.source.begin(), e.source.end());
    const RawRun run = Lib(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err.substr(0, e.err.size()), e.err);
    EXPECT_EQ(run.err.empty(), e.err.empty()) << run.err;
    const std::string bytes = test::SlurpFile(Path("out.syx"));
    TPatchBank bank;
    LoadSidFile(Bytes(bytes.begin(), bytes.end()), Path("out.syx"), bank);
    size_t found = 0;
    for (size_t number = 0; number < e.names.size(); ++number) {
      if (e.names[number].empty())
        continue;
      ASSERT_LT(found, size_t(bank.Count()));
      const TPatch &patch = bank.GetPatch(int(found++));
      EXPECT_EQ(patch.Bank, 2);
      EXPECT_EQ(patch.PatchNumber(), number);
      EXPECT_EQ(patch.DeviceNumber(), 5);
      EXPECT_EQ(std::string(reinterpret_cast<const char *>(patch.Data()), e.names[number].size()),
                e.names[number]);
    }
    EXPECT_EQ(found, size_t(bank.Count()));
  }
}

TEST_F(ZpmLibrary, AnExportPastBankHsLastSlotWritesNothing) {
  {
    TLibrary library(Library());
    std::vector<TSighting> many(8 * 128 + 1);
    for (size_t i = 0; i < many.size(); ++i) {
      many[i].patch.data[16] = uint8_t(i & 0x7F);
      many[i].patch.data[17] = uint8_t(i >> 7);
    }
    library.RecordSightings(many);
  }
  const RawRun past = Lib({"export", "--search", "", "--output", Path("all.syx")});
  EXPECT_EQ(past.code, 1);
  EXPECT_NE(past.err.find("than banks A to H have slots (1024)"), std::string::npos) << past.err;
  EXPECT_FALSE(std::ifstream(Path("all.syx")).good());
  const RawRun fits = Lib({"export", "--ids", "2-1025", "--output", Path("all.syx")});
  EXPECT_EQ(fits.code, 0) << fits.err;
  const std::string bytes = test::SlurpFile(Path("all.syx"));
  TPatchBank bank;
  LoadSidFile(Bytes(bytes.begin(), bytes.end()), Path("all.syx"), bank);
  EXPECT_EQ(bank.Count(), 1024);
}

// Names and paths are bytes: none reaches the terminal as a control, and
// bytes that are not UTF-8 never reach it at all.
TEST_F(ZpmLibrary, HostileNamesAndPathsAreShownEscaped) {
  const std::string file = "evil\x1b]0;x\x07\xff.syx";
  Write(file, SidFile({Sid("\x1b[2J\x9b"
                           "31m\xe9t\xe9",
                           1)}));
  const RawRun imported = Lib({"import", Path(file)});
  ASSERT_EQ(imported.code, 0) << imported.err;
  struct Case {
    std::vector<std::string> args;
    std::string shown;
  };
  const Case cases[] = {
      {{"import", Path(file)}, "evil?]0;x??.syx: unchanged"},
      {{"search"}, "?[2J?31m\xc3\xa9t\xc3\xa9"},
      {{"show", "1"}, "file " + Path("evil?]0;x??.syx")},
      {{"tag", "1", "+\xff\xfe"}, "tags ??."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0]);
    const RawRun run = Lib(c.args);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_FALSE(HasControlBytes(run.out)) << run.out;
    EXPECT_NE(run.out.find(c.shown), std::string::npos) << run.out;
  }
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"search", "--json"}, {"import", Path(file), "--json"}}) {
    const RawRun run = Lib(args);
    EXPECT_FALSE(HasControlBytes(run.out)) << run.out;
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).isObject()) << run.out;
  }
  // JSON escapes the name's control characters rather than hiding them.
  EXPECT_EQ(Json(Lib({"search", "--json"}))["patches"][0]["name"].toString(),
            QString::fromUtf8("\x1b[2J\xc2\x9b"
                              "31m\xc3\xa9t\xc3\xa9"));
  // QTemporaryDir cannot name a file whose name is not UTF-8.
  std::remove(Path(file).c_str());
}

// An output that is the library, however named, is refused before anything
// is written or fetched: the library stays byte for byte as it was.
TEST_F(ZpmLibrary, NoOutputReplacesTheLibraryOrItsFiles) {
  Write("a.syx", SidFile({Sid("Keep Me", 1)}));
  ASSERT_EQ(Lib({"import", Path("a.syx")}).code, 0);
  std::filesystem::create_symlink(Library(), Path("link.syx"));
  const std::string before = test::SlurpFile(Library());
  const std::string wal = Library() + "-wal";
  const std::string dotted = dir.path().toStdString() + "/../" +
                             QFileInfo(dir.path()).fileName().toStdString() + "/lib.sqlite";
  struct Case {
    std::vector<std::string> args;
    RunSetup setup;
  };
  RunSetup byDefault;
  byDefault.env = {{"ZPM_LIBRARY", Library()}};
  const Case cases[] = {
      {{"library", "export", "--ids", "1", "--output", Library(), "--library", Library()}, {}},
      {{"library", "export", "--ids", "1", "--output", dotted, "--library", Library()}, {}},
      {{"library", "export", "--ids", "1", "--output", Path("link.syx"), "--library", Library()},
       {}},
      {{"library", "export", "--ids", "1", "--output", wal, "--library", Library()}, {}},
      {{"sid", "fetch", "--bank", "A", "--output", Library(), "--library", Library()}, {}},
      {{"sid", "fetch", "--bank", "A", "--output", Library() + "-shm"}, byDefault},
      {{"random", "sid", "--seed", "1", "--bank", "A", "--first", "1", "--count", "1", "--output",
        Library()},
       byDefault},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[c.args.size() - 1]);
    const RawRun run = RunZpm(c.args, c.setup);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("is the patch library"), std::string::npos) << run.err;
    EXPECT_EQ(test::SlurpFile(Library()), before);
    EXPECT_FALSE(std::filesystem::exists(wal));
    EXPECT_FALSE(std::filesystem::exists(Library() + "-shm"));
  }
}

TEST_F(ZpmLibrary, ALibraryThatCannotBeOpenedIsLeftAsItIs) {
  const std::string text = "my shopping list, not a library\n";
  Write("lib.sqlite", Bytes(text.begin(), text.end()));
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"search"}, {"stats", "--json"}, {"tag", "1", "+x"}}) {
    SCOPED_TRACE(args[0]);
    const RawRun run = Lib(args);
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find(Library()), std::string::npos) << run.err;
    EXPECT_EQ(test::SlurpFile(Library()), text);
  }
}

// check fails when a check does, one line a problem, at most 20 and a count.
TEST_F(ZpmLibrary, CheckListsProblemsAndFailsWithThem) {
  Write("a.syx", SidFile({Sid("Bass", 1), Sid("Lead", 2)}));
  const struct {
    const char *damage;
    int code;
    const char *says;
    long lines;
  } cases[] = {
      {"", 0, "every check holds", 1},
      {"UPDATE patch SET data = zeroblob(256) WHERE id = 1", 1,
       "Patch 1 has a hash that does not match its bytes.\n", 1},
      {"PRAGMA foreign_keys = OFF; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM "
       "n WHERE i < 25) INSERT INTO sighting (patch_id, source, kind, time) SELECT 99, 'random', "
       "0, 0 FROM n",
       1, "names a patch that is not there.\n... and 5 more problems.\n", 21},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.damage);
    for (const char *end : {"", "-wal", "-shm"})
      std::remove((Library() + end).c_str());
    ASSERT_EQ(Lib({"import", Path("a.syx")}).code, 0);
    TSqliteDb(Library(), SQLITE_OPEN_READWRITE).Exec(c.damage);
    const RawRun run = Lib({"check"});
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), c.lines) << run.out;
  }
}

// A folder that cannot be written takes no log beside the library: it is
// still searched and shown, and a change says why it cannot be made.
TEST_F(ZpmLibrary, ALibraryInAReadOnlyFolderIsStillRead) {
  Write("a.syx", SidFile({Sid("Bass", 1)}));
  const std::string folder = Path("kept"), library = folder + "/lib.sqlite";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(RunZpm({"library", "import", Path("a.syx"), "--library", library}).code, 0);
  chmod(dir.path().toStdString().c_str(), 0755);
  chmod(library.c_str(), 0644);
  chmod(folder.c_str(), 0555);
  test::RunSetup nobody;
  nobody.unprivileged = true;
  const struct {
    std::vector<std::string> args;
    int code;
    const char *says;
  } cases[] = {{{"search"}, 0, "Bass"},
               {{"show", "1"}, 0, "Library patch 1,"},
               {{"tag", "1", "+x"}, 1, "cannot be written"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = {"library"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--library", library});
    const RawRun run = RunZpm(args, nobody);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
  }
  chmod(folder.c_str(), 0755);
}

TEST_F(ZpmLibrary, BadUsageIsRefusedBeforeTheLibraryIsOpened) {
  const std::vector<std::string> cases[] = {
      {"history", "sid:Q"},
      {"history", "fm:pads:A"},
      {"history", "sid:A", "--at", "yesterday"},
      {"search", "--kind", "fm"},
      {"search", "--limit", "0"},
      {"search", "--file", ""},
      {"export", "--ids", "1"},
      {"export", "--ids", "1", "--snapshot", "1", "--output", Path("x.syx")},
      {"export", "--snapshot", "1", "--tag", "x", "--output", Path("x.syx")},
      {"export", "--bank-at", "sid:C", "--output", Path("x.syx")},
      {"frobnicate"},
  };
  for (const std::vector<std::string> &args : cases) {
    SCOPED_TRACE(args[0] + " " + args[1 % args.size()]);
    EXPECT_EQ(Lib(args).code, 2);
  }
  EXPECT_FALSE(std::ifstream(Library()).good());
}

} // namespace
} // namespace zpm
