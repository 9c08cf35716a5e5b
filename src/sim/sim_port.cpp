// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_port.h"

#include "midi/chunker.h"

#include <cerrno>

namespace zpm {

namespace {

TMidiResult NoSuchPort() {
  return {static_cast<uint32_t>(EINVAL), "No such simulator port"};
}

} // namespace

TMidiResult TSimPort::OpenInput(size_t port, TSysExChunker &chunker) {
  if (port != 0)
    return NoSuchPort();
  // Set ahead of the sink, whose lock hands it to the wire's thread.
  m_chunker = &chunker;
  m_wire.SetSink([&chunker](const uint8_t *bytes, size_t count) { chunker.Feed(bytes, count); });
  return {};
}

TMidiResult TSimPort::CloseInput(size_t port) {
  if (port != 0)
    return NoSuchPort();
  m_wire.SetSink(nullptr);
  return {};
}

void TSimPort::LoseBytes() {
  // Run only while the sink is set, so the chunker is the open input's.
  m_wire.InjectEvent([this] { m_chunker->MarkBroken(); });
}

void TSimPort::LoseService(const std::string &reason) {
  m_wire.InjectEvent([this, reason] { m_chunker->MarkLost(reason); });
}

TMidiResult TSimPort::OpenOutput(size_t port) {
  return port == 0 ? TMidiResult{} : NoSuchPort();
}

TMidiResult TSimPort::CloseOutput(size_t port) {
  return port == 0 ? TMidiResult{} : NoSuchPort();
}

TMidiResult TSimPort::Send(size_t port, const uint8_t *bytes, size_t count) {
  if (port != 0)
    return NoSuchPort();
  m_wire.Receive(bytes, count);
  return {};
}

TMidiResult TSimPort::Drain(size_t port) {
  if (port != 0)
    return NoSuchPort();
  if (m_fallBehind.load() > 0) {
    --m_fallBehind;
    return {kMidiMayNotHaveArrived, "The simulator fell behind."};
  }
  return {};
}

} // namespace zpm
