// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/device_session.h"

#include "zpm/cli_io.h"
#include "zpm/interrupts.h"

#include "patch/error.h"
#include "sim/sim_port.h"

#include <chrono>
#include <exception>
#include <thread>

namespace zpm::cli {

namespace {

int ParseRanged(const CommandLine &line, const QString &name, int fallback, int min, int max) {
  if (!line.IsSet(name))
    return fallback;
  return static_cast<int>(ParseNumberIn("--" + name, line.Value(name), min, max));
}

} // namespace

void AddDeviceOptions(CommandLine &line, bool ports) {
  line.AddValueOption("api", "alsa|jack",
                      "The MIDI service (default: ALSA when there, else JACK).");
  line.AddFlag("simulator", "Talk to the built-in simulated synthesizers instead of a MIDI "
                            "service, to try zpm without hardware.");
  if (!ports)
    return;
  line.AddValueOption("in", "PORT", "The input port: index, exact name, or a unique part of it.");
  line.AddValueOption("out", "PORT", "The output port: index, exact name, or a unique part of it.");
  line.AddValueOption("device-id", "N", "The synthesizer's device ID, 0..127 (default 0).");
  line.AddValueOption("delay", "MS", "The pause after a SID Bank Select (default 750).");
  line.AddValueOption("ack-timeout", "MS", "The FM acknowledge timeout (default 1500).");
  line.AddValueOption("wait", "MS",
                      "How long a dump wait lasts before it counts as cancelled "
                      "(default 60000).");
  line.AddFlag("yes", "Answer Yes to the program's questions.");
  line.AddFlag("no-wait", "Fail at once, instead of waiting, when another program is talking "
                          "to the synthesizer.");
  line.AddFlag("log", "Print every MIDI message to standard error.");
}

void AddRetriesAndJsonOptions(CommandLine &line, const char *retriesHelp) {
  line.AddValueOption("retries", "N", retriesHelp);
  line.AddFlag("json", "Print one JSON document with the result of every slot.");
}

int ParseRetries(const CommandLine &line) {
  constexpr int kDefaultRetries = 2;
  constexpr int kMaxRetries = 10;
  if (!line.IsSet("retries"))
    return kDefaultRetries;
  return static_cast<int>(ParseNumberIn("--retries", line.Value("retries"), 0, kMaxRetries));
}

MidiApi ParseApi(const CommandLine &line) {
  if (line.IsSet("simulator")) {
    if (line.IsSet("api"))
      throw UsageError("--simulator replaces the MIDI service; give either it or --api.");
    return MidiApi::None;
  }
  if (!line.IsSet("api"))
    return MidiApi::Auto;
  const QString text = line.Value("api");
  if (text == "alsa")
    return MidiApi::Alsa;
  if (text == "jack")
    return MidiApi::Jack;
  throw UsageError(QString("--api is alsa or jack, not \"%1\".").arg(text));
}

std::shared_ptr<TMidiSystem> OpenMidiSystem(const CommandLine &line) {
  const MidiApi api = ParseApi(line);
  // The simulator is listed only when asked for, so no port option reaches it by accident.
  auto system = std::make_shared<TMidiSystem>(
      api, api == MidiApi::None ? std::make_unique<TSimPort>(TSimOptions{}) : nullptr);
  if (api != MidiApi::None && system->Api() == MidiApi::None)
    throw ZpmError(system->ServiceProblem());
  return system;
}

TDeviceSettings ParseDeviceSettings(const CommandLine &line) {
  return {static_cast<uint8_t>(ParseRanged(line, "device-id", 0, 0, 127)),
          ParseRanged(line, "delay", 750, 0, 5000), ParseRanged(line, "ack-timeout", 1500, 0, 5000),
          ParseRanged(line, "wait", 60000, 0, 24 * 3600 * 1000), line.IsSet("yes")};
}

namespace {

// The signals are watched before the service starts threads of its own.
std::shared_ptr<TMidiSystem> OpenWatchedMidiSystem(const CommandLine &line) {
  TInterrupts::Install();
  return OpenMidiSystem(line);
}

} // namespace

TDeviceSession::TDeviceSession(const CommandLine &line)
    : m_settings(ParseDeviceSettings(line)), m_system(OpenWatchedMidiSystem(line)),
      m_reception(m_log), m_input(m_system),
      m_output(m_system), m_link{m_output, m_reception, m_log, -1, -1, nullptr},
      m_host(m_reception, m_settings.yes, m_settings.waitMs) {
  // Every wait and pause of the run ends at once, and none begins after it.
  TInterrupts::SetHandler([this] { m_reception.Stop(); });
  TInterrupts::SetLastWords("Interrupted again: nothing was fetched or sent yet.");
  if (line.IsSet("log"))
    m_log.SetChangeHandler([this] { PrintNewLogLines(); });
  m_input.OnSysExData = [this](int device, const uint8_t *bytes, size_t count) {
    m_reception.HandleSysExData(device, bytes, count);
  };
  m_input.OnMidiData = [this](int device, uint8_t status, uint8_t data1, uint8_t data2) {
    m_reception.HandleMidiData(device, status, data1, data2);
  };
  m_input.OnInputProblem = [this](int device, TInputProblem problem, const std::string &reason) {
    m_reception.HandleInputProblem(device, problem, reason);
  };
  m_input.OnActivity = [this](int device, bool inSysEx, size_t messageBytes) {
    m_reception.HandleActivity(device, inSysEx, messageBytes);
  };
  const int in = line.IsSet("in") ? FindPort(m_input.DeviceNames(), "--in", line.Value("in")) : -1;
  const int out =
      line.IsSet("out") ? FindPort(m_output.DeviceNames(), "--out", line.Value("out")) : -1;
  // The built-in simulator belongs to this run alone.
  if (out >= 0 && m_system->Api() != MidiApi::None)
    HoldOutputPort(m_output.DeviceNames()[static_cast<size_t>(out)], !line.IsSet("no-wait"));
  if (in >= 0) {
    m_input.Open(in);
    m_link.InputDeviceIndex = in;
  }
  if (out >= 0) {
    m_output.Open(out);
    m_link.OutputDeviceIndex = out;
  }
}

TDeviceSession::~TDeviceSession() {
  TInterrupts::SetHandler(nullptr);
  m_log.SetChangeHandler(nullptr);
  // Closing raises when the service has gone (a request still queued is
  // lost); the run has already said what failed.
  try {
    if (m_link.InputDeviceIndex >= 0)
      m_input.Close(m_link.InputDeviceIndex);
  } catch (const std::exception &) {
  }
  try {
    if (m_link.OutputDeviceIndex >= 0)
      m_output.Close(m_link.OutputDeviceIndex);
  } catch (const std::exception &) {
  }
}

int TDeviceSession::FindPort(const std::vector<std::string> &names, const QString &option,
                             const QString &text) const {
  bool isNumber = false;
  const int index = text.toInt(&isNumber);
  if (isNumber) {
    if (index < 0 || index >= static_cast<int>(names.size()))
      throw UsageError(QString("%1 %2: there is no port with that index; zpm ports lists them.")
                           .arg(option, text));
    return index;
  }
  int found = -1;
  int matches = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const QString name = QString::fromStdString(names[i]);
    if (name == text)
      return static_cast<int>(i);
    if (name.contains(text)) {
      found = static_cast<int>(i);
      ++matches;
    }
  }
  if (matches == 1)
    return found;
  throw UsageError(
      matches == 0 ? QString("%1 \"%2\" matches no port; zpm ports lists them.").arg(option, text)
                   : QString("%1 \"%2\" matches %3 ports; give more of the name.")
                         .arg(option, text)
                         .arg(matches));
}

