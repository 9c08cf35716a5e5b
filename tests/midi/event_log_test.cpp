// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/event_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>

namespace zpm {
namespace {

TEST(EventLog, NewestFirstAndClearLeavesOnlyTheNextLine) {
  TEventLog log;
  int changes = 0;
  log.SetChangeHandler([&] { ++changes; });
  const uint8_t ack[] = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0F, 0x01, 0xF7};
  log.LogSysExIn(ack, sizeof ack);
  log.LogShortIn(0xFE, 0, 0); // active sensing is never logged
  log.LogShortIn(0x90, 60, 100);
  log.LogSysExOut(ack, 3);
  ASSERT_EQ(log.Count(), 3u);
  const std::string time = R"(\[\d\d:\d\d:\d\d\.\d\d\d\] )";
  EXPECT_TRUE(std::regex_match(log.Line(0), std::regex(time + "OUT: <Bytes> 3 <SysEx> f0 00 00 ")));
  EXPECT_TRUE(std::regex_match(log.Line(1),
                               std::regex(time + "IN : <Status> 90, <Data 1> 3c <Data 2> 64")));
  EXPECT_TRUE(
      std::regex_match(log.LineFromOldest(0),
                       std::regex(time + "IN : <Bytes> 9 <SysEx> f0 00 00 7e 46 00 0f 01 f7 ")));
  EXPECT_EQ(log.Line(3), "");
  log.Clear();
  log.AddLogLine("after");
  EXPECT_EQ(log.Count(), 1u);
  EXPECT_EQ(log.Line(0), "after");
  EXPECT_EQ(log.State().Clears, 1u);
  EXPECT_EQ(changes, 5);
}

TEST(EventLog, AnAnswerThatComesInWhileItsRequestIsSentIsLoggedAfterIt) {
  TEventLog log;
  const uint8_t answer[] = {0xF0, 0xF7};
  for (const bool sent : {true, false}) {
    log.Clear();
    log.BeginSending();
    std::thread driver([&] { log.LogSysExIn(answer, 2); });
    driver.join();
    EXPECT_EQ(log.Count(), 0u);
    log.EndSending(sent ? "request" : "");
    ASSERT_EQ(log.Count(), sent ? 2u : 1u);
    if (sent) {
      EXPECT_EQ(log.LineFromOldest(0), "request");
    }
    EXPECT_NE(log.Line(0).find("IN : <Bytes> 2"), std::string::npos);
  }
}

TEST(EventLog, TwoWritersKeepEveryLineInTheirOwnOrder) {
  TEventLog log;
  constexpr int kLines = 5000;
  auto write = [&](char who) {
    for (int i = 0; i < kLines; ++i) {
      log.AddLogLine(who + std::to_string(i));
    }
  };
  std::thread driver(write, 'd');
  write('u');
  driver.join();
  ASSERT_EQ(log.Count(), 2u * kLines);
  int next[2] = {0, 0};
  for (size_t i = 0; i < log.Count(); ++i) {
    const std::string line = log.LineFromOldest(i);
    ASSERT_EQ(line.substr(1), std::to_string(next[line[0] == 'd']++));
  }
}

} // namespace
} // namespace zpm
