// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_schema.h"

#include "library/library_types.h"

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zpm {

namespace {

// "ZPML": marks a SQLite file as this program's library.
constexpr int64_t kApplicationId = 0x5A504D4C;
constexpr int kBusyTimeoutMs = 5000;
// How long opening waits to put the file into the log.
constexpr int kOpenerWaitMs = 1000;

// Each step moves a file from version i to i + 1. A check of a value against
// a list is written as comparisons joined by OR: for IN with three or more
// values SQLite builds a table of them at every row it checks, which made
// writing sightings and checking the file on opening twice as slow. (Files
// made before say IN, which means the same.)
const char *const kMigrations[kLibraryVersion] = {
    R"sql(
CREATE TABLE patch (
  id INTEGER PRIMARY KEY,
  hash TEXT NOT NULL,
  sound TEXT NOT NULL,
  kind INTEGER NOT NULL CHECK (kind BETWEEN 0 AND 3),
  name_text TEXT,
  favourite INTEGER NOT NULL DEFAULT 0,
  note TEXT NOT NULL DEFAULT '',
  flaws INTEGER NOT NULL DEFAULT 0,
  seen INTEGER NOT NULL DEFAULT 0,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL,
  data BLOB NOT NULL
);
CREATE INDEX patch_by_hash ON patch (hash);
CREATE INDEX patch_by_sound ON patch (sound);
CREATE INDEX patch_by_name ON patch (name_text COLLATE NOCASE);
CREATE TABLE file (
  id INTEGER PRIMARY KEY,
  path BLOB NOT NULL,
  size INTEGER NOT NULL,
  mtime INTEGER NOT NULL,
  imported INTEGER NOT NULL
);
CREATE INDEX file_by_path ON file (path, size, mtime);
CREATE TABLE snapshot (
  id INTEGER PRIMARY KEY,
  time INTEGER NOT NULL,
  source TEXT NOT NULL CHECK (source IN ('fetch', 'send')),
  fm INTEGER NOT NULL,
  device INTEGER NOT NULL
);
CREATE TABLE sighting (
  id INTEGER PRIMARY KEY,
  patch_id INTEGER NOT NULL REFERENCES patch (id),
  source TEXT NOT NULL CHECK (source = 'file' OR source = 'device' OR source = 'random' OR
                              source = 'send'),
  file_id INTEGER REFERENCES file (id),
  row INTEGER,
  snapshot_id INTEGER REFERENCES snapshot (id),
  kind INTEGER NOT NULL,
  bank INTEGER,
  slot INTEGER,
  verified INTEGER NOT NULL DEFAULT 0,
  flaws INTEGER NOT NULL DEFAULT 0,
  time INTEGER NOT NULL
);
CREATE INDEX sighting_by_patch ON sighting (patch_id);
CREATE INDEX sighting_by_file ON sighting (file_id) WHERE file_id IS NOT NULL;
CREATE INDEX sighting_by_bank ON sighting (kind, bank, snapshot_id) WHERE snapshot_id IS NOT NULL;
CREATE INDEX sighting_by_snapshot ON sighting (snapshot_id) WHERE snapshot_id IS NOT NULL;
CREATE TABLE tag (
  patch_id INTEGER NOT NULL REFERENCES patch (id),
  tag TEXT NOT NULL,
  PRIMARY KEY (patch_id, tag)
) WITHOUT ROWID;
CREATE INDEX tag_by_text ON tag (tag);
CREATE TABLE user_bank (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  kind INTEGER NOT NULL CHECK (kind BETWEEN 0 AND 3),
  created INTEGER NOT NULL
);
CREATE TABLE user_bank_slot (
  bank_id INTEGER NOT NULL REFERENCES user_bank (id),
  slot INTEGER NOT NULL,
  patch_id INTEGER NOT NULL REFERENCES patch (id),
  PRIMARY KEY (bank_id, slot)
) WITHOUT ROWID;
)sql",
    R"sql(
CREATE TABLE lineage (
  id INTEGER PRIMARY KEY,
  child_id INTEGER NOT NULL REFERENCES patch (id),
  parent_id INTEGER NOT NULL REFERENCES patch (id),
  how TEXT NOT NULL CHECK (how = 'edit' OR how = 'vary' OR how = 'cross'),
  amount INTEGER,
  seed INTEGER,
  time INTEGER NOT NULL,
  UNIQUE (child_id, parent_id)
);
CREATE INDEX lineage_by_parent ON lineage (parent_id);
)sql",
};

