// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_messages.h"

#include <initializer_list>

namespace zpm {

namespace {

uint8_t Below(uint8_t value, uint8_t limit) {
  return value < limit ? value : 0;
}

Bytes Message(uint8_t device, std::initializer_list<uint8_t> body) {
  Bytes bytes;
  bytes.reserve(8 + body.size());
  for (uint8_t b :
       {uint8_t(0xF0), uint8_t(0x00), uint8_t(0x00), uint8_t(0x7E), kSidFamily, Below(device, 128)})
    bytes.push_back(b);
  for (uint8_t b : body)
    bytes.push_back(b);
  bytes.push_back(0xF7);
  return bytes;
}

} // namespace

Bytes SidPatchRequest(uint8_t device, uint8_t patch) {
  return Message(device, {kSidPatchRequest, Below(patch, 128)});
}

Bytes SidBankDumpRequest(uint8_t device) {
  return Message(device, {kSidBankDumpRequest});
}

Bytes SidBankSelect(uint8_t device, uint8_t bank) {
  return Message(device, {kSidBankSelect, Below(bank, 8)});
}

void WriteSidBankSelect(TMemoryStream &stream, uint8_t device, uint8_t bank) {
  stream.Write({0xF0, 0x00, 0x00, 0x7E, kSidFamily, device, kSidBankSelect, bank, 0xF7});
}

int ClassifySidBankSelectAnswer(const Bytes &received, uint8_t device, uint8_t bank) {
  if (received.empty() || received.size() == 7)
    return SidSingleCart;
  if (received.size() != kSidBankSelectSize)
    return SidBankMissing;
  // The acknowledgement echoes what actually went out, so a caller may pass
  // the values it asked for: device 200 was sent, and is answered, as 0.
  Bytes ack = SidBankSelect(device, bank);
  ack[6] = kSidBankSelectAck;
  return received == ack ? SidBankSelected : SidBankMissing;
}

} // namespace zpm
