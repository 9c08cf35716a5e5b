// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many times each patch of a bulk import's files is seen, counted
// before anything is stored, by its 64-bit key (TPatchKeys): a new patch's row
// is then written once with its final count, where every later sighting
// would have written the row again. Once a patch is stored its slot holds
// its ID instead, so the import finds its own patches here. 12 bytes a
// slot, at most kMostBytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

class TPatchCounts {
public:
  // 16 MiB at most: the import's memory stays within 64 MB.
  static constexpr size_t kMostBytes = size_t(16) << 20;

  // One more sighting of key. False once the table would pass kMostBytes:
  // it is dropped then.
  bool Count(uint64_t key);
  // The count waiting for the first patch stored under key; 0 when there is
  // none (never counted, or taken by another patch under the same key).
  uint32_t Waiting(uint64_t key) const;
  // The patch under key is stored as id: its slot holds the ID from now on.
  // False, dropping the table, for an ID beyond 31 bits.
  bool Take(uint64_t key, int64_t id);
  // Calls accept with each ID stored under key until it returns true; that
  // ID, or 0 when none was accepted (accept compares the bytes).
  template <class F> int64_t Find(uint64_t key, F accept) const {
    if (m_keys.empty())
      return 0;
    key = Stored(key);
    for (size_t at = Home(key); m_keys[at] != 0; at = Next(at))
      if (m_keys[at] == key && (m_values[at] & kStoredBit) != 0) {
        const int64_t id = static_cast<int64_t>(m_values[at] & ~kStoredBit);
        if (accept(id))
          return id;
      }
    return 0;
  }

  size_t Size() const { return m_count; }
  size_t Slots() const { return m_keys.size(); }
  // The ID last taken.
  int64_t Last() const { return m_last; }
  // Whether the table still holds every count and every patch stored.
  bool Active() const { return m_active; }
  void Drop();

private:
  static constexpr uint32_t kStoredBit = 0x80000000u;
  // 0 marks an empty slot; a key of 0 shares its slots with 1, and the
  // bytes tell them apart.
  static uint64_t Stored(uint64_t key) { return key ? key : 1; }
  // The slots need not be a power of two: the key's top bits, already
  // uniform, scaled to their number.
  size_t Home(uint64_t key) const {
    return static_cast<size_t>(((key >> 32) * static_cast<uint64_t>(m_keys.size())) >> 32);
  }
  size_t Next(size_t at) const { return at + 1 == m_keys.size() ? 0 : at + 1; }
  bool Grow();

  std::vector<uint64_t> m_keys;
  std::vector<uint32_t> m_values; // a count, or kStoredBit | ID
  size_t m_count = 0;
  int64_t m_last = 0;
  bool m_active = true;
};

} // namespace zpm
