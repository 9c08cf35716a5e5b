// SPDX-License-Identifier: GPL-3.0-or-later
// The log's readings, through the very lines the log writes.

#include "midi/log_text.h"
#include "patch/checksum.h"
#include "viewer/log_reading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zpm {
namespace {

Bytes Sid(uint8_t command, Bytes rest) {
  Bytes message = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, command};
  for (uint8_t byte : rest)
    message.push_back(byte);
  message.push_back(0xF7);
  return message;
}

Bytes Data(const char *name, bool goodChecksum) {
  Bytes data(256, 0x11);
  for (size_t i = 0; i < 16; ++i)
    data[i] = 0;
  for (size_t i = 0; name[i]; ++i)
    data[i] = static_cast<uint8_t>(name[i]);
  data.push_back(static_cast<uint8_t>(DataChecksum(data.data()) + (goodChecksum ? 0 : 1)) & 0x7F);
  return data;
}

Bytes SidDump(uint8_t patch, const char *name, bool good) {
  Bytes rest = {patch};
  const Bytes data = Data(name, good);
  rest.insert(rest.end(), data.begin(), data.end());
  return Sid(0x02, rest);
}

Bytes FmDump(uint8_t type, uint8_t bank, uint8_t patch, const char *name) {
  Bytes message = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, type, bank, patch};
  const Bytes data = Data(name, true);
  message.insert(message.end(), data.begin(), data.end());
  message.push_back(0xF7);
  return message;
}

std::string Out(const Bytes &bytes) {
  return SysExOutLine("12:00:00.000", bytes.data(), bytes.size());
}

// Received messages are logged in chunks of at most 2048 bytes.
std::vector<std::string> In(const Bytes &bytes, size_t keep = SIZE_MAX) {
  std::vector<std::string> lines;
  const size_t size = std::min(keep, bytes.size());
  for (size_t at = 0; at < size; at += 2048)
    lines.push_back(
        SysExInLine("12:00:00.001", bytes.data() + at, std::min<size_t>(2048, size - at)));
  return lines;
}

struct TReadingCase {
  std::vector<std::string> lines;
  std::string lastReading;
};

TEST(LogReading, EachKindOfMessageReadsAsWhatItIs) {
  const std::vector<TReadingCase> cases = {
      {{Out(Sid(0x0B, {2}))}, "SID Bank Select C"},
      {{Out(Sid(0x0B, {2})), Out(Sid(0x01, {16}))}, "SID Patch Request C:17"},
      {{Out(Sid(0x0B, {2})), In(SidDump(16, "Lead", true))[0]},
       "SID Patch Dump C:17 'Lead' checksum ok"},
      {{Out(Sid(0x0B, {0})), In(SidDump(0, "Pad", false))[0]},
       "SID Patch Dump A:1 'Pad' checksum wrong"},
      {{In(Sid(0x0F, {1}))[0]}, "SID Bank Select B: acknowledged"},
      {{In(Sid(0x0E, {1}))[0]}, "SID Bank Select B: not available"},
      {{In({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0xF7})[0]},
       "SID Bank Select: answer of a single-cart firmware"},
      {{Out(Sid(0x0B, {7})), Out(Sid(0x03, {}))}, "SID Bank Dump Request H"},
      {{Out({0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x01, 0x10, 0x03, 0x04, 0xF7})},
       "FM Drumset Request D:5"},
      {{In(FmDump(0x00, 1, 9, "Brass"))[0]}, "FM Voice Dump B:10 'Brass' checksum ok"},
      {{Out(FmDump(0x70, 0, 0, ""))}, "FM Ensemble Dump A:1 checksum ok"},
      {{In({0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x0F, 0xF7})[0]}, "FM acknowledgement"},
      {{In({0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x0E, 0x00, 0xF7})[0]},
       "FM refusal: bank not available"},
      {{"[12:00:00.002] IN : <Status> 90, <Data 1> 3c <Data 2> 64"}, ""},
      {{"[12:00:00.002] Backup of bank A saved to a.syx"}, ""},
  };
  for (const TReadingCase &test : cases) {
    TLogReader reader;
    std::string reading;
    for (const std::string &line : test.lines)
      reading = reader.Read(line);
    EXPECT_EQ(reading, test.lastReading) << test.lines.back().substr(0, 60);
  }
}

TEST(LogReading, ABankDumpIsFollowedChunkByChunkAndACutOneIsNamed) {
  Bytes bankDump = Sid(0x04, Bytes(32769, 0x01));
  ASSERT_EQ(bankDump.size(), 32777u);
  TLogReader reader;
  reader.Read(Out(Sid(0x0B, {1})));
  const std::vector<std::string> lines = In(bankDump);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(reader.Read(lines[0]), "part 1: 2048 of 32777 bytes");
  for (size_t i = 1; i < 16; ++i)
    reader.Read(lines[i]);
  EXPECT_EQ(reader.Read(lines[16]), "SID Bank Dump B: 128 patches");

  // 30297 bytes, and the dump's end comes early.
  std::vector<std::string> cut = In(bankDump, 30296);
  Bytes tail = {0xF7};
  cut.push_back(SysExInLine("12:00:00.003", tail.data(), 1));
  std::string last;
  for (const std::string &line : cut)
    last = reader.Read(line);
  EXPECT_EQ(last, "cut short: 30297 of 32777 bytes");

  // A dump that just stops: the next message says so.
  for (const std::string &line : In(bankDump, 4096))
    reader.Read(line);
  EXPECT_EQ(reader.Read(In(Sid(0x0F, {1}))[0]),
            "the message before cut short: 4096 of 32777 bytes; SID Bank Select B: acknowledged");
  EXPECT_EQ(reader.Read(SysExInLine("t", tail.data(), 1)), "bytes without the start of a message");
}

} // namespace
} // namespace zpm
