// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_messages.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

Bytes Sid(std::initializer_list<uint8_t> tail) {
  Bytes bytes = {0xF0, 0x00, 0x00, 0x7E, 0x46};
  for (uint8_t byte : tail)
    bytes.push_back(byte);
  return bytes;
}

TEST(SidMessages, RequestsSendOutOfRangeValuesAsZeroButFilesKeepThem) {
  EXPECT_EQ(SidPatchRequest(3, 0), Sid({0x03, 0x01, 0x00, 0xF7}));
  EXPECT_EQ(SidPatchRequest(128, 127), Sid({0x00, 0x01, 0x7F, 0xF7}));
  EXPECT_EQ(SidBankDumpRequest(200), Sid({0x00, 0x03, 0xF7}));
  EXPECT_EQ(SidBankSelect(5, 7), Sid({0x05, 0x0B, 0x07, 0xF7}));
  EXPECT_EQ(SidBankSelect(5, 9), Sid({0x05, 0x0B, 0x00, 0xF7}));
  TMemoryStream file;
  WriteSidBankSelect(file, 200, 9);
  EXPECT_EQ(file.Data(), Sid({0xC8, 0x0B, 0x09, 0xF7}));
}

TEST(SidMessages, BankSelectAnswerIsJudgedByLengthThenByEveryByte) {
  const Bytes ack = Sid({0x00, 0x0F, 0x02, 0xF7});
  EXPECT_EQ(ClassifySidBankSelectAnswer(ack, 0, 2), SidBankSelected);
  EXPECT_EQ(ClassifySidBankSelectAnswer(ack, 0, 3), SidBankMissing);
  EXPECT_EQ(ClassifySidBankSelectAnswer(ack, 1, 2), SidBankMissing);
  // Device 200 and bank 9 went out as 0, so the device acknowledges 0.
  EXPECT_EQ(ClassifySidBankSelectAnswer(Sid({0x00, 0x0F, 0x00, 0xF7}), 200, 9), SidBankSelected);
  Bytes twoAcks = ack;
  twoAcks.insert(twoAcks.end(), ack.begin(), ack.end());
  EXPECT_EQ(ClassifySidBankSelectAnswer(twoAcks, 0, 2), SidBankMissing);
  EXPECT_EQ(ClassifySidBankSelectAnswer({}, 0, 2), SidSingleCart);
  EXPECT_EQ(ClassifySidBankSelectAnswer(Bytes(ack.begin(), ack.begin() + 7), 0, 2), SidSingleCart);
}

} // namespace
} // namespace zpm
