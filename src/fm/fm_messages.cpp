// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_messages.h"

#include "patch/patch.h"

namespace zpm {

int FmPatchesPerBank(uint8_t type) {
  switch (type) {
  case kFmDrumset:
    return 16;
  case kFmEnsemble:
    return 32;
  default:
    return 128;
  }
}

Bytes FmPatchRequest(uint8_t device, uint8_t bank, uint8_t patch, uint8_t type) {
  const int limit = FmPatchesPerBank(type);
  return {0xF0,
          0x00,
          0x00,
          0x7E,
          kFmFamily,
          static_cast<uint8_t>(device < 128 ? device : 0),
          kFmPatchRequest,
          type,
          static_cast<uint8_t>(bank < 16 ? bank : 0),
          static_cast<uint8_t>(patch < limit ? patch : 0),
          0xF7};
}

FmFetchReply ClassifyFmFetchReply(size_t received) {
  if (received == kFmRefusalSize)
    return FmFetchReply::Refused;
  if (received == kFmDumpSize)
    return FmFetchReply::Dump;
  return FmFetchReply::Nothing;
}

FmWriteReply ClassifyFmWriteReply(size_t received) {
  if (received == kFmRefusalSize)
    return FmWriteReply::Refused;
  if (received == 0)
    return FmWriteReply::NoReply;
  return FmWriteReply::Acknowledged;
}

} // namespace zpm
