// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace zpm {

// Both synthesizers close a dump with the two's complement, in 7 bits, of the
// sum of its 256 data bytes, so that data plus checksum is a multiple of 128.
uint8_t DataChecksum(const uint8_t *data, size_t count = 256);

} // namespace zpm
