// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_synth.h"

#include "fm/fm_file.h"
#include "fm/fm_messages.h"
#include "patch/error.h"
#include "patch/patch.h"
#include "sid/sid_file.h"
#include "sid/sid_messages.h"
#include "sim/sim_fm.h"
#include "sim/sim_random.h"
#include "sim/sim_sid.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zpm {

namespace {

// The longest message either device takes is an FM Patch Dump; anything
// longer is not for them and is dropped whole instead of piling up.
constexpr size_t kMaxMessage = 512;

constexpr uint8_t kManufacturer[] = {0xF0, 0x00, 0x00, 0x7E};

bool Has7BitData(const uint8_t *data) {
  return std::all_of(data, data + kDataSize, [](uint8_t b) { return b < 0x80; });
}

Bytes ReadWholeFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw ZpmError("Cannot open file " + path);
  Bytes data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad())
    throw ZpmError("Cannot read file " + path);
  return data;
}

void CheckSidSlot(uint8_t bank, uint8_t patch) {
  if (bank >= 8 || patch >= kSidPatchesPerBank)
    throw ZpmError("No SID patch slot " + std::to_string(bank) + ":" + std::to_string(patch));
}

void CheckFmSlot(uint8_t type, uint8_t bank, uint8_t patch) {
  if (!TSimFm::ValidSlot(type, bank, patch))
    throw ZpmError("No FM patch slot " + std::to_string(type) + ":" + std::to_string(bank) + ":" +
                   std::to_string(patch));
}

// The memory holds what the cable can carry: 256 bytes of 7-bit data.
void CheckPatchData(const Bytes &data) {
  if (data.size() != kDataSize || !Has7BitData(data.data()))
    throw ZpmError("Patch data must be 256 bytes below 80h");
}

void WriteWholeFile(const std::string &path, const Bytes &data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file)
    file.write(reinterpret_cast<const char *>(data.data()),
               static_cast<std::streamsize>(data.size()));
  file.close();
  if (!file)
    throw ZpmError("Cannot write file " + path);
}

} // namespace

struct TSimSynth::TState {
  explicit TState(const TSimOptions &o) : options(o), sid(o), fm(o), garbage(o.seed) {}

  TSimOptions options;
  TSimSid sid;
  TSimFm fm;
  TSimRandom garbage;

  Bytes message; // the SysEx message coming in, from its F0 on
  bool inMessage = false;
  bool overlong = false;

  int dumpReplies = 0;
  bool vanished = false;

  void Feed(uint8_t byte, Bytes &out);
  void Dispatch(Bytes &out);
  void Send(const TSimReply &reply, Bytes &out);
};

void TSimSynth::TState::Feed(uint8_t byte, Bytes &out) {
  if (byte >= 0xF8)
    return; // real-time bytes may sit inside a SysEx without breaking it
  if (byte == 0xF0) {
    message.assign(1, byte);
    inMessage = true;
    overlong = false;
  } else if (byte == 0xF7) {
    if (inMessage && !overlong) {
      message.push_back(byte);
      Dispatch(out);
    }
    inMessage = false;
  } else if (byte & 0x80) {
    inMessage = false; // any other status byte aborts the message
  } else if (inMessage) {
    if (message.size() < kMaxMessage)
      message.push_back(byte);
    else
      overlong = true;
  }
}

void TSimSynth::TState::Dispatch(Bytes &out) {
  if (message.size() < 7 ||
      !std::equal(std::begin(kManufacturer), std::end(kManufacturer), message.begin()))
    return;
  if (message[4] == kSidFamily && message[5] == sid.Id())
    Send(sid.Handle(message), out);
  else if (message[4] == kFmFamily && message[5] == fm.Id())
    Send(fm.Handle(message), out);
}

