// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/patch.h"

#include "patch/checksum.h"

#include <algorithm>
#include <cstring>

namespace zpm {

namespace {

// A stream of 1 up to one dump less a byte is too short to hold a dump and is
// left unread; otherwise a whole dump is read from the position, as far as it goes.
template <size_t N> void LoadDump(std::array<uint8_t, N> &dump, TMemoryStream &stream) {
  const size_t size = stream.Size();
  if (size >= 1 && size < N)
    return;
  stream.Read(dump.data(), N);
}

void InitHeader(uint8_t *dump, uint8_t family) {
  const uint8_t header[] = {0xF0, 0x00, 0x00, 0x7E, family, 0x00, 0x02};
  std::memcpy(dump, header, sizeof header);
}

} // namespace

void TPatch::Init() {
  Dump.fill(0);
  InitHeader(Dump.data(), 0x46);
  Dump[kSidDumpSize - 1] = 0xF7;
  Bank = 0;
  CutShort = false;
}

void TPatch::SetDeviceNumber(uint8_t device) {
  if (device < 128)
    Dump[5] = device;
}

void TPatch::SetPatchNumber(uint8_t number) {
  if (number < 128)
    Dump[7] = number;
}

void TPatch::GetName(uint8_t name[kNameSize]) const {
  std::memcpy(name, Dump.data() + kSidDataOffset, kNameSize);
}

void TPatch::LoadFromStream(TMemoryStream &stream) {
  LoadDump(Dump, stream);
}

void TPatch::SaveToStream(TMemoryStream &stream) const {
  stream.Write(Dump.data(), Dump.size());
}

void TPatch::SaveToStreamAs(TMemoryStream &stream, uint8_t device) {
  const uint8_t saved = Dump[5];
  SetDeviceNumber(device);
  SaveToStream(stream);
  Dump[5] = saved;
}

void TPatch::SaveToStreamAt(TMemoryStream &stream, uint8_t device, uint8_t number) {
  const uint8_t savedDevice = Dump[5];
  const uint8_t savedNumber = Dump[7];
  SetDeviceNumber(device);
  SetPatchNumber(number);
  SaveToStream(stream);
  Dump[5] = savedDevice;
  Dump[7] = savedNumber;
}

void TPatch::UpdateChecksum() {
  Dump[264] = DataChecksum(Data());
}

void TFMPatch::Init() {
  Dump.fill(0);
  InitHeader(Dump.data(), 0x49);
  Dump[kFmDumpSize - 1] = 0xF7;
  CutShort = false;
}

void TFMPatch::SetDeviceNumber(uint8_t device) {
  if (device < 128)
    Dump[5] = device;
}

void TFMPatch::SetPatchType(uint8_t type) {
  if (type == kFmVoice || type == kFmDrumset || type == kFmEnsemble)
    Dump[7] = type;
}

void TFMPatch::SetBank(uint8_t bank) {
  if (bank < 8)
    Dump[8] = bank;
}

void TFMPatch::SetPatchNumber(uint8_t number) {
  if (number < 128)
    Dump[9] = number;
}

void TFMPatch::GetName(uint8_t name[kNameSize]) const {
  std::memcpy(name, Dump.data() + kFmDataOffset, kNameSize);
}

void TFMPatch::LoadFromStream(TMemoryStream &stream) {
  LoadDump(Dump, stream);
}

void TFMPatch::SaveToStream(TMemoryStream &stream) const {
  stream.Write(Dump.data(), Dump.size());
}

void TFMPatch::SaveToStreamAs(TMemoryStream &stream, uint8_t device) {
  const uint8_t saved = Dump[5];
  SetDeviceNumber(device);
  SaveToStream(stream);
  Dump[5] = saved;
}

void TFMPatch::SaveToStreamAt(TMemoryStream &stream, uint8_t device, uint8_t bank, uint8_t number) {
  const uint8_t savedDevice = Dump[5];
  const uint8_t savedBank = Dump[8];
  const uint8_t savedNumber = Dump[9];
  SetDeviceNumber(device);
  SetPatchNumber(number);
  SetBank(bank);
  SaveToStream(stream);
  Dump[9] = savedNumber;
  Dump[5] = savedDevice;
  Dump[8] = savedBank;
}

void TFMPatch::UpdateChecksum() {
  Dump[266] = DataChecksum(Data());
}

} // namespace zpm
