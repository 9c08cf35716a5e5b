// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speed of a MIDI cable: 31250 baud, ten bits a byte, 3125 bytes a
// second. The simulated synthesizers send at this pace when asked to, so a
// bank dump takes as long as it does on a real cable.

#include <chrono>
#include <cstddef>

namespace zpm {

constexpr size_t kDinBytesPerSecond = 3125;
// Bytes handed on at once when pacing: about 5 ms of cable time.
constexpr size_t kDinFragmentSize = 16;

constexpr std::chrono::microseconds DinTime(size_t bytes) {
  return std::chrono::microseconds(bytes * 1000000 / kDinBytesPerSecond);
}

} // namespace zpm
