// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated Zavorin FM: voices, drumsets and ensembles, eight banks of
// each type present or not, single-patch requests and acknowledged writes.

#include "fm/fm_messages.h"
#include "sim/sim_options.h"
#include "sim/sim_sid.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zpm {

// The device's two short replies are the program's kFmRefusal and kFmAck.
constexpr uint8_t kSimFmRefusal = kFmRefusal;
constexpr uint8_t kSimFmAck = kFmAck;
constexpr size_t kSimFmAckSize = kFmAckMinSize;

class TSimFm {
public:
  explicit TSimFm(const TSimOptions &options);

  // One whole message F0 .. F7 already known to carry the FM header and this
  // device's ID.
  TSimReply Handle(const Bytes &message);

  // False for a type other than 00h, 10h, 70h or a bank of 8 or more.
  bool Present(uint8_t type, uint8_t bank) const;
  // True when type, bank (0..7) and patch (below the type's bank size) name a slot.
  static bool ValidSlot(uint8_t type, uint8_t bank, uint8_t patch);
  uint8_t Id() const { return m_id; }
  // The slot must be valid.
  uint8_t *Data(uint8_t type, uint8_t bank, uint8_t patch);
  const uint8_t *Data(uint8_t type, uint8_t bank, uint8_t patch) const;

private:
  TSimReply Dump(uint8_t type, uint8_t bank, uint8_t patch) const;
  TSimReply Write(const Bytes &message);
  TSimReply Refusal(uint8_t bank) const;

  uint8_t m_id;
  bool m_unaskedDump;
  std::array<TBankMask, 3> m_present; // voices, drumsets, ensembles
  std::array<std::vector<uint8_t>, 3> m_memory;
};

} // namespace zpm
