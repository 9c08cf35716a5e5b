// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What goes into the patch library and what comes out of it.

#include "patch/error.h"
#include "patch/stream.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zpm {

// Whatever the library cannot do, as a sentence that names the file.
class TLibraryError : public ZpmError {
public:
  using ZpmError::ZpmError;
};

enum class TKind { Sid, FmVoice, FmDrumset, FmEnsemble };
constexpr int kKindCount = 4;
// Every kind, in the order the library lists them.
constexpr std::array<TKind, kKindCount> kAllKinds = {TKind::Sid, TKind::FmVoice, TKind::FmDrumset,
                                                     TKind::FmEnsemble};

// "sid", "fm-voice", "fm-drumset", "fm-ensemble".
const char *KindText(TKind kind);
bool ParseKind(const std::string &text, TKind &kind);
// The slots of one bank of the kind: 128, 128, 16, 32.
int SlotsPerBank(TKind kind);
// The banks of the kind's synthesizer: A to H on the SID, 16 on the FM.
int BanksPerKind(TKind kind);
// The FM type code of an FM kind: kFmVoice, kFmDrumset or kFmEnsemble.
uint8_t FmType(TKind kind);
// SID and FM voices carry a name in data bytes 0..15; drumsets and ensembles none.
bool HasName(TKind kind);

// Why a patch's bytes may not be what the synthesizer held.
enum TFlaw : uint8_t {
  kFlawNone = 0,
  kFlawChecksum = 1, // its checksum byte did not match its data
  kFlawCutShort = 2, // the end of its file came inside its dump
};
// "wrong checksum", "cut short", "cut short, wrong checksum"; empty for none.
std::string FlawText(uint8_t flaws);

// How a patch was made from others: edited, varied (with an amount and a
// seed) or crossed (with a seed).
enum class TMadeBy { Edit, Vary, Cross };
struct TMaking {
  TMadeBy how = TMadeBy::Edit;
  int amount = -1; // vary: 0..100; -1 otherwise
  bool hasSeed = false;
  int64_t seed = 0;
};
// "edit", "vary", "cross".
const char *MadeByText(TMadeBy how);

// A parent or a child of a patch, and how the child was made.
struct TLineageRow {
  int64_t id = 0;
  TMaking making;
  int64_t time = 0;
};

// A patch as the library identifies it: its kind and its 256 data bytes.
struct TPatchBytes {
  TKind kind = TKind::Sid;
  std::array<uint8_t, 256> data{};
  uint8_t flaws = kFlawNone;
};

// The kind and data of a whole dump image as it travels (a SID or FM Patch
// Dump, checksum judged); false for anything else.
bool PatchBytesOf(const uint8_t *image, size_t size, TPatchBytes &patch);

// The identity: the first 8 bytes of SHA-256 over the kind's text and the
// data bytes, as 16 lower-case hex digits. The sound key is the same over
// the data without the name bytes.
std::string PatchHash(const TPatchBytes &patch);
std::string SoundHash(const TPatchBytes &patch);

// What a patch's row holds beside its bytes, worked out where the patch is
// read: a bulk import does it on the other processor while it stores.
struct TPatchKeys {
  // A quick 64-bit key of the kind and bytes (not the hash, which takes
  // longer), for an import's tables in memory: two patches under one key
  // are told apart by their bytes.
  uint64_t key = 0;
  std::string hash;                // PatchHash
  std::string sound;               // SoundHash
  std::optional<std::string> name; // ShownName, for the kinds with a name
};
// Without whole, the key alone (all that counting needs).
TPatchKeys PatchKeys(const TPatchBytes &patch, bool whole = true);

// The name as shown wherever the library shows one: bytes below 20h, 7Fh
// and 80h..9Fh as '?', the others as Latin-1, in UTF-8; it ends at the
// first zero byte, and trailing blanks go.
std::string ShownName(const uint8_t *name16);
// The same with the control bytes kept, for JSON, which escapes them.
std::string NameUtf8(const uint8_t *name16);

