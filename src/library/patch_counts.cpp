// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/patch_counts.h"

#include <algorithm>

namespace zpm {

namespace {

// Slots at most this full (in eighths), so that a search ends soon at an
// empty one.
constexpr size_t kFullEighths = 7;
constexpr size_t kFirstSlots = size_t(1) << 12;
constexpr size_t kSlotBytes = sizeof(uint64_t) + sizeof(uint32_t);
constexpr size_t kMostSlots = TPatchCounts::kMostBytes / kSlotBytes;

} // namespace

bool TPatchCounts::Count(uint64_t key) {
  if (!m_active)
    return false;
  key = Stored(key);
  if (!m_keys.empty())
    for (size_t at = Home(key); m_keys[at] != 0; at = Next(at))
      if (m_keys[at] == key) {
        if (m_values[at] + 1 < kStoredBit)
          ++m_values[at];
        return true;
      }
  if ((m_count + 1) * 8 > m_keys.size() * kFullEighths && !Grow()) {
    Drop();
    return false;
  }
  size_t at = Home(key);
  while (m_keys[at] != 0)
    at = Next(at);
  m_keys[at] = key;
  m_values[at] = 1;
  ++m_count;
  return true;
}

uint32_t TPatchCounts::Waiting(uint64_t key) const {
  if (m_keys.empty())
    return 0;
  key = Stored(key);
  for (size_t at = Home(key); m_keys[at] != 0; at = Next(at))
    if (m_keys[at] == key && (m_values[at] & kStoredBit) == 0)
      return m_values[at];
  return 0;
}

bool TPatchCounts::Take(uint64_t key, int64_t id) {
  if (id <= 0 || id >= int64_t(kStoredBit)) {
    Drop();
    return false;
  }
  if (!m_keys.empty()) {
    key = Stored(key);
    for (size_t at = Home(key); m_keys[at] != 0; at = Next(at))
      if (m_keys[at] == key && (m_values[at] & kStoredBit) == 0) {
        m_values[at] = kStoredBit | static_cast<uint32_t>(id);
        m_last = id;
        return true;
      }
  }
  Drop();
  return false;
}

void TPatchCounts::Drop() {
  std::vector<uint64_t>().swap(m_keys);
  std::vector<uint32_t>().swap(m_values);
  m_count = 0;
  m_active = false;
}

bool TPatchCounts::Grow() {
  if (m_keys.size() >= kMostSlots)
    return false;
  const size_t slots = m_keys.empty() ? kFirstSlots : std::min(m_keys.size() * 2, kMostSlots);
  std::vector<uint64_t> keys(slots, 0);
  std::vector<uint32_t> values(slots, 0);
  keys.swap(m_keys);
  values.swap(m_values);
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i] != 0) {
      size_t at = Home(keys[i]);
      while (m_keys[at] != 0)
        at = Next(at);
      m_keys[at] = keys[i];
      m_values[at] = values[i];
    }
  return true;
}

} // namespace zpm
