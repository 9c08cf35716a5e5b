// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the device commands share: their common options, the MIDI service
// with the chosen ports opened, the reception and the log, wired together as
// the window wires them.

#include "midi/midi_link.h"
#include "midi/midi_system.h"
#include "midi/port_lock.h"
#include "zpm/cli_host.h"
#include "zpm/command_line.h"

#include <memory>
#include <mutex>

namespace zpm::cli {

// Adds --api, and with ports also --in, --out, --device-id, --delay,
// --ack-timeout, --wait, --yes and --log.
void AddDeviceOptions(CommandLine &line, bool ports);
// --simulator: None; else --api, or Auto. Both given: UsageError.
MidiApi ParseApi(const CommandLine &line);
// --retries N and --json, for the commands that fetch or send; retriesHelp
// says what is asked for again.
void AddRetriesAndJsonOptions(CommandLine &line, const char *retriesHelp);
// --retries: 0..10, 2 when not given.
int ParseRetries(const CommandLine &line);
// The service the options choose, with the simulator listed only under
// --simulator. A service that cannot be used raises ZpmError with its reason
// ("The JACK server is not running.").
std::shared_ptr<TMidiSystem> OpenMidiSystem(const CommandLine &line);

struct TDeviceSettings {
  uint8_t deviceId = 0;
  int delayMs = 750;
  int ackTimeoutMs = 1500;
  int waitMs = 60000;
  bool yes = false;
};

// The numbers of the device options, checked before any MIDI service is
// opened: a wrong number is bad usage whether or not a service runs.
TDeviceSettings ParseDeviceSettings(const CommandLine &line);

class TDeviceSession {
public:
  // Takes hold of the synthesizer on the output port for the whole run:
  // waits while another program holds it, saying who, or with --no-wait
  // raises ZpmError naming the holder.
  explicit TDeviceSession(const CommandLine &line);
  ~TDeviceSession();

  TMidiLink &Link() { return m_link; }
  TCliHost &Host() { return m_host; }
  const TDeviceSettings &Settings() const { return m_settings; }

private:
  // A port by its index in the list, its exact name, or the one name that contains the text.
  int FindPort(const std::vector<std::string> &names, const QString &option,
               const QString &text) const;
  void PrintNewLogLines();
  void HoldOutputPort(const std::string &name, bool wait);

  TDeviceSettings m_settings;
  std::shared_ptr<TMidiSystem> m_system;
  TEventLog m_log;
  TReception m_reception;
  TMidiInput m_input;
  TMidiOutput m_output;
  TMidiLink m_link;
  TCliHost m_host;
  std::unique_ptr<TPortLock> m_lock;
  std::mutex m_logPrint;
  size_t m_logPrinted = 0;
};

} // namespace zpm::cli