// Builds the deferred indexes an import that was stopped left out, unless
// another program is writing (an import that will build them itself).
void BuildMissingIndexes(TSqliteDb &db) {
  sqlite3_busy_timeout(db.Handle(), 0);
  try {
    TTransaction transaction(db);
    // Asked again inside the transaction: the import may have ended since.
    const bool missing =
        DeferredIndexesPresent(db) < static_cast<int64_t>(DeferredIndexes().size());
    for (const TDeferredIndex &index : DeferredIndexes())
      db.Exec(index.create);
    if (missing)
      CountSeenAgain(db);
    transaction.Commit();
  } catch (const TSqliteError &error) {
    if (error.Code() != SQLITE_BUSY && error.Code() != SQLITE_READONLY)
      throw;
  }
  sqlite3_busy_timeout(db.Handle(), kBusyTimeoutMs);
}

// What is wrong with the first pages of every table and the patches' hash
// index, empty when they read well. Opening reads no more: a whole check
// reads the whole file (a tenth of a second for 100,000 patches, before every
// fetch), while SQLite refuses a damaged page wherever it is read and
// zpm library check reads them all.
std::string FirstPagesDamage(TSqliteDb &db) {
  static const char *const kProbes[] = {
      "SELECT * FROM patch LIMIT 1",     "SELECT id FROM patch WHERE hash = ''",
      "SELECT * FROM file LIMIT 1",      "SELECT * FROM snapshot LIMIT 1",
      "SELECT * FROM sighting LIMIT 1",  "SELECT * FROM tag LIMIT 1",
      "SELECT * FROM user_bank LIMIT 1", "SELECT * FROM user_bank_slot LIMIT 1"};
  for (const char *probe : kProbes) {
    try {
      TStatement statement = db.Prepare(probe);
      statement.Step();
    } catch (const TSqliteError &error) {
      if (error.Code() != SQLITE_CORRUPT && error.Code() != SQLITE_NOTADB &&
          error.Code() != SQLITE_ERROR)
        throw;
      return error.what();
    }
  }
  return {};
}

[[noreturn]] void Refuse(const std::string &path, const std::string &what) {
  throw TLibraryError("The library " + path + " " + what);
}

const char *kLeftAlone = "; it was left as it is. Name another library file with --library or "
                         "ZPM_LIBRARY, or move this one away.";

// Looks at an existing file before SQLite may touch it: SQLite would take
// an empty file, or write a journal beside any other.
bool ExistingFileIsDatabase(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return false;
  if (!S_ISREG(info.st_mode))
    Refuse(path, std::string("is not a regular file") + kLeftAlone);
  if (info.st_size == 0)
    return false;
  char head[16] = {};
  std::ifstream in(path, std::ios::binary);
  if (!in)
    Refuse(path, std::string("cannot be read (") + std::strerror(errno) + ")" + kLeftAlone);
  in.read(head, sizeof head);
  if (in.gcount() != sizeof head || std::memcmp(head, "SQLite format 3", 16) != 0)
    Refuse(path, std::string("is not a patch library (not a SQLite database)") + kLeftAlone);
  return true;
}

} // namespace

