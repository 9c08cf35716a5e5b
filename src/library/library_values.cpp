// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_values.h"

#include <algorithm>

namespace zpm {

void RefuseRow(const char *table, int64_t id, const std::string &what) {
  throw TLibraryError("Row " + std::to_string(id) + " of the library's " + table + " table " +
                      what + ", so it was not used. The library's check (zpm library check) " +
                      "lists every such row; keep a copy of the file before changing it.");
}

TKind KindOfRow(int64_t value, const char *table, int64_t id) {
  if (value < 0 || value >= kKindCount)
    RefuseRow(table, id, "holds kind " + std::to_string(value) + ", which no patch has");
  return static_cast<TKind>(value);
}

int64_t InRangeOfRow(int64_t value, int64_t low, int64_t high, const char *table,
                     const char *column, int64_t id) {
  if (value < low || value > high)
    RefuseRow(table, id,
              "holds " + std::string(column) + " " + std::to_string(value) + ", outside " +
                  std::to_string(low) + " to " + std::to_string(high));
  return value;
}

int SlotOfRow(int64_t value, TKind kind, const char *table, int64_t id) {
  return static_cast<int>(InRangeOfRow(value, 0, SlotsPerBank(kind) - 1, table, "slot", id));
}

uint8_t FlawsOfRow(int64_t value, const char *table, int64_t id) {
  return static_cast<uint8_t>(
      InRangeOfRow(value, 0, kFlawChecksum | kFlawCutShort, table, "flaws", id));
}

const std::string &HashOfRow(const std::string &value, const char *table, int64_t id) {
  if (value.size() != 16 || !std::all_of(value.begin(), value.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
      }))
    RefuseRow(table, id, "holds a hash that is not 16 hex digits");
  return value;
}

const std::string &SightingSourceOfRow(const std::string &value, int64_t id) {
  if (value != "file" && value != "device" && value != "random" && value != "send")
    RefuseRow("sighting", id, "holds a source that is none of file, device, random, send");
  return value;
}

const std::string &SnapshotSourceOfRow(const std::string &value, int64_t id) {
  if (value != "fetch" && value != "send")
    RefuseRow("snapshot", id, "holds a source that is neither fetch nor send");
  return value;
}

} // namespace zpm