void TSimSynth::TState::Send(const TSimReply &reply, Bytes &out) {
  if (reply.bytes.empty() || vanished)
    return;
  const TSimFault &fault = options.fault;
  bool strike = false;
  if (reply.dump) {
    ++dumpReplies;
    strike = fault.kind != TSimFaultKind::None && (fault.at == 0 || fault.at == dumpReplies);
  }
  if (!strike) {
    out.insert(out.end(), reply.bytes.begin(), reply.bytes.end());
    return;
  }
  const size_t cut = std::min(fault.count, reply.bytes.size());
  switch (fault.kind) {
  case TSimFaultKind::Silence:
  case TSimFaultKind::None:
    break;
  case TSimFaultKind::Short:
    out.insert(out.end(), reply.bytes.begin(),
               reply.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    break;
  case TSimFaultKind::Vanish:
    out.insert(out.end(), reply.bytes.begin(),
               reply.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    vanished = true;
    break;
  case TSimFaultKind::Spliced:
    if (cut > 0) {
      out.insert(out.end(), reply.bytes.begin(),
                 reply.bytes.begin() + static_cast<std::ptrdiff_t>(cut - 1));
      out.push_back(reply.bytes.back());
    }
    break;
  case TSimFaultKind::Garbage:
    for (size_t i = 0; i < fault.count; ++i)
      out.push_back(garbage.NextDataByte());
    break;
  }
}

TSimSynth::TSimSynth(const TSimOptions &options) : m_state(std::make_unique<TState>(options)) {
  for (const std::string &path : options.loadFiles)
    LoadFile(path);
}

TSimSynth::~TSimSynth() = default;

Bytes TSimSynth::Receive(const uint8_t *bytes, size_t count) {
  Bytes out;
  for (size_t i = 0; i < count && !m_state->vanished; ++i)
    m_state->Feed(bytes[i], out);
  return out;
}

void TSimSynth::LoadFile(const std::string &path) {
  const Bytes data = ReadWholeFile(path);
  const bool fmFile =
      data.size() >= 5 &&
      std::equal(std::begin(kManufacturer), std::end(kManufacturer), data.begin()) &&
      data[4] == kFmFamily;
  // Patches whose bytes could not travel on the cable (8-bit data, a slot
  // the device does not have) are left out.
  if (fmFile) {
    TFMPatchBank voices, drums, ensembles;
    LoadFmFile(data, path, voices, drums, ensembles);
    for (const TFMPatchBank *bank : {&voices, &drums, &ensembles})
      for (const TFMPatch &patch : *bank)
        if (TSimFm::ValidSlot(patch.PatchType(), patch.Bank(), patch.PatchNumber()) &&
            Has7BitData(patch.Data()))
          std::copy(patch.Data(), patch.Data() + kDataSize,
                    m_state->fm.Data(patch.PatchType(), patch.Bank(), patch.PatchNumber()));
    return;
  }
  TPatchBank patches;
  LoadSidFile(data, path, patches);
  for (const TPatch &patch : patches)
    if (patch.Bank < 8 && patch.PatchNumber() < kSidPatchesPerBank && Has7BitData(patch.Data()))
      std::copy(patch.Data(), patch.Data() + kDataSize,
                m_state->sid.Data(patch.Bank, patch.PatchNumber()));
}

void TSimSynth::SaveMemory(const std::string &dir) const {
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  const std::filesystem::path base(dir);
  const TSimSid &sid = m_state->sid;
  for (uint8_t bank = 0; bank < 8; ++bank) {
    if (!sid.Present(bank))
      continue;
    TPatchBank patches;
    patches.Reserve(kSidPatchesPerBank);
    for (uint8_t number = 0; number < kSidPatchesPerBank; ++number) {
      TPatch patch;
      patch.Bank = bank;
      patch.SetDeviceNumber(sid.Id());
      patch.SetPatchNumber(number);
      std::copy(sid.Data(bank, number), sid.Data(bank, number) + kDataSize, patch.Data());
      patch.UpdateChecksum();
      patches.Add(patch);
    }
    const std::string name = std::string("sid-bank-") + static_cast<char>('A' + bank) + ".syx";
    WriteWholeFile((base / name).string(), SidFileBytes(patches));
  }

  const TSimFm &fm = m_state->fm;
  TFMPatchBank lists[3];
  const uint8_t types[3] = {kFmVoice, kFmDrumset, kFmEnsemble};
  for (int t = 0; t < 3; ++t)
    for (uint8_t bank = 0; bank < 8; ++bank) {
      if (!fm.Present(types[t], bank))
        continue;
      for (int number = 0; number < FmPatchesPerBank(types[t]); ++number) {
        const auto n = static_cast<uint8_t>(number);
        TFMPatch patch;
        patch.SetDeviceNumber(fm.Id());
        patch.SetPatchType(types[t]);
        patch.SetBank(bank);
        patch.SetPatchNumber(n);
        const uint8_t *data = fm.Data(types[t], bank, n);
        std::copy(data, data + kDataSize, patch.Data());
        patch.UpdateChecksum();
        lists[t].Add(patch);
      }
    }
  const Bytes fmFile = FmAllTypesFile(lists[0], lists[1], lists[2]);
  if (!fmFile.empty())
    WriteWholeFile((base / "fm.syx").string(), fmFile);
}

Bytes TSimSynth::SidPatchData(uint8_t bank, uint8_t patch) const {
  CheckSidSlot(bank, patch);
  const uint8_t *data = m_state->sid.Data(bank, patch);
  return Bytes(data, data + kDataSize);
}

void TSimSynth::SetSidPatchData(uint8_t bank, uint8_t patch, const Bytes &data256) {
  CheckSidSlot(bank, patch);
  CheckPatchData(data256);
  std::copy(data256.begin(), data256.end(), m_state->sid.Data(bank, patch));
}

Bytes TSimSynth::FmPatchData(uint8_t type, uint8_t bank, uint8_t patch) const {
  CheckFmSlot(type, bank, patch);
  const uint8_t *data = m_state->fm.Data(type, bank, patch);
  return Bytes(data, data + kDataSize);
}

void TSimSynth::SetFmPatchData(uint8_t type, uint8_t bank, uint8_t patch, const Bytes &data256) {
  CheckFmSlot(type, bank, patch);
  CheckPatchData(data256);
  std::copy(data256.begin(), data256.end(), m_state->fm.Data(type, bank, patch));
}

bool TSimSynth::SidBankPresent(uint8_t bank) const {
  return m_state->sid.Present(bank);
}

bool TSimSynth::FmBankPresent(uint8_t type, uint8_t bank) const {
  return m_state->fm.Present(type, bank);
}

int TSimSynth::SelectedSidBank() const {
  return m_state->sid.Selected();
}

int TSimSynth::DumpReplies() const {
  return m_state->dumpReplies;
}

bool TSimSynth::Vanished() const {
  return m_state->vanished;
}

const TSimOptions &TSimSynth::Options() const {
  return m_state->options;
}

} // namespace zpm
