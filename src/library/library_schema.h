// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library file: opening it safely, its tables, and moving an older file
// forward.

#include "library/sqlite_db.h"

#include <memory>
#include <string>
#include <vector>

namespace zpm {

// The version of the tables this program writes (PRAGMA user_version).
constexpr int kLibraryVersion = 2;

// Opens or makes the library at path, ready to use: WAL, a busy timeout,
// foreign keys. A file that is not this program's library, fails the quick
// check or was made by a newer version raises TLibraryError and is left
// exactly as it was; an older one is copied aside as path.vN.bak and moved
// forward in one transaction.
std::unique_ptr<TSqliteDb> OpenLibraryFile(const std::string &path);

// The indexes an import into a library without patches builds after its
// load rather than row by row; opening a library builds any that are missing.
struct TDeferredIndex {
  const char *name;
  const char *create; // as the schema has it, IF NOT EXISTS
};
const std::vector<TDeferredIndex> &DeferredIndexes();
// How many of them the file has.
int64_t DeferredIndexesPresent(TSqliteDb &db);

// An import into an empty library stores each new patch with the count of
// every sighting of it the import is about to make, and leaves the deferred
// indexes out until it has made them all. Where an import stopped before
// (killed, cancelled, failed), a patch that counts more sightings than it
// has gets the number it has; a patch with none (made in the editor) keeps
// its count. Needs the index of sightings by patch.
void CountSeenAgain(TSqliteDb &db);

// Puts the library into WAL mode, waiting up to waitMs for another program
// that holds the file (making it, or loading it without the log); false
// when it still holds it then.
bool SwitchToLog(TSqliteDb &db, int waitMs);

// A library in a folder this program cannot write, whose log is not there:
// SQLite could not make the log's index beside it, so it is opened to be
// read only, as it is. Checked as OpenLibraryFile checks; writing to it fails
// as a read-only file does.
bool InReadOnlyFolder(const std::string &path);
std::unique_ptr<TSqliteDb> OpenReadOnlyLibraryFile(const std::string &path);

// Writes the tables and indexes of this version into an empty database, as
// a new library gets them; the check compares a file with them.
void WriteLibrarySchema(TSqliteDb &db);

// What a failure of the database means for the musician, naming the file.
std::string LibraryFailureText(const std::string &path, const TSqliteError &error);

} // namespace zpm
