#include "midi/midi_link.h"

#include "patch/error.h"

namespace zpm {

void TMidiLink::CheckDevicesOpen() const {
  if (OutputDeviceIndex == -1 || InputDeviceIndex == -1)
    throw ZpmError("Midi output device not open.");
}

void TMidiLink::Send(TMemoryStream &message) {
  output.SendSysEx(OutputDeviceIndex, message);
  log.LogSysExOut(message.Data().data(), message.Size());
}

void TMidiLink::Send(const Bytes &message) {
  TMemoryStream stream(message);
  Send(stream);
}

} // namespace zpm
