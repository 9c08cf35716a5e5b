// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Values read from the library file, each checked against its range where it
// is read: a file changed by another program, a bit flipped or a crafted row
// must not reach code that indexes with it. A row out of range is refused
// with a sentence naming it; the check lists every such row.

#include "library/library_types.h"

#include <cstdint>
#include <string>

namespace zpm {

// The device IDs a synthesizer answers to.
constexpr int64_t kLastDevice = 127;

// Throws TLibraryError: row id of the table holds what, and was not used.
[[noreturn]] void RefuseRow(const char *table, int64_t id, const std::string &what);

TKind KindOfRow(int64_t value, const char *table, int64_t id);
// value when low <= value <= high; else the row is refused.
int64_t InRangeOfRow(int64_t value, int64_t low, int64_t high, const char *table,
                     const char *column, int64_t id);
// A 0-based slot of a bank of the kind.
int SlotOfRow(int64_t value, TKind kind, const char *table, int64_t id);
uint8_t FlawsOfRow(int64_t value, const char *table, int64_t id);
// A hash as the library writes it: 16 lower-case hex digits.
const std::string &HashOfRow(const std::string &value, const char *table, int64_t id);
// A sighting's source: "file", "device", "random" or "send".
const std::string &SightingSourceOfRow(const std::string &value, int64_t id);
// A snapshot's source: "fetch" or "send".
const std::string &SnapshotSourceOfRow(const std::string &value, int64_t id);

} // namespace zpm
