// SPDX-License-Identifier: GPL-3.0-or-later
// Many programs on one library at once, the library new to all of them:
// every one succeeds, and a file imported by several at once is recorded
// once. ZPM_LIBRARY_RACE_RUNS sets how many times the table runs (default
// 5; 20 for a thorough run).
#include "library/library.h"
#include "library/library_records.h"
#include "library/sqlite_db.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zpm {
namespace {

namespace fs = std::filesystem;

enum class TOperation { Import, Search, RecordFetch };

// The operation in a child process, once every child is ready; its exit
// status says whether it succeeded, its stderr why not.
pid_t Start(TOperation operation, const std::string &library, const std::string &file,
            const int gate[2]) {
  const pid_t pid = fork();
  if (pid != 0)
    return pid;
  close(gate[1]);
  char go = 0;
  if (read(gate[0], &go, 1) < 0) // returns once the parent closes the gate
    _exit(3);
  try {
    TLibrary lib(library);
    if (operation == TOperation::Import) {
      const TImportedFile imported = lib.ImportFile(file);
      if (!imported.error.empty())
        throw TLibraryError(imported.error);
    } else if (operation == TOperation::Search) {
      lib.Search({});
    } else {
      TPatchBank bank;
      bank.Add(test::NamedSid("Fetched", 9));
      lib.RecordSnapshot(SidFetchRecord(bank, 0));
    }
  } catch (const std::exception &error) {
    fprintf(stderr, "%s\n", error.what());
    _exit(1);
  }
  _exit(0);
}

int Runs() {
  const char *runs = std::getenv("ZPM_LIBRARY_RACE_RUNS");
  return runs && std::atoi(runs) > 0 ? std::atoi(runs) : 5;
}

TEST(LibraryRace, ConcurrentImportsSearchesAndFetchesAllSucceedAndRecordAFileOnce) {
  char name[] = "/tmp/zpm-race-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const fs::path dir = name;
  std::vector<TPatch> patches;
  for (uint8_t i = 0; i < 128; ++i)
    patches.push_back(test::NamedSid("Race " + std::to_string(i), i, 0, i));
  const Bytes bytes = test::SidFileOf(patches);
  const std::string file = (dir / "bank.syx").string();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  struct TCase {
    const char *what;
    std::vector<TOperation> operations;
  };
  using O = TOperation;
  const TCase cases[] = {
      {"two imports of one file", {O::Import, O::Import}},
      {"imports, searches and fetches",
       {O::Import, O::Search, O::RecordFetch, O::Import, O::Search, O::RecordFetch, O::Import}},
      {"searches and fetches",
       {O::Search, O::RecordFetch, O::Search, O::RecordFetch, O::Search, O::RecordFetch, O::Search,
        O::RecordFetch}},
  };
  int libraries = 0;
  for (int run = 0; run < Runs(); ++run)
    for (const TCase &test : cases) {
      SCOPED_TRACE(std::string(test.what) + ", run " + std::to_string(run));
      const std::string library =
          (dir / ("lib" + std::to_string(libraries++) + ".sqlite")).string();
      int gate[2];
      ASSERT_EQ(pipe(gate), 0);
      std::vector<pid_t> children;
      for (TOperation operation : test.operations)
        children.push_back(Start(operation, library, file, gate));
      close(gate[0]);
      close(gate[1]);
      int failed = 0;
      for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
      }
      EXPECT_EQ(failed, 0);
      TSqliteDb db(library, SQLITE_OPEN_READONLY);
      const bool imports =
          std::count(test.operations.begin(), test.operations.end(), O::Import) > 0;
      EXPECT_EQ(db.Number("SELECT count(*) FROM file"), imports ? 1 : 0);
      EXPECT_EQ(db.Number("SELECT count(*) FROM sighting WHERE file_id IS NOT NULL"),
                imports ? 128 : 0);
      EXPECT_EQ(db.Number("SELECT max(seen) FROM patch WHERE name_text LIKE 'Race %'"),
                imports ? 1 : 0);
    }
  fs::remove_all(dir);
}

} // namespace
} // namespace zpm
