// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SHA-256 (FIPS 180-4), for the library's patch identities.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zpm {

class TSha256 {
public:
  TSha256();
  void Add(const void *data, size_t size);
  std::array<uint8_t, 32> Finish();

private:
  void Block(const uint8_t *block);

  std::array<uint32_t, 8> m_state;
  std::array<uint8_t, 64> m_buffer{};
  size_t m_buffered = 0;
  uint64_t m_length = 0;
};

} // namespace zpm
