// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midi_system.h"

#include "midi/alsa_service.h"
#include "midi/jack_service.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace zpm {

namespace {

struct TDefaultSystem {
  std::mutex mutex;
  MidiApi api = MidiApi::Auto;
  std::unique_ptr<TMidiService> builtIn;
  std::shared_ptr<TMidiSystem> system;
};

TDefaultSystem &Default() {
  static TDefaultSystem instance;
  return instance;
}

constexpr const char *kSequencerDevice = "/dev/snd/seq";

// Empty when the sequencer device can be opened, else the system's reason.
std::string SequencerProblem() {
  const int fd = open(kSequencerDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::string(kSequencerDevice) + ": " + std::strerror(errno);
  close(fd);
  return {};
}

} // namespace

const char *MidiApiName(MidiApi api) {
  switch (api) {
  case MidiApi::Auto:
    return "auto";
  case MidiApi::Alsa:
    return "alsa";
  case MidiApi::Jack:
    return "jack";
  case MidiApi::None:
    return "none";
  }
  return "auto";
}

bool ParseMidiApi(const std::string &text, MidiApi &api) {
  for (MidiApi candidate : {MidiApi::Auto, MidiApi::Alsa, MidiApi::Jack, MidiApi::None}) {
    if (text == MidiApiName(candidate)) {
      api = candidate;
      return true;
    }
  }
  return false;
}

TMidiSystem::TMidiSystem(MidiApi api, std::unique_ptr<TMidiService> builtIn)
    : m_builtIn(std::move(builtIn)) {
  std::string alsaProblem;
  if (api == MidiApi::Alsa || api == MidiApi::Auto) {
    alsaProblem = SequencerProblem();
    if (alsaProblem.empty() && (m_service = TAlsaService::Open()))
      m_api = MidiApi::Alsa;
    else if (alsaProblem.empty())
      alsaProblem = std::string(kSequencerDevice) + " opens, but no sequencer client could be made";
  }
  const bool jackTried = !m_service && (api == MidiApi::Jack || api == MidiApi::Auto);
  if (jackTried && (m_service = TJackService::Open()))
    m_api = MidiApi::Jack;
  if (!m_service) {
    const std::string alsaText = "ALSA sequencer is not available (" + alsaProblem + ")";
    if (api == MidiApi::Alsa)
      m_problem = "The " + alsaText + ".";
    else if (api == MidiApi::Jack)
      m_problem = "The JACK server is not running.";
    else if (api == MidiApi::Auto)
      m_problem =
          "No MIDI service can be used: the " + alsaText + " and the JACK server is not running.";
  }
  if (m_service) {
    m_inputNames = m_service->InputNames();
    m_outputNames = m_service->OutputNames();
  }
  m_serviceInputs = m_inputNames.size();
  m_serviceOutputs = m_outputNames.size();
  if (m_builtIn) {
    for (std::string &name : m_builtIn->InputNames())
      m_inputNames.push_back(std::move(name));
    for (std::string &name : m_builtIn->OutputNames())
      m_outputNames.push_back(std::move(name));
  }
}

TMidiSystem::~TMidiSystem() = default;

TMidiSystem::TPortRef TMidiSystem::Input(size_t index) const {
  if (index < m_serviceInputs)
    return {m_service.get(), index};
  return {m_builtIn.get(), index - m_serviceInputs};
}

TMidiSystem::TPortRef TMidiSystem::Output(size_t index) const {
  if (index < m_serviceOutputs)
    return {m_service.get(), index};
  return {m_builtIn.get(), index - m_serviceOutputs};
}

bool SetMidiApi(MidiApi api) {
  TDefaultSystem &instance = Default();
  std::lock_guard<std::mutex> lock(instance.mutex);
  if (instance.system)
    return false;
  instance.api = api;
  return true;
}

bool SetBuiltInPort(std::unique_ptr<TMidiService> port) {
  TDefaultSystem &instance = Default();
  std::lock_guard<std::mutex> lock(instance.mutex);
  if (instance.system)
    return false;
  instance.builtIn = std::move(port);
  return true;
}

std::shared_ptr<TMidiSystem> DefaultMidiSystem() {
  TDefaultSystem &instance = Default();
  std::lock_guard<std::mutex> lock(instance.mutex);
  if (!instance.system)
    instance.system = std::make_shared<TMidiSystem>(instance.api, std::move(instance.builtIn));
  return instance.system;
}

} // namespace zpm
