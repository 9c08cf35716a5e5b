// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of the MIDI log's lines: the time of day, the byte count and every
// byte in hex for SysEx, status and data bytes for short messages.

#include "patch/stream.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace zpm {

// "HH:NN:SS.ZZZ" in local time.
std::string LogTimeText(std::chrono::system_clock::time_point when);
std::string LogTimeText();

// Every byte as two lower-case hex digits followed by a blank. The stream
// form starts from position 0 whatever the stream's position was.
std::string StreamToHex(TMemoryStream &stream);
std::string StreamToHex(const uint8_t *bytes, size_t count);
inline std::string StreamToHex(const Bytes &bytes) {
  return StreamToHex(bytes.data(), bytes.size());
}

std::string SysExInLine(const std::string &time, const uint8_t *bytes, size_t count);
std::string SysExOutLine(const std::string &time, const uint8_t *bytes, size_t count);
std::string ShortMessageInLine(const std::string &time, uint8_t status, uint8_t data1,
                               uint8_t data2);
// A short message the program sent, in the form of the received ones.
std::string ShortMessageOutLine(const std::string &time, uint8_t status, uint8_t data1,
                                uint8_t data2);

// Active sensing arrives several times a second and would bury everything else.
constexpr bool IsLoggedShortMessage(uint8_t status) {
  return status != 0xFE;
}

} // namespace zpm
