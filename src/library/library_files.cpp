// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_files.h"

#include "fm/fm_file.h"
#include "library/library_records.h"
#include "patch/checksum.h"
#include "sid/sid_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace zpm {

namespace {

constexpr int64_t kLargestFile = 64 << 20;
constexpr int kBanks = 8;

template <typename Patch> TPatchBytes BytesOf(const Patch &patch, TKind kind) {
  TPatchBytes bytes;
  bytes.kind = kind;
  std::memcpy(bytes.data.data(), patch.Data(), bytes.data.size());
  if (DataChecksum(patch.Data()) != patch.Checksum())
    bytes.flaws |= kFlawChecksum;
  if (patch.CutShort)
    bytes.flaws |= kFlawCutShort;
  return bytes;
}

TKind FmKind(uint8_t type) {
  return type == kFmDrumset    ? TKind::FmDrumset
         : type == kFmEnsemble ? TKind::FmEnsemble
                               : TKind::FmVoice;
}

std::string Rows(size_t count) {
  return count == 1 ? "1 patch" : std::to_string(count) + " patches";
}

} // namespace

TPatchBytes PatchBytesOf(const TPatch &patch) {
  return BytesOf(patch, TKind::Sid);
}

TPatchBytes PatchBytesOf(const TFMPatch &patch) {
  return BytesOf(patch, FmKind(patch.PatchType()));
}

TFilePatches ReadPatchFile(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    throw ZpmError(path + " cannot be read (" + std::strerror(errno) + ").");
  if (!S_ISREG(info.st_mode))
    throw ZpmError(path + " is not a regular file.");
  if (info.st_size > kLargestFile)
    throw ZpmError(path + " is larger than 64 MiB, too large for a patch file.");
  TFilePatches file;
  file.size = info.st_size;
  file.mtime = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  std::ifstream in(path, std::ios::binary);
  Bytes data(static_cast<size_t>(info.st_size));
  if (!in || !in.read(reinterpret_cast<char *>(data.data()), info.st_size))
    throw ZpmError(path + " cannot be read (" + std::strerror(errno) + ").");
  static const uint8_t kFmHead[] = {0xF0, 0x00, 0x00, 0x7E, 0x49};
  const bool fm = data.size() >= sizeof kFmHead && std::memcmp(data.data(), kFmHead, 5) == 0;
  size_t wrong = 0;
  bool cutShort = false;
  if (fm) {
    TFMPatchBank voices, drums, ensembles;
    const TFmLoadReport report = LoadFmFile(data, path, voices, drums, ensembles);
    for (const TFMPatchBank *bank : {&voices, &drums, &ensembles})
      for (int row = 0; row < bank->Count(); ++row)
        file.patches.push_back({row, PatchBytesOf(bank->GetPatch(row))});
    wrong = report.wrongChecksumRows.size();
    cutShort = report.cutShort;
  } else {
    TPatchBank bank;
    const TSidLoadReport report = LoadSidFile(data, path, bank);
    for (int row = 0; row < bank.Count(); ++row)
      file.patches.push_back({row, PatchBytesOf(bank.GetPatch(row))});
    wrong = report.wrongChecksumRows.size();
    cutShort = report.cutShortRow >= 0;
  }
  if (cutShort)
    file.warning = "its last patch is cut short";
  if (wrong)
    file.warning += (file.warning.empty() ? "" : "; ") + Rows(wrong) + " with a wrong checksum";
  return file;
}

Bytes PlacedPatchFile(const std::vector<TPlacedPatch> &placed, int device) {
  bool sid = false, fm = false;
  for (const TPlacedPatch &slot : placed)
    (slot.patch.kind == TKind::Sid ? sid : fm) = true;
  if (sid && fm)
    throw TLibraryError("The set holds both SID and FM patches, and a file holds one "
                        "synthesizer's; export them apart (--kind sid, or one of the FM kinds).");
  if (sid)
    return SidFileBytes(SidBankOf(placed, device));
  const TFmBanks banks = FmBanksOf(placed, device);
  return FmAllTypesFile(banks.voices, banks.drums, banks.ensembles);
}

std::vector<TPlacedPatch> PlaceFromFirstSlot(const std::vector<TStoredPatch> &patches) {
  std::array<int, kKindCount> next{};
  std::vector<TPlacedPatch> placed;
  for (const TStoredPatch &stored : patches) {
    int &slot = next[static_cast<size_t>(stored.patch.kind)];
    const int perBank = SlotsPerBank(stored.patch.kind);
    if (slot >= kBanks * perBank)
      throw TLibraryError("The set holds more " + std::string(KindText(stored.patch.kind)) +
                          " patches than banks A to H have slots (" +
                          std::to_string(kBanks * perBank) + "); nothing was written.");
    TPlacedPatch at;
    at.patch = stored.patch;
    at.id = stored.id;
    at.bank = slot / perBank;
    at.number = slot % perBank;
    placed.push_back(at);
    ++slot;
  }
  return placed;
}

} // namespace zpm
