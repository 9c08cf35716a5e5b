// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_sid.h"

#include "patch/checksum.h"
#include "patch/patch.h"
#include "sid/sid_messages.h"
#include "sim/sim_random.h"

#include <algorithm>

namespace zpm {

namespace {
constexpr size_t kPatchRequestSize = 9;
constexpr size_t kBankDumpRequestSize = 8;
} // namespace

TSimSid::TSimSid(const TSimOptions &options)
    : m_id(options.sidId & 0x7F), m_present(options.firmware16 ? 1 : options.sidBanks),
      m_firmware16(options.firmware16),
      m_sevenByteAnswer(options.firmware16 && options.firmware16SevenByteAnswer),
      m_dropWrite(options.dropWrite), m_memory(8 * kSidPatchesPerBank * kDataSize) {
  for (uint8_t bank = 0; bank < 8; ++bank)
    if (m_selected < 0 && Present(bank))
      m_selected = bank;
  for (uint8_t bank = 0; bank < 8; ++bank)
    for (uint8_t patch = 0; patch < kSidPatchesPerBank; ++patch)
      SeedPatchData(options.seed, static_cast<uint64_t>(kSidFamily) << 16 | bank << 8 | patch,
                    SimSidName(bank, patch), Data(bank, patch));
}

uint8_t *TSimSid::Data(uint8_t bank, uint8_t patch) {
  return m_memory.data() + (static_cast<size_t>(bank) * kSidPatchesPerBank + patch) * kDataSize;
}

const uint8_t *TSimSid::Data(uint8_t bank, uint8_t patch) const {
  return m_memory.data() + (static_cast<size_t>(bank) * kSidPatchesPerBank + patch) * kDataSize;
}

Bytes TSimSid::Header(uint8_t command) const {
  return {0xF0, 0x00, 0x00, 0x7E, kSidFamily, m_id, command};
}

TSimReply TSimSid::Handle(const Bytes &message) {
  const uint8_t command = message.size() > 7 ? message[6] : 0xFF;
  switch (command) {
  case kSidBankSelect:
    if (message.size() == kSidBankSelectSize)
      return BankSelect(message[7]);
    break;
  case kSidPatchRequest:
    if (message.size() == kPatchRequestSize)
      return PatchDump(message[7]);
    break;
  case kSidBankDumpRequest:
    if (message.size() == kBankDumpRequestSize)
      return BankDump();
    break;
  case kSidPatchDump:
    Write(message);
    break;
  default:
    break;
  }
  return {};
}

TSimReply TSimSid::BankSelect(uint8_t bank) {
  if (m_firmware16) {
    // This firmware knows a single cart and no Bank Select; it stays on bank A.
    if (m_sevenByteAnswer)
      return {{0xF0, 0x00, 0x00, 0x7E, kSidFamily, m_id, 0xF7}, false};
    return {};
  }
  TSimReply reply{Header(kSimSidBankRefusal), false};
  if (Present(bank)) {
    m_selected = bank;
    reply.bytes[6] = kSidBankSelectAck;
  }
  reply.bytes.push_back(bank);
  reply.bytes.push_back(0xF7);
  return reply;
}

TSimReply TSimSid::PatchDump(uint8_t patch) const {
  if (m_selected < 0 || patch >= kSidPatchesPerBank)
    return {};
  TSimReply reply{Header(kSidPatchDump), true};
  reply.bytes.push_back(patch);
  const uint8_t *data = Data(static_cast<uint8_t>(m_selected), patch);
  reply.bytes.insert(reply.bytes.end(), data, data + kDataSize);
  reply.bytes.push_back(DataChecksum(data));
  reply.bytes.push_back(0xF7);
  return reply;
}

TSimReply TSimSid::BankDump() const {
  if (m_selected < 0)
    return {};
  TSimReply reply{Header(kSidBankDump), true};
  reply.bytes.reserve(kSidBankDumpSize);
  const uint8_t *data = Data(static_cast<uint8_t>(m_selected), 0);
  const size_t size = kSidPatchesPerBank * kDataSize;
  reply.bytes.insert(reply.bytes.end(), data, data + size);
  // The closing checksum covers all 32768 data bytes by the patch rule.
  reply.bytes.push_back(DataChecksum(data, size));
  reply.bytes.push_back(0xF7);
  return reply;
}

void TSimSid::Write(const Bytes &message) {
  // Writes are not answered: the program sends the next patch after a fixed
  // pause. A damaged dump is dropped and the slot keeps its patch.
  if (m_selected < 0 || message.size() != kSidDumpSize || message[7] >= kSidPatchesPerBank)
    return;
  const uint8_t *data = message.data() + kSidDataOffset;
  if (DataChecksum(data) != message[kSidDataOffset + kDataSize])
    return;
  if (++m_writes == m_dropWrite)
    return;
  std::copy(data, data + kDataSize, Data(static_cast<uint8_t>(m_selected), message[7]));
}

} // namespace zpm