const std::vector<TDeferredIndex> &DeferredIndexes() {
  static const std::vector<TDeferredIndex> indexes = {
      {"patch_by_hash", "CREATE INDEX IF NOT EXISTS patch_by_hash ON patch (hash)"},
      {"patch_by_sound", "CREATE INDEX IF NOT EXISTS patch_by_sound ON patch (sound)"},
      {"patch_by_name",
       "CREATE INDEX IF NOT EXISTS patch_by_name ON patch (name_text COLLATE NOCASE)"},
      {"sighting_by_patch", "CREATE INDEX IF NOT EXISTS sighting_by_patch ON sighting (patch_id)"},
  };
  return indexes;
}

int64_t DeferredIndexesPresent(TSqliteDb &db) {
  return db.Number("SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND (name = "
                   "'patch_by_hash' OR name = 'patch_by_sound' OR name = 'patch_by_name' OR "
                   "name = 'sighting_by_patch')");
}

// The sightings are read in the order of the index, patch by patch, and
// each patch's row looked up once.
void CountSeenAgain(TSqliteDb &db) {
  db.Exec("UPDATE OR FAIL patch SET seen = counted.n FROM (SELECT patch_id, count(*) AS n FROM "
          "sighting GROUP BY patch_id) AS counted WHERE counted.patch_id = patch.id AND "
          "patch.seen > counted.n");
}

