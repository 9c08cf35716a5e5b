// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/log_text.h"

#include <gtest/gtest.h>

#include <ctime>

namespace zpm {
namespace {

TEST(LogText, SysExLinesCountAndRenderEveryByte) {
  const Bytes ack = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0F, 0x01, 0xF7};
  EXPECT_EQ(SysExInLine("12:34:56.789", ack.data(), ack.size()),
            "[12:34:56.789] IN : <Bytes> 9 <SysEx> f0 00 00 7e 46 00 0f 01 f7 ");
  EXPECT_EQ(SysExOutLine("00:00:00.000", ack.data(), 3),
            "[00:00:00.000] OUT: <Bytes> 3 <SysEx> f0 00 00 ");
}

TEST(LogText, ShortMessageLine) {
  EXPECT_EQ(ShortMessageInLine("01:02:03.004", 0x90, 60, 100),
            "[01:02:03.004] IN : <Status> 90, <Data 1> 3c <Data 2> 64");
  EXPECT_FALSE(IsLoggedShortMessage(0xFE));
  EXPECT_TRUE(IsLoggedShortMessage(0xF8));
}

TEST(LogText, StreamToHexStartsAtTheBeginning) {
  TMemoryStream stream;
  stream.Write({0xF0, 0x7E, 0xF7});
  EXPECT_EQ(stream.Position(), 3u);
  EXPECT_EQ(StreamToHex(stream), "f0 7e f7 ");
  EXPECT_EQ(StreamToHex(Bytes{}), "");
}

TEST(LogText, TimeTextHasHoursMinutesSecondsAndMilliseconds) {
  std::tm local{};
  local.tm_year = 126;
  local.tm_mon = 11;
  local.tm_mday = 7;
  local.tm_hour = 9;
  local.tm_min = 5;
  local.tm_sec = 3;
  local.tm_isdst = -1;
  const auto when =
      std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(42);
  EXPECT_EQ(LogTimeText(when), "09:05:03.042");
}

} // namespace
} // namespace zpm
