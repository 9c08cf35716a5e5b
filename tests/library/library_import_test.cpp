// SPDX-License-Identifier: GPL-3.0-or-later
// Importing many files at once: in batches, each file told once it is
// committed, and an empty library loaded without the log when no other
// program has it open, then left with every index and in the log.
#include "library/library.h"
#include "library/library_records.h"
#include "library/sqlite_db.h"

#include "midi/transfer_host.h"
#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace zpm {
namespace {

namespace fs = std::filesystem;

// The journal the file itself says it is in: 1 a rollback journal, 2 the log.
int FileJournal(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  char head[20] = {};
  in.read(head, sizeof head);
  return head[18];
}

// Ten files of 16 patches; each file's last patch is the one before's too.
TPatch Made(int f, int r) {
  const int index = r == 15 && f > 0 ? f * 16 - 2 : f * 16 + r;
  return test::NamedSid("P" + std::to_string(index), static_cast<uint8_t>(index), 0,
                        static_cast<uint8_t>(r));
}

fs::path MakeBanks() {
  char name[] = "/tmp/zpm-import-XXXXXX";
  if (!mkdtemp(name))
    return {};
  const fs::path dir = name;
  fs::create_directories(dir / "banks");
  for (int f = 0; f < 10; ++f) {
    std::vector<TPatch> patches;
    for (int r = 0; r < 16; ++r)
      patches.push_back(Made(f, r));
    const Bytes bytes = test::SidFileOf(patches);
    std::ofstream(dir / "banks" / ("b" + std::to_string(f) + ".syx"), std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  return dir;
}

TEST(LibraryImport, EveryFileIsToldOnceCommittedAndTheLibraryEndsWhole) {
  const fs::path dir = MakeBanks();
  ASSERT_FALSE(dir.empty());
  struct TCase {
    const char *what;
    bool holdsAPatch; // the library is not empty before: no indexes left out
    int files;
    bool otherOpen;    // another program reads the file as the import starts
    int journalDuring; // 1 loaded without the log, 2 in the log
  };
  const TCase cases[] = {
      {"ten files into an empty library", false, 10, false, 1},
      {"ten files into an empty library another program has open", false, 10, true, 2},
      {"ten files into a library that holds a patch", true, 10, false, 2},
      {"one file into an empty library", false, 1, false, 2},
  };
  int n = 0;
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = (dir / ("lib" + std::to_string(++n) + ".sqlite")).string();
    TLibrary library(path);
    if (c.holdsAPatch)
      library.ImportFile((dir / "banks" / "b9.syx").string());
    std::vector<std::string> files;
    for (int f = 0; f < c.files; ++f)
      files.push_back((dir / "banks" / ("b" + std::to_string(f) + ".syx")).string());
    TSqliteDb reader(path, SQLITE_OPEN_READONLY);
    if (c.otherOpen)
      reader.Number("SELECT count(*) FROM patch");
    std::vector<std::string> told;
    const auto results = library.Import(files, nullptr, [&](const TImportedFile &file) {
      told.push_back(file.path);
      EXPECT_EQ(FileJournal(path), c.journalDuring);
      // Told once committed: another connection sees its sightings.
      TStatement seen = reader.Prepare(
          "SELECT count(*) FROM sighting s JOIN file f ON f.id = s.file_id WHERE f.path = ?");
      seen.BindBlob(1, file.path.data(), file.path.size());
      seen.Step();
      EXPECT_EQ(seen.Int(0), file.unchanged ? 16 : file.newPatches + file.knownPatches)
          << file.path;
    });
    ASSERT_EQ(results.size(), files.size());
    EXPECT_EQ(FileJournal(path), 2);
    EXPECT_EQ(told.size(), files.size());
    for (size_t i = 0; i < results.size(); ++i)
      EXPECT_EQ(told[i], results[i].path);
    const TLibraryCheck check = library.Check();
    EXPECT_EQ(check.count, 0) << (check.problems.empty() ? "" : check.problems[0]);
    EXPECT_EQ(reader.Number("SELECT count(*) FROM sighting"), 16 * c.files);
    EXPECT_EQ(reader.Number("SELECT count(*) FROM patch"), c.files == 1 ? 16 : 15 * c.files + 1);
    // The name index is there and used for a search by name.
    TSearch search;
    search.text = "P17";
    EXPECT_EQ(library.Count(search), c.files > 1 || c.holdsAPatch ? 1 : 0);
  }
  fs::remove_all(dir);
}

// How many patches count other sightings than they have.
int64_t Miscounted(TSqliteDb &db) {
  return db.Number("SELECT count(*) FROM patch p WHERE seen != (SELECT count(*) FROM sighting s "
                   "WHERE s.patch_id = p.id)");
}

// Acts before a file of the storing, once the import has counted the files.
class TStepHost : public TTransferHost {
public:
  explicit TStepHost(std::function<bool(int)> before) : m_before(std::move(before)) {}
  bool Ask(const std::string &) override { return true; }
  void Inform(const std::string &) override {}
  int WaitForSysEx() override { return 0; }
  void Delay(int) override {}
  void WaitForBytes(size_t, int) override {}
  bool ProgressCancelled() override { return m_before(m_asked++); }

private:
  std::function<bool(int)> m_before;
  int m_asked = 0;
};

// An import into an empty library stores each new patch with the count of
// its sightings to come: whatever it meets otherwise than it counted, every
// patch ends counting the sightings it has.
TEST(LibraryImport, ACountedImportEndsWithEveryPatchCountingItsSightings) {
  const fs::path dir = MakeBanks();
  ASSERT_FALSE(dir.empty());
  const auto bank = [&](int f) {
    return (dir / "banks" / ("b" + std::to_string(f) + ".syx")).string();
  };
  struct TCase {
    const char *what;
    int cancelAt; // the file before which the import is cancelled, -1 never
    int changed;  // the file rewritten after counting (as b0), -1 none
    int removed;  // the file taken away after counting, -1 none
    bool twice;   // the last file named again
    int64_t sightings;
  };
  const TCase cases[] = {
      {"every file as counted", -1, -1, -1, false, 160},
      {"cancelled after five files", 5, -1, -1, false, 80},
      {"a file changed after counting", -1, 7, -1, false, 160},
      {"a file taken away after counting", -1, -1, 8, false, 144},
      {"a file named twice", -1, -1, -1, true, 160},
  };
  int n = 0;
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path copy = dir / ("copy" + std::to_string(++n));
    fs::copy(dir / "banks", copy);
    std::vector<std::string> files;
    for (int f = 0; f < 10; ++f)
      files.push_back((copy / ("b" + std::to_string(f) + ".syx")).string());
    if (c.twice)
      files.push_back(files.back());
    TStepHost host([&](int file) {
      if (file == 0 && c.changed >= 0) {
        fs::remove(files[static_cast<size_t>(c.changed)]);
        fs::copy_file(bank(0), files[static_cast<size_t>(c.changed)]);
      }
      if (file == 0 && c.removed >= 0)
        fs::remove(files[static_cast<size_t>(c.removed)]);
      return file == c.cancelAt;
    });
    const std::string path = (dir / ("lib" + std::to_string(n) + ".sqlite")).string();
    TLibrary library(path);
    library.Import(files, &host);
    TSqliteDb reader(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(reader.Number("SELECT count(*) FROM sighting"), c.sightings);
    EXPECT_EQ(Miscounted(reader), 0);
    const TLibraryCheck check = library.Check();
    EXPECT_EQ(check.count, 0) << (check.problems.empty() ? "" : check.problems[0]);
  }
  fs::remove_all(dir);
}

// Holds the import a moment before one file, so that its batch ends there.
class TSlowHost : public TTransferHost {
public:
  explicit TSlowHost(int slowBefore) : m_slowBefore(slowBefore) {}
  bool Ask(const std::string &) override { return true; }
  void Inform(const std::string &) override {}
  int WaitForSysEx() override { return 0; }
  void Delay(int) override {}
  void WaitForBytes(size_t, int) override {}
  bool ProgressCancelled() override {
    if (m_asked++ == m_slowBefore)
      std::this_thread::sleep_for(std::chrono::milliseconds(2600));
    return false;
  }

private:
  int m_slowBefore;
  int m_asked = 0;
};

// Another program that stores patches between two batches of an import into
// an empty library: the import finds them rather than storing them again.
// Its opening builds the indexes the import left out and counts the
// sightings of the batch committed again: the import counts the rest as
// they come.
TEST(LibraryImport, AnotherProgramBetweenBatchesLeavesEveryPatchCountedRight) {
  const struct {
    const char *what;
    bool stores; // a fetch of a patch of the eighth file; else only opening
    int64_t patches, seenP115;
  } cases[] = {
      {"stores a patch", true, 15 * 10 + 1, 2},
      {"opens the library", false, 15 * 10 + 1, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = MakeBanks();
    ASSERT_FALSE(dir.empty());
    // The first batch ends after the fifth file.
    const std::string path = (dir / "lib.sqlite").string();
    TLibrary library(path);
    std::vector<std::string> files;
    for (int f = 0; f < 10; ++f)
      files.push_back((dir / "banks" / ("b" + std::to_string(f) + ".syx")).string());
    TSlowHost host(4);
    size_t told = 0;
    library.Import(files, &host, [&](const TImportedFile &) {
      if (++told != 5)
        return;
      TLibrary other(path);
      if (c.stores) {
        TPatchBank bank;
        bank.Add(Made(7, 3));
        other.RecordSnapshot(SidFetchRecord(bank, 0));
      }
    });
    EXPECT_EQ(told, files.size());
    TSqliteDb reader(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(reader.Number("SELECT count(*) FROM patch"), c.patches);
    EXPECT_EQ(reader.Number("SELECT max(seen) FROM patch WHERE name_text = 'P115'"), c.seenP115);
    EXPECT_EQ(Miscounted(reader), 0);
    const TLibraryCheck check = library.Check();
    EXPECT_EQ(check.count, 0) << (check.problems.empty() ? "" : check.problems[0]);
    fs::remove_all(dir);
  }
}

// A program that opens the library while an import holds it out of the log
// waits a moment, then works with it as it is.
TEST(LibraryImport, AProgramOpensTheLibraryAnImportHoldsOutOfTheLog) {
  const fs::path dir = MakeBanks();
  ASSERT_FALSE(dir.empty());
  const std::string path = (dir / "lib.sqlite").string();
  TLibrary(path).ImportFile((dir / "banks" / "b0.syx").string());
  TSqliteDb loader(path, SQLITE_OPEN_READWRITE);
  loader.Exec("PRAGMA journal_mode = DELETE");
  loader.Exec("BEGIN IMMEDIATE");
  loader.Exec("UPDATE patch SET note = 'loading' WHERE id = 1");
  TSearch search;
  search.text = "P1";
  EXPECT_EQ(TLibrary(path).Count(search), 7); // P1, P10 to P15
  loader.Exec("COMMIT");
  fs::remove_all(dir);
}

} // namespace
} // namespace zpm
