// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/stream.h"

#include <algorithm>
#include <cstring>

namespace zpm {

size_t TMemoryStream::Read(uint8_t *buffer, size_t count) {
  const size_t n = std::min(count, Remaining());
  if (n > 0) {
    std::memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
  }
  return n;
}

void TMemoryStream::Write(const uint8_t *buffer, size_t count) {
  if (count == 0)
    return;
  if (m_pos + count > m_data.size())
    m_data.resize(m_pos + count);
  std::memcpy(m_data.data() + m_pos, buffer, count);
  m_pos += count;
}

} // namespace zpm
