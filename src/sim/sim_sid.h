// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated Zavorin SID: up to eight PatchCarts of 128 patches each, a
// selected bank that requests and writes act on, and the single-cart
// firmware 1.6 that does not understand Bank Select.

#include "patch/stream.h"
#include "sim/sim_options.h"

#include <cstdint>
#include <vector>

namespace zpm {

// What a device sends back for one message; empty bytes: no answer. dump
// marks the replies a fault may strike.
struct TSimReply {
  Bytes bytes;
  bool dump = false;
};

// The device's answer to a Bank Select for a bank it does not have: 9 bytes
// like the acknowledgement, with command 0E, so the program reads it as "not
// available" rather than as firmware 1.6 (silence or 7 bytes).
constexpr uint8_t kSimSidBankRefusal = 0x0E;

class TSimSid {
public:
  explicit TSimSid(const TSimOptions &options);

  // One whole message F0 .. F7 already known to carry the SID header and
  // this device's ID.
  TSimReply Handle(const Bytes &message);

  bool Present(uint8_t bank) const { return bank < 8 && (m_present >> bank & 1) != 0; }
  int Selected() const { return m_selected; }
  uint8_t Id() const { return m_id; }
  uint8_t *Data(uint8_t bank, uint8_t patch);
  const uint8_t *Data(uint8_t bank, uint8_t patch) const;

private:
  TSimReply BankSelect(uint8_t bank);
  TSimReply PatchDump(uint8_t patch) const;
  TSimReply BankDump() const;
  void Write(const Bytes &message);
  Bytes Header(uint8_t command) const;

  uint8_t m_id;
  TBankMask m_present;
  bool m_firmware16;
  bool m_sevenByteAnswer;
  int m_selected = -1;
  int m_dropWrite; // the write that is lost, counted from 1; 0: none
  int m_writes = 0;
  std::vector<uint8_t> m_memory; // bank, patch, 256 data bytes
};

} // namespace zpm