// A dump image at a slot of the synthesizer.
struct TPlacedPatch {
  TPatchBytes patch;
  int bank = 0;   // 0..7
  int number = 0; // 0-based
  int64_t id = 0; // the library's ID, when it came from there
};

// A place outside the synthesizer where a patch was seen.
struct TSighting {
  enum class TSource { File, Random };
  TSource source = TSource::File;
  TPatchBytes patch;
  std::string path; // bytes as given; for a file
  int row = 0;
};

// A fetch or a send, for the history.
struct TSnapshotRecord {
  enum class TSource { Fetch, Send };
  TSource source = TSource::Fetch;
  bool fm = false;  // the FM synthesizer, else the SID
  int device = 0;   // its device ID
  int64_t time = 0; // ms since the epoch; 0 for now
  struct TSlot {
    TPlacedPatch placed;
    bool verified = false; // read back the same after a send
    bool random = false;   // a random patch sent
  };
  std::vector<TSlot> places;
};

struct TImportedFile {
  std::string path;
  int newPatches = 0;
  int knownPatches = 0;
  bool unchanged = false; // imported before as it is now
  std::string error;      // the loader's reason when refused, else empty
  std::string warning;    // cut short or wrong checksums: stored, marked so
};

enum class TSortBy { Name, Kind, FirstSeen, LastSeen };

struct TSearch {
  std::string text; // any part of the name, case-insensitive
  std::optional<TKind> kind;
  std::vector<std::string> tags; // every one of them
  bool favouritesOnly = false;
  std::string file;      // seen in this file (its path as stored)
  int64_t relatedTo = 0; // patches of the same sound as this one
  // Patches that were in the bank of the synthesizer at the time.
  struct TBankAt {
    TKind kind = TKind::Sid;
    int bank = 0;
    int64_t time = 0;
  };
  std::optional<TBankAt> inBankAt;
  TSortBy sort = TSortBy::Name;
  bool descending = false;
  int64_t offset = 0;
  int64_t limit = -1; // all
};

struct TPatchRow {
  int64_t id = 0;
  std::string hash;
  TKind kind = TKind::Sid;
  std::optional<std::string> name; // shown form, UTF-8
  std::vector<std::string> tags;
  bool favourite = false;
  std::string note;
  int64_t seen = 0;
  int64_t firstSeen = 0, lastSeen = 0; // ms since the epoch
  uint8_t flaws = kFlawNone;
};

struct TStoredPatch {
  int64_t id = 0;
  TPatchBytes patch;
  std::string nameBytes; // the 16 name bytes as stored; empty without a name
};

struct TSightingRow {
  std::string source; // "file", "device", "random", "send"
  int64_t time = 0;
  std::string path; // a file's path bytes
  int row = 0;
  bool fm = false;
  int device = 0, bank = 0, number = 0;
  int64_t snapshot = 0;
  bool verified = false;
  uint8_t flaws = kFlawNone;
};

struct TSnapshotRow {
  int64_t id = 0;
  int64_t time = 0;
  std::string source; // "fetch" or "send"
  int device = 0;
  std::vector<int> numbers; // the slots in the bank, 0-based, ascending
  int changed = 0;
};

struct TBankSlot {
  int number = 0;
  int64_t id = 0; // 0: unknown
  std::optional<std::string> name;
};

struct TUserBank {
  int64_t id = 0;
  std::string name;
  TKind kind = TKind::Sid;
  int filled = 0;
};

struct TLibraryStats {
  std::array<int64_t, kKindCount> patches{};
  int64_t files = 0, snapshots = 0, userBanks = 0, bytes = 0;
};

// What the library's check found: the first problems, a sentence each, and
// how many there are in all.
struct TLibraryCheck {
  static constexpr size_t kShown = 20;
  std::vector<std::string> problems; // at most kShown
  int64_t count = 0;
};

// ISO 8601 in local time with its offset ("2026-12-07T19:53:18+01:00").
std::string IsoTime(int64_t ms);
// "2026-12-07" (the end of that day) or "2026-12-07T19:53[:18]" (local), or
// with a Z or offset; false when it is neither.
bool ParseIsoTime(const std::string &text, int64_t &ms);
int64_t NowMs();

} // namespace zpm
