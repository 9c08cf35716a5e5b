// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_list.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zpm {
namespace {

TEST(SidList, RowShowsBankLetterOneBasedNumberAndTheSixteenNameBytes) {
  TPatch p;
  p.Bank = 3;
  p.SetPatchNumber(127);
  const uint8_t name[17] = {'B', 0x1F, 0x20, 0x7F, 0xE9, 0x09, 'a', 0,  0,
                            0,   0,    0,    0,    0,    0,    'z', 'X'};
  std::memcpy(p.Data(), name, sizeof name);
  const SidListRow row = SidListText(p);
  EXPECT_EQ(row.bank, "D");
  EXPECT_EQ(row.number, 128);
  EXPECT_EQ(row.name, std::string("B  \x7F\xE9 a        z"));
  EXPECT_EQ(SidNameColumnWidth(400), 338);
  EXPECT_EQ(SidNameColumnWidth(10), 0);
}

} // namespace
} // namespace zpm