// The switch to WAL needs the file to itself for a moment, and SQLite says
// busy at once rather than waiting when another program holds it (as when
// two make the same new library, or an import loads one without the log):
// so it is tried again for a while.
bool SwitchToLog(TSqliteDb &db, int waitMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    try {
      db.Exec("PRAGMA journal_mode = WAL");
      return true;
    } catch (const TSqliteError &error) {
      if (error.Code() != SQLITE_BUSY && error.Code() != SQLITE_LOCKED)
        throw;
      if (std::chrono::steady_clock::now() >= until)
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string LibraryFailureText(const std::string &path, const TSqliteError &error) {
  switch (error.Code()) {
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return "The library " + path +
           " is busy: another program is writing to it. Try again when it has finished.";
  case SQLITE_FULL:
    return "The disk that holds the library " + path +
           " is full; nothing of this change was kept. Make room and try again.";
  case SQLITE_IOERR:
    return "The library " + path + " could not be written or read (" + error.what() +
           "); nothing of this change was kept. Check the disk and try again.";
  case SQLITE_CORRUPT:
  case SQLITE_NOTADB:
    return "The library " + path + " is damaged (" + error.what() + ")" + kLeftAlone;
  case SQLITE_READONLY:
  case SQLITE_PERM:
  case SQLITE_CANTOPEN:
    return "The library " + path + " cannot be written (" + error.what() +
           "). Check the file's and its folder's permissions.";
  default:
    return "The library " + path + " could not be used (" + error.what() + ").";
  }
}

bool InReadOnlyFolder(const std::string &path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  return access(path.c_str(), F_OK) == 0 && access(folder.c_str(), W_OK) != 0 &&
         access((path + "-wal").c_str(), F_OK) != 0;
}

std::unique_ptr<TSqliteDb> OpenReadOnlyLibraryFile(const std::string &path) {
  try {
    if (!ExistingFileIsDatabase(path))
      Refuse(path, std::string("is empty, and its folder cannot be written") + kLeftAlone);
    std::string uri = "file:";
    for (unsigned char c : path) {
      if (std::isalnum(c) || std::strchr("/-._~", c)) {
        uri += static_cast<char>(c);
      } else {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        uri += escaped;
      }
    }
    // Nothing can change the file while its folder takes no log.
    auto db = std::make_unique<TSqliteDb>(
        uri + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
    const int64_t version = db->Number("PRAGMA user_version");
    if (version > kLibraryVersion)
      Refuse(path, "was made by a newer version of the program; it was left as it is.");
    if (version < 0 || db->Number("PRAGMA application_id") != kApplicationId)
      Refuse(path, std::string("is a database of another program") + kLeftAlone);
    if (version < kLibraryVersion)
      Refuse(path, "was made by an older version of the program and its folder cannot be "
                   "written to move it forward; it was left as it is.");
    if (const std::string damage = FirstPagesDamage(*db); !damage.empty())
      Refuse(path, "is damaged (" + damage + ")" + kLeftAlone);
    db->Exec("PRAGMA cache_size = -16384");
    return db;
  } catch (const TSqliteError &error) {
    throw TLibraryError(LibraryFailureText(path, error));
  }
}

void WriteLibrarySchema(TSqliteDb &db) {
  for (const char *step : kMigrations)
    db.Exec(step);
}

std::unique_ptr<TSqliteDb> OpenLibraryFile(const std::string &path) {
  // SQLite's count of the memory it holds takes a lock at every allocation;
  // nothing here reads it. Only possible before its first use.
  static const bool uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
  (void)uncounted;
  try {
    const bool existed = ExistingFileIsDatabase(path);
    auto db = std::make_unique<TSqliteDb>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                                    SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_timeout(db->Handle(), kBusyTimeoutMs);
    // In one statement, so one read: another program making the file at the
    // same time is seen before its schema or after, never half way.
    TStatement identity = db->Prepare(
        "SELECT (SELECT user_version FROM pragma_user_version), (SELECT application_id FROM "
        "pragma_application_id), (SELECT count(*) FROM sqlite_schema), (SELECT count(*) FROM "
        "sqlite_schema WHERE type = 'index' AND (name = 'patch_by_hash' OR name = "
        "'patch_by_sound' OR name = 'patch_by_name' OR name = 'sighting_by_patch'))");
    identity.Step();
    const int64_t version = identity.Int(0);
    const int64_t application = identity.Int(1);
    const bool tables = identity.Int(2) > 0;
    const bool indexesMissing = identity.Int(3) < static_cast<int64_t>(DeferredIndexes().size());
    identity.Reset();
    if (version > kLibraryVersion)
      Refuse(path, "was made by a newer version of the program; it was left as it is.");
    if (existed) {
      if (version < 0 ||
          (application != kApplicationId && (application != 0 || version != 0 || tables)))
        Refuse(path, std::string("is a database of another program") + kLeftAlone);
      // A file another program is making has no tables yet.
      if (const std::string damage = version > 0 ? FirstPagesDamage(*db) : std::string();
          !damage.empty())
        Refuse(path, "is damaged (" + damage + ")" + kLeftAlone);
    }
    // Only a file out of the log can be held this long: this program then
    // works with it as it is, and the one holding it puts it back.
    SwitchToLog(*db, kOpenerWaitMs);
    db->Exec("PRAGMA synchronous = NORMAL");
    // Once copied back, a log that grew long during an import shrinks again.
    db->Exec("PRAGMA journal_size_limit = 4194304");
    db->Exec("PRAGMA foreign_keys = ON");
    // 16 MiB rather than 2: a search reads the whole name index (some 3 MB
    // for 100,000 patches), which then stays at hand for the next one.
    db->Exec("PRAGMA cache_size = -16384");
    if (version < kLibraryVersion) {
      if (version > 0) {
        TStatement backup = db->Prepare("VACUUM INTO ?");
        backup.Bind(1, path + ".v" + std::to_string(version) + ".bak").Run();
      }
      TTransaction transaction(*db);
      // Another program may have moved it forward while this one waited.
      const int64_t now = db->Number("PRAGMA user_version");
      for (int64_t step = now; step < kLibraryVersion; ++step)
        db->Exec(kMigrations[step]);
      if (now < kLibraryVersion) {
        db->Exec("PRAGMA application_id = " + std::to_string(kApplicationId));
        db->Exec("PRAGMA user_version = " + std::to_string(kLibraryVersion));
      }
      transaction.Commit();
    } else if (indexesMissing) {
      BuildMissingIndexes(*db);
    }
    return db;
  } catch (const TSqliteError &error) {
    throw TLibraryError(LibraryFailureText(path, error));
  }
}

} // namespace zpm
