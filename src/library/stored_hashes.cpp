// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/stored_hashes.h"

namespace zpm {

namespace {

// Slots at most this full (in eighths), so that a search ends soon at an
// empty one.
constexpr size_t kFullEighths = 6;
constexpr size_t kFirstSlots = size_t(1) << 12;

} // namespace

bool TStoredHashes::Add(uint32_t key, int64_t id) {
  if (id <= 0 || id > int64_t(0xFFFFFFFF))
    return false;
  if ((m_count + 1) * 8 > m_slots.size() * kFullEighths) {
    if (m_slots.size() >= kMostSlots)
      return false;
    Grow();
  }
  const size_t mask = m_slots.size() - 1;
  size_t at = Spread(key) & mask;
  while (m_slots[at] != 0)
    at = (at + 1) & mask;
  m_slots[at] = uint64_t(key) << 32 | static_cast<uint64_t>(id);
  ++m_count;
  m_last = id;
  return true;
}

void TStoredHashes::Drop() {
  std::vector<uint64_t>().swap(m_slots);
  m_count = 0;
  m_active = false;
}

void TStoredHashes::Grow() {
  std::vector<uint64_t> old(m_slots.empty() ? kFirstSlots : m_slots.size() * 2, 0);
  old.swap(m_slots);
  const size_t mask = m_slots.size() - 1;
  for (uint64_t slot : old)
    if (slot != 0) {
      size_t at = Spread(static_cast<uint32_t>(slot >> 32)) & mask;
      while (m_slots[at] != 0)
        at = (at + 1) & mask;
      m_slots[at] = slot;
    }
}

} // namespace zpm
