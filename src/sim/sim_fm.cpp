// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_fm.h"

#include "fm/fm_messages.h"
#include "patch/checksum.h"
#include "patch/patch.h"
#include "sim/sim_random.h"

#include <algorithm>

namespace zpm {

namespace {

// Index of a type's memory; -1 for a code the device does not know.
int TypeIndex(uint8_t type) {
  switch (type) {
  case kFmVoice:
    return 0;
  case kFmDrumset:
    return 1;
  case kFmEnsemble:
    return 2;
  default:
    return -1;
  }
}

constexpr std::array<uint8_t, 3> kTypes = {kFmVoice, kFmDrumset, kFmEnsemble};

} // namespace

TSimFm::TSimFm(const TSimOptions &options)
    : m_id(options.fmId & 0x7F),
      m_unaskedDump(options.unaskedDump), m_present{options.fmVoiceBanks, options.fmDrumBanks,
                                                    options.fmEnsembleBanks} {
  for (size_t t = 0; t < kTypes.size(); ++t) {
    const int perBank = FmPatchesPerBank(kTypes[t]);
    m_memory[t].resize(8 * static_cast<size_t>(perBank) * kDataSize);
    for (uint8_t bank = 0; bank < 8; ++bank)
      for (int patch = 0; patch < perBank; ++patch) {
        const auto p = static_cast<uint8_t>(patch);
        SeedPatchData(options.seed,
                      static_cast<uint64_t>(kFmFamily) << 24 | kTypes[t] << 16 | bank << 8 | p,
                      SimFmName(kTypes[t], bank, p), Data(kTypes[t], bank, p));
      }
  }
}

bool TSimFm::Present(uint8_t type, uint8_t bank) const {
  const int index = TypeIndex(type);
  return index >= 0 && bank < 8 && (m_present[static_cast<size_t>(index)] >> bank & 1) != 0;
}

bool TSimFm::ValidSlot(uint8_t type, uint8_t bank, uint8_t patch) {
  return TypeIndex(type) >= 0 && bank < 8 && patch < FmPatchesPerBank(type);
}

uint8_t *TSimFm::Data(uint8_t type, uint8_t bank, uint8_t patch) {
  const size_t slot =
      static_cast<size_t>(bank) * static_cast<size_t>(FmPatchesPerBank(type)) + patch;
  return m_memory[static_cast<size_t>(TypeIndex(type))].data() + slot * kDataSize;
}

const uint8_t *TSimFm::Data(uint8_t type, uint8_t bank, uint8_t patch) const {
  const size_t slot =
      static_cast<size_t>(bank) * static_cast<size_t>(FmPatchesPerBank(type)) + patch;
  return m_memory[static_cast<size_t>(TypeIndex(type))].data() + slot * kDataSize;
}

TSimReply TSimFm::Handle(const Bytes &message) {
  const uint8_t command = message.size() > 7 ? message[6] : 0xFF;
  if (command == kFmPatchRequest && message.size() == kFmRequestSize)
    return Dump(message[7], message[8], message[9]);
  if (command == kFmPatchDump) {
    TSimReply answer = Write(message);
    if (!m_unaskedDump)
      return answer;
    // Voice A:1 as another program's request would bring it, whatever the
    // banks present; no fault touches it.
    TSimReply reply{{0xF0, 0x00, 0x00, 0x7E, kFmFamily, m_id, kFmPatchDump, kFmVoice, 0, 0}, false};
    const uint8_t *data = Data(kFmVoice, 0, 0);
    reply.bytes.insert(reply.bytes.end(), data, data + kDataSize);
    reply.bytes.push_back(DataChecksum(data));
    reply.bytes.push_back(0xF7);
    reply.bytes.insert(reply.bytes.end(), answer.bytes.begin(), answer.bytes.end());
    return reply;
  }
  return {};
}

TSimReply TSimFm::Refusal(uint8_t bank) const {
  return {{0xF0, 0x00, 0x00, 0x7E, kFmFamily, m_id, kSimFmRefusal, bank, 0xF7}, false};
}

TSimReply TSimFm::Dump(uint8_t type, uint8_t bank, uint8_t patch) const {
  if (!ValidSlot(type, bank, patch) || !Present(type, bank))
    return Refusal(bank);
  TSimReply reply{{0xF0, 0x00, 0x00, 0x7E, kFmFamily, m_id, kFmPatchDump, type, bank, patch}, true};
  const uint8_t *data = Data(type, bank, patch);
  reply.bytes.insert(reply.bytes.end(), data, data + kDataSize);
  reply.bytes.push_back(DataChecksum(data));
  reply.bytes.push_back(0xF7);
  return reply;
}

TSimReply TSimFm::Write(const Bytes &message) {
  // A write the device cannot take (cut short, bad address, absent bank,
  // wrong checksum) is refused, so the program never counts it as stored.
  const uint8_t bank = message.size() > 8 ? message[8] : 0;
  if (message.size() != kFmDumpSize)
    return Refusal(bank);
  const uint8_t type = message[7];
  const uint8_t patch = message[9];
  const uint8_t *data = message.data() + kFmDataOffset;
  if (!ValidSlot(type, bank, patch) || !Present(type, bank) ||
      DataChecksum(data) != message[kFmDataOffset + kDataSize])
    return Refusal(bank);
  std::copy(data, data + kDataSize, Data(type, bank, patch));
  return {{0xF0, 0x00, 0x00, 0x7E, kFmFamily, m_id, kSimFmAck, 0xF7}, false};
}

} // namespace zpm
