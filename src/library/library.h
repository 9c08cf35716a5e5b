// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patch library: every patch ever fetched, loaded, imported, created or
// sent, once each, with where it was seen, the musician's tags, favourites
// and notes, the history of the synthesizer's banks and the user banks. One
// SQLite file that the window and zpm share; every change is one
// transaction, so a program killed at any moment leaves it whole.

#include "library/library_types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zpm {

class TTransferHost;
class TSqliteDb;
struct TImportBatch;
struct TReadFile;
class TStoredHashes;
class TPatchCounts;

class TLibrary {
public:
  // Opens the library at path, making it when there is no file yet. Throws
  // TLibraryError naming the file when it is not a library this program can
  // read (not a database, damaged, made by a newer version, busy); such a
  // file is left exactly as it was.
  explicit TLibrary(const std::string &path);
  ~TLibrary();
  TLibrary(const TLibrary &) = delete;
  TLibrary &operator=(const TLibrary &) = delete;

  const std::string &Path() const { return m_path; }

  // --- what comes in ---
  // One file, in one transaction: its patches and one sighting per row. An
  // unchanged file (same path, size and time) that was imported before adds
  // nothing. A file the loaders refuse comes back with error set.
  TImportedFile ImportFile(const std::string &path);
  // Files and folders (recursively, .syx of either case), file by file, with
  // progress through the host (one step per file; ProgressCancelled stops
  // before the next file). Each file, once committed, goes to done at once:
  // a library that fails on a later file (full, busy) raises TLibraryError.
  std::vector<TImportedFile> Import(const std::vector<std::string> &paths, TTransferHost *host,
                                    const std::function<void(const TImportedFile &)> &done = {});
  // A fetch or a send: one snapshot of the slots it brought or wrote, and a
  // sighting of each patch. Returns the snapshot's ID.
  int64_t RecordSnapshot(const TSnapshotRecord &record);
  // Patches seen somewhere other than a device slot: a file loaded in the
  // window, a random run. One transaction.
  void RecordSightings(const std::vector<TSighting> &sightings);

  // --- finding ---
  std::vector<TPatchRow> Search(const TSearch &search);
  int64_t Count(const TSearch &search);
  // A patch by its ID or a unique prefix of its hash (at least 8 hex digits).
  // Throws TLibraryError saying which when there is none or several.
  int64_t Resolve(const std::string &text);
  TPatchRow Row(int64_t id);
  TStoredPatch Patch(int64_t id);
  std::vector<TSightingRow> Sightings(int64_t id);
  // The other patches of the same sound (data bytes equal but for the name).
  std::vector<int64_t> Related(int64_t id);
  // Stores a patch made from others and its parents (each once, as every
  // patch is) and links them; the made patch's ID. A made patch already
  // there gains the links.
  int64_t RecordMade(const TPatchBytes &made, const std::vector<TPatchBytes> &parents,
                     const TMaking &making);
  // The patches it was made from, and those made from it, oldest first.
  std::vector<TLineageRow> Parents(int64_t id);
  std::vector<TLineageRow> Children(int64_t id);

  // --- what the musician says ---
  void SetFavourite(int64_t id, bool favourite);
  void AddTag(int64_t id, const std::string &tag);
  void RemoveTag(int64_t id, const std::string &tag);
  void SetNote(int64_t id, const std::string &note);
  std::vector<std::string> AllTags();

  // --- the synthesizer's history ---
  // The snapshots that touched the bank, newest first, each with how many
  // of its slots hold another patch than the bank held just before it.
  std::vector<TSnapshotRow> History(TKind kind, int bank);
  // The bank at time (milliseconds since the epoch), slot by slot: the latest
  // record at or before it; a slot never fetched or written has no patch.
  std::vector<TBankSlot> BankAt(TKind kind, int bank, int64_t time);
  // Every slot of a snapshot, with its patch.
  std::vector<TPlacedPatch> SnapshotSlots(int64_t snapshot);

  // --- user banks ---
  int64_t CreateUserBank(const std::string &name, TKind kind);
  void RenameUserBank(int64_t bank, const std::string &name);
  // The bank and its slots; the patches stay in the library.
  void DeleteUserBank(int64_t bank);
  // Puts a deleted bank back as it was: its id, name, kind and slots.
  void RestoreUserBank(const TUserBank &bank, const std::vector<int64_t> &slots);
  std::vector<TUserBank> UserBanks();
  TUserBank UserBankNamed(const std::string &name);
  // Slot 0-based; patch 0 empties it. A patch of another kind is refused.
  void SetUserBankSlot(int64_t bank, int slot, int64_t patch);
  // Every slot of the bank, empty ones with patch 0.
  std::vector<int64_t> UserBankSlots(int64_t bank);

  // --- checking ---
  // The database's integrity check and the library's own: the tables as
  // this version writes them, every value in its range, every sighting names
  // a patch, every hash matches its bytes, no file recorded twice. A count
  // of 0 when all hold.
  TLibraryCheck Check();
  TLibraryStats Stats();

private:
  // Tests and benchmarks reach the database itself through this.
  friend class TLibraryDatabase;

  // How many more times each known patch was seen in one change.
  using TSeen = std::map<int64_t, int64_t>;
  // The patch's ID, storing it as seen once when it is new. An import into
  // an empty library finds patches in stored rather than by the hash index.
  int64_t StorePatch(const TPatchBytes &patch, int64_t time, bool &fresh,
                     TStoredHashes *stored = nullptr);
  // The same with its keys given; a counted import's patches are found in
  // counts and stored with their count. 0 when the counts have none for a
  // new patch (another patch under the same key took it).
  int64_t StorePatch(const TPatchBytes &patch, const TPatchKeys &keys, int64_t time, bool &fresh,
                     TStoredHashes *stored, TPatchCounts *counts);
  // Ends a counted import's counting (TBulkLoad) within its batch.
  void StopCounting(TImportBatch &batch);
  // One file into the batch's transaction, begun when the file has
  // something to store.
  // ahead: the file as read beside the storing, when it was.
  TImportedFile ImportInto(const std::string &path, TImportBatch &batch,
                           TReadFile *ahead = nullptr);
  // Notes what the batch saw again and commits it.
  void CommitBatch(TImportBatch &batch);
  int64_t Sight(const TPatchBytes &patch, int64_t time, TSeen &seen);
  // One write per patch, however often a change saw it.
  void NoteSeen(const TSeen &seen, int64_t time);

  std::string m_path;
  std::unique_ptr<TSqliteDb> m_db;
};

// The file the window and zpm use when none is named: ZPM_LIBRARY, else
// library.sqlite in $XDG_DATA_HOME/zavorin-patch-manager, else in
// ~/.local/share/zavorin-patch-manager. The folder is made when missing.
std::string DefaultLibraryPath();

// A file's path as the library keeps it: absolute, symbolic links followed,
// "." and ".." taken out.
std::string LibraryFilePath(const std::string &path);

} // namespace zpm
