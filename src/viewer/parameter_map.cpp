// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/parameter_map.h"

#include "viewer/fm_parameter_maps.h"
#include "viewer/sid_parameter_map.h"

#include <algorithm>
#include <cstdint>

namespace zpm {
namespace {

constexpr uint8_t kSidFamily = 0x46;
constexpr uint8_t kFmFamilyByte = 0x49;

size_t MapEnd(const std::vector<ParameterEntry> &map) {
  size_t end = 0;
  for (const ParameterEntry &entry : map)
    end = std::max(end, entry.dumpByte + entry.size);
  return end;
}

PatchKind KindOfHeader(const Bytes &image) {
  if (image.size() <= 4)
    return PatchKind::Unknown;
  if (image[4] == kSidFamily)
    return PatchKind::Sid;
  if (image[4] != kFmFamilyByte || image.size() <= 7)
    return PatchKind::Unknown;
  switch (image[7]) {
  case 0x00:
    return PatchKind::FmVoice;
  case 0x10:
    return PatchKind::FmDrumset;
  case 0x70:
    return PatchKind::FmEnsemble;
  default:
    return PatchKind::Unknown;
  }
}

std::string ValueText(const ParameterEntry &entry, const Bytes &image) {
  if (entry.size == 1)
    return std::to_string(static_cast<unsigned>(image[entry.dumpByte]));
  // The name shows as text, so it ends at the first zero byte.
  std::string text;
  for (size_t i = entry.dumpByte; i < entry.dumpByte + entry.size && image[i] != 0; ++i)
    text.push_back(static_cast<char>(image[i]));
  return text;
}

} // namespace

PatchKind RecognisePatchKind(const Bytes &image) {
  const PatchKind kind = KindOfHeader(image);
  if (kind != PatchKind::Unknown && image.size() < MapEnd(ParameterMap(kind)))
    return PatchKind::Unknown;
  return kind;
}

std::string PatchTypeText(PatchKind kind) {
  switch (kind) {
  case PatchKind::Sid:
    return "Patchtype: SID";
  case PatchKind::FmVoice:
    return "Patchtype: FM / Voice";
  case PatchKind::FmDrumset:
    return "Patchtype: FM / Drumset";
  case PatchKind::FmEnsemble:
    return "Patchtype: FM / Ensemble";
  case PatchKind::Unknown:
    break;
  }
  return std::string();
}

std::string KindPhrase(PatchKind kind) {
  switch (kind) {
  case PatchKind::Sid:
    return "a SID patch";
  case PatchKind::FmVoice:
    return "an FM voice";
  case PatchKind::FmDrumset:
    return "an FM drumset";
  case PatchKind::FmEnsemble:
    return "an FM ensemble";
  case PatchKind::Unknown:
    break;
  }
  return "an unknown patch";
}

const std::vector<ParameterEntry> &ParameterMap(PatchKind kind) {
  static const std::vector<ParameterEntry> none;
  switch (kind) {
  case PatchKind::Sid:
    return SidParameterMap();
  case PatchKind::FmVoice:
    return FmVoiceParameterMap();
  case PatchKind::FmDrumset:
    return FmDrumsetParameterMap();
  case PatchKind::FmEnsemble:
    return FmEnsembleParameterMap();
  case PatchKind::Unknown:
    break;
  }
  return none;
}

std::vector<ParameterRow> ParameterRows(const Bytes &image) {
  std::vector<ParameterRow> rows;
  for (const ParameterEntry &entry : ParameterMap(RecognisePatchKind(image)))
    rows.push_back({entry.label, ValueText(entry, image)});
  return rows;
}

} // namespace zpm