void TDeviceSession::HoldOutputPort(const std::string &name, bool wait) {
  m_lock = std::make_unique<TPortLock>(TPortLock::ServiceScope(m_system->Api() == MidiApi::Jack),
                                       name, "zpm");
  std::string holder;
  if (m_lock->TryAcquire(&holder)) {
    const std::string skipped = m_lock->TakeSkipNotice();
    if (!skipped.empty())
      PrintErr(QString::fromStdString(skipped) + "\n");
    return;
  }
  if (!wait)
    throw ZpmError(TPortLock::BusyText(holder, name));
  PrintErr(QString::fromStdString(TPortLock::WaitingText(holder, name)) + "\n");
  // The holder's end, however it comes, frees the lock; a look every
  // tenth of a second costs nothing while waiting.
  while (!m_lock->TryAcquire()) {
    if (TInterrupts::Received() != 0)
      throw ZpmError("Stopped while waiting for the synthesizer; nothing was sent.");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void TDeviceSession::PrintNewLogLines() {
  std::lock_guard<std::mutex> lock(m_logPrint);
  const TLogState state = m_log.State();
  if (state.Count < m_logPrinted)
    m_logPrinted = 0;
  for (; m_logPrinted < state.Count; ++m_logPrinted)
    PrintErr(QString::fromStdString(m_log.LineFromOldest(m_logPrinted)) + "\n");
}

} // namespace zpm::cli
