// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/jack_cycle_clock.h"

namespace zpm {

bool TCycleClock::Missed(jack_nframes_t frame, jack_nframes_t frames) {
  // Frame times wrap around; unsigned arithmetic follows them.
  const jack_nframes_t expected = m_lastFrame + m_lastFrames;
  const bool periodChanged = frames != m_lastFrames;
  const bool missed =
      m_known && frame != expected && !(periodChanged && frame == expected + frames);
  m_lastFrame = frame;
  m_lastFrames = frames;
  m_known = true;
  return missed;
}

} // namespace zpm
