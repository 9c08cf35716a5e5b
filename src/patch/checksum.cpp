// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/checksum.h"

namespace zpm {

uint8_t DataChecksum(const uint8_t *data, size_t count) {
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += data[i];
  return static_cast<uint8_t>((128 - (sum % 128)) % 128);
}

} // namespace zpm
