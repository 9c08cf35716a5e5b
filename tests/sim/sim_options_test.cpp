// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zpm {
namespace {

// Arguments separated by blanks; "|" stands for an empty one.
std::vector<std::string> Args(const std::string &line) {
  std::vector<std::string> args;
  std::istringstream words(line);
  for (std::string word; words >> word;)
    args.push_back(word == "|" ? "" : word);
  return args;
}

TEST(SimOptions, EveryOptionReachesItsField) {
  TSimOptions options;
  std::string error;
  ASSERT_TRUE(ParseSimOptions(
      Args("--api alsa --name=studio-sim --sid-id 127 --fm-id=5 --sid-banks aC --firmware-1.6 "
           "--fm-voice-banks H --fm-drum-banks=none --fm-ensemble-banks ABCDEFGH --pace "
           "--fault garbage:12 --fault-at 3 --seed 4294967295 --load a.syx --load=b.syx "
           "--save-dir /tmp/out --drop-write=7"),
      options, error))
      << error;
  EXPECT_EQ(options.api, TSimApi::Alsa);
  EXPECT_EQ(options.name, "studio-sim");
  EXPECT_EQ(options.sidId, 127);
  EXPECT_EQ(options.fmId, 5);
  EXPECT_EQ(options.sidBanks, 0b0000'0101);
  EXPECT_TRUE(options.firmware16);
  EXPECT_FALSE(options.firmware16SevenByteAnswer);
  EXPECT_EQ(options.fmVoiceBanks, 0b1000'0000);
  EXPECT_EQ(options.fmDrumBanks, 0);
  EXPECT_EQ(options.fmEnsembleBanks, 0xFF);
  EXPECT_TRUE(options.pace);
  EXPECT_EQ(options.fault.kind, TSimFaultKind::Garbage);
  EXPECT_EQ(options.fault.count, 12u);
  EXPECT_EQ(options.fault.at, 3);
  EXPECT_EQ(options.seed, 4294967295u);
  EXPECT_EQ(options.loadFiles, (std::vector<std::string>{"a.syx", "b.syx"}));
  EXPECT_EQ(options.saveDir, "/tmp/out");
  EXPECT_EQ(options.dropWrite, 7);
  EXPECT_FALSE(options.help);

  // Each parse starts from the defaults.
  ASSERT_TRUE(
      ParseSimOptions({"--firmware-1.6-seven", "--fault", "vanish:0", "--help"}, options, error));
  EXPECT_EQ(options.name, "zavorin-sim");
  EXPECT_EQ(options.sidBanks, kAllBanks);
  EXPECT_TRUE(options.firmware16 && options.firmware16SevenByteAnswer && options.help);
  EXPECT_EQ(options.fault.kind, TSimFaultKind::Vanish);
  EXPECT_EQ(options.fault.at, 0);
  EXPECT_TRUE(options.loadFiles.empty());
  EXPECT_EQ(options.dropWrite, 0);
}

TEST(SimOptions, BadUsageIsRefusedAndLeavesTheOptionsAlone) {
  const std::string cases =
      "--bogus\nstray\n--drop-write 0\n--api\n--api oss\n--sid-id 128\n--fm-id -1\n"
      "--fm-id 1x\n--sid-banks ABI\n--sid-banks |\n--fault short\n"
      "--fault short:x\n--fault melt:3\n--fault short:3 --fault-at 0\n"
      "--fault-at 2\n--seed 4294967296\n--pace=yes\n--name |";
  std::istringstream lines(cases);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> args = Args(line);
    TSimOptions options;
    options.name = "kept";
    std::string error;
    EXPECT_FALSE(ParseSimOptions(args, options, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
    EXPECT_EQ(options.name, "kept") << line;
  }
  TSimOptions options;
  std::string error;
  ParseSimOptions({"--load"}, options, error);
  EXPECT_EQ(error, "missing value for --load");
}

} // namespace
} // namespace zpm
