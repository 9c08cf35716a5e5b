// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells from the frame time at the start of each process cycle whether the
// cycles before it were missed: a client that was stalled, or that the
// server skipped, never saw the events they carried.

#include <jack/types.h>

namespace zpm {

class TCycleClock {
public:
  // Notes a cycle that began at frame and lasts frames; true when it did
  // not begin where the last one ended. PipeWire changes the period
  // whenever a program asks for another latency, and in the cycle where it
  // does, moves the frame time on by the new period once more: that cycle
  // follows on without a gap.
  bool Missed(jack_nframes_t frame, jack_nframes_t frames);

private:
  jack_nframes_t m_lastFrame = 0;
  jack_nframes_t m_lastFrames = 0;
  bool m_known = false;
};

} // namespace zpm
