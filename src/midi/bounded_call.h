// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a call that may never return (a request to a MIDI server that has
// died or hangs) on a thread of its own and waits for it only so long.

#include <chrono>
#include <functional>

namespace zpm {

// True when the call finished within limit. Otherwise it is left running on
// its own and must own everything it touches.
bool RunBounded(std::function<void()> call, std::chrono::milliseconds limit);

} // namespace zpm
