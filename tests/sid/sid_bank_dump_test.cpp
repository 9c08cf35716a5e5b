// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/checksum.h"
#include "sid/sid_bank_dump.h"
#include "sid/sid_file.h"
#include "sid/sid_messages.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

// Device 5; block n's data byte i is (3n + 5i) % 101, so that the
// checksums differ; then a closing byte and F7.
Bytes BankDump() {
  Bytes dump = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x05, 0x04};
  for (size_t n = 0; n < 128; ++n)
    for (size_t i = 0; i < 256; ++i)
      dump.push_back(static_cast<uint8_t>((n * 3 + i * 5) % 101));
  dump.push_back(0x11);
  dump.push_back(0xF7);
  return dump;
}

void ExpectCutFrom(const Bytes &dump, const TPatchBank &bank, int first, uint8_t letter) {
  const Bytes header = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02};
  for (int n = 0; n < bank.Count() - first; ++n) {
    const TPatch &p = bank.GetPatch(first + n);
    const auto data = dump.begin() + 7 + 256 * n;
    ASSERT_TRUE(std::equal(header.begin(), header.end(), p.Dump.begin())) << n;
    ASSERT_TRUE(std::equal(data, data + 256, p.Data())) << n;
    ASSERT_EQ(p.PatchNumber(), n);
    ASSERT_EQ(p.Bank, letter);
    ASSERT_EQ(p.Checksum(), DataChecksum(p.Data())) << n;
    ASSERT_EQ(p.Dump[265], 0xF7);
  }
}

TEST(SidBankDump, OnlyAFetchedDumpOfExactlyOneBankIsCutAndAppended) {
  const Bytes dump = BankDump();
  TPatchBank bank;
  bank.Add(TPatch());
  EXPECT_TRUE(CutSidBankDump(dump, 3, bank));
  ASSERT_EQ(bank.Count(), 129);
  ExpectCutFrom(dump, bank, 1, 3);
  EXPECT_FALSE(CutSidBankDump(Bytes(dump.begin(), dump.end() - 1), 3, bank));
  EXPECT_FALSE(CutSidBankDump(Bytes(dump.size() + 1, 0x01), 3, bank));
  EXPECT_EQ(bank.Count(), 129);
}

TEST(SidBankDump, AFileWithABankDumpLoadsItsCompleteBlocksIntoBankA) {
  const Bytes dump = BankDump();
  TPatchBank bank;
  LoadSidFile(dump, "/f.syx", bank);
  ASSERT_EQ(bank.Count(), 128);
  ExpectCutFrom(dump, bank, 0, 0);
  LoadSidFile(Bytes(dump.begin(), dump.begin() + 7 + 1000), "/f.syx", bank);
  EXPECT_EQ(bank.Count(), 3);
  ExpectCutFrom(dump, bank, 0, 0);
  LoadSidFile(Bytes(dump.begin(), dump.begin() + 7 + 255), "/f.syx", bank);
  EXPECT_EQ(bank.Count(), 0);
  Bytes oversized = dump;
  oversized.resize(dump.size() + 3 * 256, 0x01);
  LoadSidFile(oversized, "/f.syx", bank);
  EXPECT_EQ(bank.Count(), 128);
}

} // namespace
} // namespace zpm
