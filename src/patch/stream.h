// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A growable in-memory byte stream with a read/write position, the common
// currency of the loaders, writers and message builders.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zpm {

using Bytes = std::vector<uint8_t>;

class TMemoryStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(Bytes data) : m_data(std::move(data)) {}

  size_t Size() const { return m_data.size(); }
  size_t Position() const { return m_pos; }
  // Like a file, the position may be set past the end; reads there give 0 bytes.
  void SetPosition(size_t pos) { m_pos = pos; }
  size_t Remaining() const { return m_pos < m_data.size() ? m_data.size() - m_pos : 0; }

  // Reads up to count bytes; returns how many were read.
  size_t Read(uint8_t *buffer, size_t count);
  // Writes at the position, overwriting and growing as needed.
  void Write(const uint8_t *buffer, size_t count);
  void Write(const Bytes &bytes) { Write(bytes.data(), bytes.size()); }
  void WriteByte(uint8_t byte) { Write(&byte, 1); }

  void Clear() {
    m_data.clear();
    m_pos = 0;
  }
  const Bytes &Data() const { return m_data; }
  Bytes TakeData() {
    m_pos = 0;
    return std::move(m_data);
  }

private:
  Bytes m_data;
  size_t m_pos = 0;
};

} // namespace zpm
