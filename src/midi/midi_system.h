// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The MIDI services of one run and the device lists they make: the chosen
// service's ports (ALSA sequencer or JACK), then the built-in port the
// program hands in (its simulator), when it offers one. The lists are read
// once, so an index means the same port for the whole run.

#include "midi/midi_service.h"

#include <memory>
#include <string>
#include <vector>

namespace zpm {

// Auto: ALSA when the sequencer exists, else JACK when a server runs.
// None: the built-in port alone.
enum class MidiApi { Auto, Alsa, Jack, None };

const char *MidiApiName(MidiApi api); // "auto", "alsa", "jack", "none"
// Accepts the names above; false for anything else.
bool ParseMidiApi(const std::string &text, MidiApi &api);

class TMidiSystem {
public:
  // A service that is not there is no error: its lists are then empty and
  // ServiceProblem() says why. builtIn's ports follow the service's; without
  // it no index or name reaches a port outside the service.
  explicit TMidiSystem(MidiApi api, std::unique_ptr<TMidiService> builtIn = nullptr);
  ~TMidiSystem();
  TMidiSystem(const TMidiSystem &) = delete;
  TMidiSystem &operator=(const TMidiSystem &) = delete;

  // The service that came up: Alsa, Jack, or None.
  MidiApi Api() const { return m_api; }
  // Why the asked-for service did not come up, as one sentence naming it
  // ("The JACK server is not running."); empty when it came up or when None
  // was asked for.
  const std::string &ServiceProblem() const { return m_problem; }

  const std::vector<std::string> &InputNames() const { return m_inputNames; }
  const std::vector<std::string> &OutputNames() const { return m_outputNames; }

  struct TPortRef {
    TMidiService *service;
    size_t port;
  };
  // index must be within the list.
  TPortRef Input(size_t index) const;
  TPortRef Output(size_t index) const;

private:
  MidiApi m_api = MidiApi::None;
  std::string m_problem;
  std::unique_ptr<TMidiService> m_service;
  std::unique_ptr<TMidiService> m_builtIn;
  size_t m_serviceInputs = 0;
  size_t m_serviceOutputs = 0;
  std::vector<std::string> m_inputNames;
  std::vector<std::string> m_outputNames;
};

// Settings for the system behind MidiInput() and MidiOutput(); they take
// effect only before the first use, and return false after it.
bool SetMidiApi(MidiApi api);
// The built-in port of that system; dropped when it comes too late.
bool SetBuiltInPort(std::unique_ptr<TMidiService> port);
// That system, created on the first call.
std::shared_ptr<TMidiSystem> DefaultMidiSystem();

} // namespace zpm
