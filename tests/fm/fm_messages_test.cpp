// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_messages.h"
#include "patch/patch.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

TEST(FmMessages, RequestClampsEachFieldToItsRange) {
  EXPECT_EQ(FmPatchRequest(5, 3, 127, kFmVoice),
            (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x05, 0x01, 0x00, 0x03, 0x7F, 0xF7}));
  // {device, bank, patch, type} -> bytes 5, 8 and 9 as sent
  const int cases[][7] = {{0, 0, 20, kFmDrumset, 0, 0, 0},  {0, 0, 15, kFmDrumset, 0, 0, 15},
                          {0, 0, 40, kFmEnsemble, 0, 0, 0}, {0, 0, 31, kFmEnsemble, 0, 0, 31},
                          {0, 9, 128, kFmVoice, 0, 9, 0},   {0, 16, 0, kFmVoice, 0, 0, 0},
                          {128, 15, 0, kFmVoice, 0, 15, 0}, {127, 0, 0, kFmEnsemble, 127, 0, 0}};
  for (const auto &c : cases) {
    const Bytes sent = FmPatchRequest(c[0], c[1], c[2], c[3]);
    EXPECT_EQ((std::vector<int>{sent[5], sent[7], sent[8], sent[9]}),
              (std::vector<int>{c[4], c[3], c[5], c[6]}));
  }
}

TEST(FmMessages, RepliesAreToldApartByLengthAlone) {
  for (size_t n : {0, 8, 9, 10, 267, 268, 269, 536}) {
    EXPECT_EQ(ClassifyFmFetchReply(n), n == 9     ? FmFetchReply::Refused
                                       : n == 268 ? FmFetchReply::Dump
                                                  : FmFetchReply::Nothing);
    EXPECT_EQ(ClassifyFmWriteReply(n), n == 9   ? FmWriteReply::Refused
                                       : n == 0 ? FmWriteReply::NoReply
                                                : FmWriteReply::Acknowledged);
  }
}

} // namespace
} // namespace zpm
