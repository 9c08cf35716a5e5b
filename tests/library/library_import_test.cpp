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
TEST(LibraryImport, PatchesAnotherProgramStoresBetweenBatchesAreFound) {
  const fs::path dir = MakeBanks();
  ASSERT_FALSE(dir.empty());
  // The first batch ends after the fifth file, and a fetch then stores a
  // patch of the eighth.
  const std::string path = (dir / "lib.sqlite").string();
  TLibrary library(path);
  std::vector<std::string> files;
  for (int f = 0; f < 10; ++f)
    files.push_back((dir / "banks" / ("b" + std::to_string(f) + ".syx")).string());
  TSlowHost host(4);
  size_t told = 0;
  library.Import(files, &host, [&](const TImportedFile &) {
    if (++told == 5) {
      TPatchBank bank;
      bank.Add(Made(7, 3));
      TLibrary(path).RecordSnapshot(SidFetchRecord(bank, 0));
    }
  });
  EXPECT_EQ(told, files.size());
  TSqliteDb reader(path, SQLITE_OPEN_READONLY);
  EXPECT_EQ(reader.Number("SELECT count(*) FROM patch"), 15 * 10 + 1);
  EXPECT_EQ(reader.Number("SELECT max(seen) FROM patch WHERE name_text = 'P115'"), 2);
  const TLibraryCheck check = library.Check();
  EXPECT_EQ(check.count, 0) << (check.problems.empty() ? "" : check.problems[0]);
  fs::remove_all(dir);
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
