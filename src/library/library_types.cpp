// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_types.h"

#include "library/sha256.h"
#include "patch/checksum.h"
#include "patch/patch.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string_view>

namespace zpm {

namespace {

const char *const kKindTexts[kKindCount] = {"sid", "fm-voice", "fm-drumset", "fm-ensemble"};

std::string HashOf(const TPatchBytes &patch, size_t from) {
  TSha256 sha;
  const char *kind = KindText(patch.kind);
  sha.Add(kind, std::strlen(kind));
  sha.Add(patch.data.data() + from, patch.data.size() - from);
  const std::array<uint8_t, 32> digest = sha.Finish();
  static const char kHex[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (size_t i = 0; i < 8; ++i) {
    hex[2 * i] = kHex[digest[i] >> 4];
    hex[2 * i + 1] = kHex[digest[i] & 15];
  }
  return hex;
}

} // namespace

const char *KindText(TKind kind) {
  return kKindTexts[static_cast<int>(kind)];
}

const char *MadeByText(TMadeBy how) {
  switch (how) {
  case TMadeBy::Vary:
    return "vary";
  case TMadeBy::Cross:
    return "cross";
  case TMadeBy::Edit:
    break;
  }
  return "edit";
}

bool ParseKind(const std::string &text, TKind &kind) {
  for (int i = 0; i < kKindCount; ++i)
    if (text == kKindTexts[i]) {
      kind = static_cast<TKind>(i);
      return true;
    }
  return false;
}

int SlotsPerBank(TKind kind) {
  switch (kind) {
  case TKind::FmDrumset:
    return 16;
  case TKind::FmEnsemble:
    return 32;
  default:
    return 128;
  }
}

int BanksPerKind(TKind kind) {
  return kind == TKind::Sid ? 8 : 16;
}

uint8_t FmType(TKind kind) {
  return kind == TKind::FmDrumset ? kFmDrumset : kind == TKind::FmEnsemble ? kFmEnsemble : kFmVoice;
}

bool HasName(TKind kind) {
  return kind == TKind::Sid || kind == TKind::FmVoice;
}

std::string FlawText(uint8_t flaws) {
  std::string text;
  if (flaws & kFlawCutShort)
    text = "cut short";
  if (flaws & kFlawChecksum)
    text += text.empty() ? "wrong checksum" : ", wrong checksum";
  return text;
}

bool PatchBytesOf(const uint8_t *image, size_t size, TPatchBytes &patch) {
  if (size < 8 || image[0] != 0xF0 || image[1] != 0 || image[2] != 0 || image[3] != 0x7E ||
      image[6] != 0x02)
    return false;
  size_t offset = 0, checksumAt = 0;
  if (image[4] == 0x46 && size >= 266) {
    patch.kind = TKind::Sid;
    offset = 8;
    checksumAt = 264;
  } else if (image[4] == 0x49 && size >= 268) {
    switch (image[7]) {
    case 0x00:
      patch.kind = TKind::FmVoice;
      break;
    case 0x10:
      patch.kind = TKind::FmDrumset;
      break;
    case 0x70:
      patch.kind = TKind::FmEnsemble;
      break;
    default:
      return false;
    }
    offset = 10;
    checksumAt = 266;
  } else {
    return false;
  }
  std::memcpy(patch.data.data(), image + offset, patch.data.size());
  patch.flaws = DataChecksum(patch.data.data()) == image[checksumAt] ? kFlawNone : kFlawChecksum;
  return true;
}

std::string PatchHash(const TPatchBytes &patch) {
  return HashOf(patch, 0);
}

std::string SoundHash(const TPatchBytes &patch) {
  return HashOf(patch, HasName(patch.kind) ? 16 : 0);
}

TPatchKeys PatchKeys(const TPatchBytes &patch, bool whole) {
  TPatchKeys keys;
  const std::string_view bytes(reinterpret_cast<const char *>(patch.data.data()),
                               patch.data.size());
  keys.key = std::hash<std::string_view>()(bytes) ^
             (static_cast<uint64_t>(patch.kind) + 1) * 0x9E3779B97F4A7C15u;
  if (!whole)
    return keys;
  keys.hash = PatchHash(patch);
  const bool named = HasName(patch.kind);
  keys.sound = named ? SoundHash(patch) : keys.hash;
  if (named)
    keys.name = ShownName(patch.data.data());
  return keys;
}

namespace {

std::string NameText(const uint8_t *name16, bool shown) {
  std::string text;
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t c = name16[i];
    // A name ends at its first zero byte, as the lists and the viewer read it.
    if (c == 0)
      break;
    if (shown && (c < 0x20 || (c >= 0x7F && c <= 0x9F)))
      text += '?';
    else if (c < 0x80)
      text += static_cast<char>(c);
    else {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

} // namespace

std::string ShownName(const uint8_t *name16) {
  return NameText(name16, true);
}

std::string NameUtf8(const uint8_t *name16) {
  return NameText(name16, false);
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string IsoTime(int64_t ms) {
  // Whole seconds towards the past, so a time before 1970 is not a second late.
  const time_t seconds = static_cast<time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  struct tm local {};
  localtime_r(&seconds, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  const int offset = static_cast<int>(local.tm_gmtoff / 60);
  const int size = offset < 0 ? -offset : offset;
  char zone[32];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', size / 60 % 100,
                size % 60);
  return std::string(text) + zone;
}

bool ParseIsoTime(const std::string &text, int64_t &ms) {
  struct tm when {};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const bool dateOnly = text.size() == 10;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3 || used != 10)
    return false;
  size_t at = 10;
  if (!dateOnly) {
    if (text[at] != 'T' && text[at] != ' ')
      return false;
    if (std::sscanf(text.c_str() + at + 1, "%2d:%2d%n", &hour, &minute, &used) != 2 || used != 5)
      return false;
    at += 6;
    if (at < text.size() && text[at] == ':') {
      if (std::sscanf(text.c_str() + at + 1, "%2d%n", &second, &used) != 1 || used != 2)
        return false;
      at += 3;
    }
  }
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > days[month - 1] || hour > 23 || minute > 59 ||
      second > 60)
    return false;
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  // A day alone means the state that day ended with.
  when.tm_hour = dateOnly ? 23 : hour;
  when.tm_min = dateOnly ? 59 : minute;
  when.tm_sec = dateOnly ? 59 : second;
  time_t seconds = 0;
  if (at == text.size()) {
    when.tm_isdst = -1;
    seconds = mktime(&when);
  } else {
    int zoneMinutes = 0;
    if (text.substr(at) != "Z") {
      int zh = 0, zm = 0;
      if ((text[at] != '+' && text[at] != '-') ||
          std::sscanf(text.c_str() + at + 1, "%2d:%2d%n", &zh, &zm, &used) != 2 || used != 5 ||
          at + 6 != text.size() || zm > 59 || zh * 60 + zm > 14 * 60)
        return false;
      zoneMinutes = (text[at] == '-' ? -1 : 1) * (zh * 60 + zm);
    }
    seconds = timegm(&when) - zoneMinutes * 60;
  }
  // The whole second counts as "at" it.
  ms = static_cast<int64_t>(seconds) * 1000 + 999;
  return true;
}

} // namespace zpm
