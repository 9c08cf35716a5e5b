// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SID and FM patch records: each holds its complete SysEx dump image exactly
// as it travels on the wire.

#include "patch/patch_bank.h"
#include "patch/stream.h"

#include <array>
#include <cstdint>

namespace zpm {

constexpr size_t kSidDumpSize = 266;
constexpr size_t kSidDataOffset = 8;
constexpr size_t kFmDumpSize = 268;
constexpr size_t kFmDataOffset = 10;
constexpr size_t kDataSize = 256;
constexpr size_t kNameSize = 16;

class TPatch {
public:
  TPatch() { Init(); }

  uint8_t Bank = 0; // 0..7, shown as "A" + Bank; not part of the dump
  // The end of its file came inside its dump: the rest is blank, so the
  // synthesizer would take a patch the file never held.
  bool CutShort = false;
  std::array<uint8_t, kSidDumpSize> Dump{};

  void Init();
  void SetDeviceNumber(uint8_t device);
  void SetPatchNumber(uint8_t number);
  void GetName(uint8_t name[kNameSize]) const;
  void LoadFromStream(TMemoryStream &stream);
  void SaveToStream(TMemoryStream &stream) const;
  void SaveToStreamAs(TMemoryStream &stream, uint8_t device);
  void SaveToStreamAt(TMemoryStream &stream, uint8_t device, uint8_t number);
  void UpdateChecksum();

  uint8_t DeviceNumber() const { return Dump[5]; }
  uint8_t PatchNumber() const { return Dump[7]; }
  uint8_t *Data() { return Dump.data() + kSidDataOffset; }
  const uint8_t *Data() const { return Dump.data() + kSidDataOffset; }
  uint8_t Checksum() const { return Dump[264]; }
};

using TPatchBank = TBank<TPatch>;

// FM patch types, dump byte 7.
constexpr uint8_t kFmVoice = 0x00;
constexpr uint8_t kFmDrumset = 0x10;
constexpr uint8_t kFmEnsemble = 0x70;

class TFMPatch {
public:
  TFMPatch() { Init(); }

  bool CutShort = false; // as TPatch::CutShort
  std::array<uint8_t, kFmDumpSize> Dump{};

  void Init();
  void SetDeviceNumber(uint8_t device);
  void SetPatchType(uint8_t type);
  void SetBank(uint8_t bank);
  void SetPatchNumber(uint8_t number);
  void GetName(uint8_t name[kNameSize]) const;
  void LoadFromStream(TMemoryStream &stream);
  void SaveToStream(TMemoryStream &stream) const;
  void SaveToStreamAs(TMemoryStream &stream, uint8_t device);
  void SaveToStreamAt(TMemoryStream &stream, uint8_t device, uint8_t bank, uint8_t number);
  void UpdateChecksum();

  uint8_t DeviceNumber() const { return Dump[5]; }
  uint8_t PatchType() const { return Dump[7]; }
  uint8_t Bank() const { return Dump[8]; }
  uint8_t PatchNumber() const { return Dump[9]; }
  uint8_t *Data() { return Dump.data() + kFmDataOffset; }
  const uint8_t *Data() const { return Dump.data() + kFmDataOffset; }
  uint8_t Checksum() const { return Dump[266]; }
};

using TFMPatchBank = TBank<TFMPatch>;

} // namespace zpm
