// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SID synthesizer's SysEx messages (header F0 00 00 7E 46, device number,
// command) and how its answers to a Bank Select are told apart.

#include "patch/stream.h"

#include <cstdint>

namespace zpm {

constexpr uint8_t kSidFamily = 0x46;
constexpr uint8_t kSidPatchRequest = 0x01;
constexpr uint8_t kSidPatchDump = 0x02;
constexpr uint8_t kSidBankDumpRequest = 0x03;
constexpr uint8_t kSidBankDump = 0x04;
constexpr uint8_t kSidBankSelect = 0x0B;
constexpr uint8_t kSidBankSelectAck = 0x0F;

constexpr size_t kSidBankDumpSize = 32777;
constexpr size_t kSidBankSelectSize = 9;
constexpr int kSidPatchesPerBank = 128;

// Requests as sent: a device number or patch number of 128 or more goes out
// as 0, a bank of 8 or more as 0.
Bytes SidPatchRequest(uint8_t device, uint8_t patch);
Bytes SidBankDumpRequest(uint8_t device);
Bytes SidBankSelect(uint8_t device, uint8_t bank);

// The Bank Select that a file carries ahead of each run of patches: the two
// values are written as given.
void WriteSidBankSelect(TMemoryStream &stream, uint8_t device, uint8_t bank);

// What the device's answer to a Bank Select says: 1 the bank is there and now
// selected, 0 it is not available, -1 no answer or a 7-byte answer (firmware
// 1.6 with a single PatchCart). device and bank are the values sent.
enum SidBankSelectResult { SidBankMissing = 0, SidBankSelected = 1, SidSingleCart = -1 };
int ClassifySidBankSelectAnswer(const Bytes &received, uint8_t device, uint8_t bank);

} // namespace zpm
