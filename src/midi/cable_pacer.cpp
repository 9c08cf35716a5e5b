// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/cable_pacer.h"

#include <algorithm>

namespace zpm {

TCablePacer::Clock::time_point TCablePacer::When(Clock::time_point now) const {
  // What the cable has not yet carried may be at most m_ahead bytes.
  return std::max(now, m_cableFree - DinTime(m_ahead));
}

void TCablePacer::Sent(size_t bytes, Clock::time_point now) {
  m_cableFree = std::max(now, m_cableFree) + DinTime(bytes);
}

} // namespace zpm
