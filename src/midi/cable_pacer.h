// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps output toward a hardware MIDI port at the cable's speed. The kernel
// hands bytes to the cable from a small buffer and drops what does not fit,
// so a sender may run at most a little ahead of the cable.

#include "midi/din_pacing.h"

#include <chrono>
#include <cstddef>

namespace zpm {

class TCablePacer {
public:
  using Clock = std::chrono::steady_clock;

  // ahead: how many bytes may wait in the kernel's buffer besides the ones
  // the cable is carrying.
  explicit TCablePacer(size_t ahead) : m_ahead(ahead) {}

  // The moment bytes may be handed on, given the bytes handed on before;
  // the caller sleeps until then, hands them on and calls Sent.
  Clock::time_point When(Clock::time_point now) const;
  // bytes were handed on at now: the cable is busy with them until
  // CableFree().
  void Sent(size_t bytes, Clock::time_point now);
  Clock::time_point CableFree() const { return m_cableFree; }

private:
  size_t m_ahead;
  Clock::time_point m_cableFree{};
};

} // namespace zpm
