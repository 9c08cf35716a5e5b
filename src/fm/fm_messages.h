// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The FM synthesizer's SysEx messages (header F0 00 00 7E 49, device ID) and
// how its replies are told apart: by their length alone.

#include "patch/stream.h"

#include <cstdint>

namespace zpm {

constexpr uint8_t kFmFamily = 0x49;
constexpr uint8_t kFmPatchRequest = 0x01;
constexpr uint8_t kFmPatchDump = 0x02;
constexpr size_t kFmRequestSize = 11;
constexpr size_t kFmRefusalSize = 9;
constexpr size_t kFmAckMinSize = 8;
// The device's two short replies: the refusal F0 00 00 7E 49 dd 0E bb F7 (bb
// the bank asked for) and the write acknowledgement F0 00 00 7E 49 dd 0F F7.
// A write is answered only by one of them; any other message of the device
// (a dump another program asked for) is no answer to it.
constexpr uint8_t kFmRefusal = 0x0E;
constexpr uint8_t kFmAck = 0x0F;

// Patches per bank of a type code: 128 voices, 16 drumsets, 32 ensembles.
int FmPatchesPerBank(uint8_t type);

// The request as sent: a device ID of 128 or more goes out as 0, a bank of 16
// or more as 0, a patch number beyond its type's bank size as 0.
Bytes FmPatchRequest(uint8_t device, uint8_t bank, uint8_t patch, uint8_t type);

// A reply to a request: exactly 9 bytes is a refusal, exactly 268 a dump,
// anything else counts as nothing received.
enum class FmFetchReply { Refused, Dump, Nothing };
FmFetchReply ClassifyFmFetchReply(size_t received);

// A reply to a write: 9 bytes is a refusal, 0 no reply, any other length an
// acknowledgement.
enum class FmWriteReply { Refused, NoReply, Acknowledged };
FmWriteReply ClassifyFmWriteReply(size_t received);

} // namespace zpm
