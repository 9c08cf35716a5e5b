// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/jack_ring.h"

#include <algorithm>
#include <cstring>

namespace zpm {

bool WriteRingRecord(jack_ringbuffer_t *ring, const void *header, size_t headerSize,
                     const uint8_t *bytes, size_t count) {
  const size_t total = headerSize + count;
  if (jack_ringbuffer_write_space(ring) < total)
    return false;
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_write_vector(ring, parts);
  size_t part = 0, offset = 0;
  auto copy = [&](const void *source, size_t size) {
    const char *from = static_cast<const char *>(source);
    while (size > 0) {
      const size_t n = std::min(size, parts[part].len - offset);
      std::memcpy(parts[part].buf + offset, from, n);
      from += n;
      size -= n;
      offset += n;
      if (offset == parts[part].len) {
        ++part;
        offset = 0;
      }
    }
  };
  copy(header, headerSize);
  copy(bytes, count);
  jack_ringbuffer_write_advance(ring, total);
  return true;
}

size_t MessagePieceSize(const uint8_t *bytes, size_t count, size_t limit) {
  const size_t end = std::min(count, limit);
  for (size_t index = 0; index < end; ++index) {
    if (bytes[index] == 0xF0 && index > 0)
      return index;
    if (bytes[index] == 0xF7)
      return index + 1;
  }
  return end;
}

size_t TCycleEvents::Next(size_t left, size_t room) const {
  if (left == 0 || room <= 1)
    return 0;
  const size_t size = std::min({left, kLargestEvent, room - 1});
  if (m_cost > 0 && (m_cost + Cost(size) > kCycleCost || (size < left && left <= kLargestEvent)))
    return 0;
  return size;
}

} // namespace zpm
