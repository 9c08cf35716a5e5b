// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patches an import into an empty library has stored, by the first 32
// bits of their key (TPatchKeys): a patch seen again is found here rather than through
// the hash index, which the import builds once at its end. Kept in memory
// of bounded size: 8 bytes a slot, at most kMostSlots slots.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

class TStoredHashes {
public:
  // 16 MiB at most: the import's memory stays within 64 MB.
  static constexpr size_t kMostSlots = size_t(1) << 21;

  // False, keeping nothing, once the table is full or the ID is beyond 32
  // bits: the caller then looks patches up by the index instead.
  bool Add(uint32_t key, int64_t id);
  // Calls accept with each ID stored under key until it returns true; that
  // ID, or 0 when none was accepted. An ID under a key may be of another
  // patch under the same key: accept compares the bytes.
  template <class F> int64_t Find(uint32_t key, F accept) const {
    if (m_slots.empty())
      return 0;
    const size_t mask = m_slots.size() - 1;
    for (size_t at = Spread(key) & mask; m_slots[at] != 0; at = (at + 1) & mask)
      if (static_cast<uint32_t>(m_slots[at] >> 32) == key) {
        const int64_t id = static_cast<int64_t>(m_slots[at] & 0xFFFFFFFFu);
        if (accept(id))
          return id;
      }
    return 0;
  }
  size_t Size() const { return m_count; }
  // The ID last added.
  int64_t Last() const { return m_last; }
  // Whether the table still holds every patch stored: Drop frees it.
  bool Active() const { return m_active; }
  void Drop();

private:
  static size_t Spread(uint32_t key) { return key; } // already uniform: a hash
  void Grow();

  std::vector<uint64_t> m_slots; // key << 32 | id; 0 is empty (IDs start at 1)
  size_t m_count = 0;
  int64_t m_last = 0;
  bool m_active = true;
};

} // namespace zpm
