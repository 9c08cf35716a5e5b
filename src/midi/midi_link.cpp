#include "midi/midi_link.h"

#include "midi/log_text.h"
#include "patch/error.h"

namespace zpm {

void TMidiLink::CheckDevicesOpen() const {
  if (OutputDeviceIndex == -1 || InputDeviceIndex == -1)
    throw ZpmError("Midi output device not open.");
}

void TMidiLink::Send(TMemoryStream &message) {
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

} // namespace zpm
