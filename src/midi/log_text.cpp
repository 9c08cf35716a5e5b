// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/log_text.h"

#include <cstdio>
#include <ctime>

namespace zpm {

std::string LogTimeText(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(when);
  const auto millis = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis < 0 ? millis + 1000 : millis));
  return text;
}

std::string LogTimeText() {
  return LogTimeText(std::chrono::system_clock::now());
}

std::string StreamToHex(const uint8_t *bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text(count * 3, ' ');
  for (size_t i = 0; i < count; ++i) {
    text[i * 3] = digits[bytes[i] >> 4];
    text[i * 3 + 1] = digits[bytes[i] & 0x0F];
  }
  return text;
}

std::string StreamToHex(TMemoryStream &stream) {
  stream.SetPosition(0);
  return StreamToHex(stream.Data().data(), stream.Size());
}

namespace {

std::string SysExLine(const char *direction, const std::string &time, const uint8_t *bytes,
                      size_t count) {
  return "[" + time + "] " + direction + ": <Bytes> " + std::to_string(count) + " <SysEx> " +
         StreamToHex(bytes, count);
}

std::string ShortMessageLine(const char *direction, const std::string &time, uint8_t status,
                             uint8_t data1, uint8_t data2) {
  char text[64];
  std::snprintf(text, sizeof text, "] %s: <Status> %.2x, <Data 1> %.2x <Data 2> %.2x", direction,
                status, data1, data2);
  return "[" + time + text;
}

} // namespace

std::string SysExInLine(const std::string &time, const uint8_t *bytes, size_t count) {
  return SysExLine("IN ", time, bytes, count);
}

std::string SysExOutLine(const std::string &time, const uint8_t *bytes, size_t count) {
  return SysExLine("OUT", time, bytes, count);
}

std::string ShortMessageInLine(const std::string &time, uint8_t status, uint8_t data1,
                               uint8_t data2) {
  return ShortMessageLine("IN ", time, status, data1, data2);
}

std::string ShortMessageOutLine(const std::string &time, uint8_t status, uint8_t data1,
                                uint8_t data2) {
  return ShortMessageLine("OUT", time, status, data1, data2);
}

} // namespace zpm
