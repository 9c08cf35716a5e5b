// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midi_link.h"

#include "midi/log_text.h"
#include "patch/error.h"

namespace zpm {

void TMidiLink::CheckDevicesOpen() const {
  if (OutputDeviceIndex == -1 || InputDeviceIndex == -1)
    throw ZpmError("Midi output device not open.");
  Claim();
}

bool TMidiLink::Drain() {
  return OutputDeviceIndex < 0 || output.Drain(OutputDeviceIndex);
}

std::string TMidiLink::LostReason() const {
  std::string reason = reception.LostReason();
  if (reason.empty() && OutputDeviceIndex >= 0)
    reason = output.Problem(OutputDeviceIndex);
  return reason;
}

void TMidiLink::CheckOutputThere() const {
  // A dead output takes bytes and says nothing: it is reported as such.
  if (OutputDeviceIndex >= 0) {
    const std::string problem = output.Problem(OutputDeviceIndex);
    if (!problem.empty())
      throw ZpmError(problem);
  }
}

void TMidiLink::Send(TMemoryStream &message) {
  CheckOutputThere();
  // Stamped when it leaves; the answer's line never comes before it.
  const std::string time = LogTimeText();
  log.BeginSending();
  try {
    output.SendSysEx(OutputDeviceIndex, message);
  } catch (...) {
    log.EndSending({});
    throw;
  }
  log.EndSending(SysExOutLine(time, message.Data().data(), message.Size()));
}

void TMidiLink::Send(const Bytes &message) {
  TMemoryStream stream(message);
  Send(stream);
}

void TMidiLink::SendShort(uint8_t status, uint8_t data1, uint8_t data2) {
  CheckOutputThere();
  const std::string time = LogTimeText();
  log.BeginSending();
  try {
    output.SendShort(OutputDeviceIndex, status, data1, data2);
  } catch (...) {
    log.EndSending({});
    throw;
  }
  log.EndSending(ShortMessageOutLine(time, status, data1, data2));
}

} // namespace zpm
