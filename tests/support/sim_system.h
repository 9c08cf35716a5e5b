// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A MIDI system of the built-in simulator alone, as the programs that offer
// it make one; the test keeps the port to drive and inspect it.

#include "midi/midi_system.h"
#include "sim/sim_port.h"

#include <memory>

namespace zpm {

// port is left on the simulator, which lives as long as the system.
inline std::shared_ptr<TMidiSystem> SimulatorSystem(const TSimOptions &options, TSimPort *&port) {
  auto simulator = std::make_unique<TSimPort>(options);
  port = simulator.get();
  return std::make_shared<TMidiSystem>(MidiApi::None, std::move(simulator));
}

} // namespace zpm
