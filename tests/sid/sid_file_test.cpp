// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/error.h"
#include "sid/sid_file.h"
#include "sid/sid_messages.h"

#include <gtest/gtest.h>

#include <random>

namespace zpm {
namespace {

// Data differ per patch, and the checksum byte is deliberately wrong: files
// keep it as stored.
TPatch MakePatch(uint8_t bank, uint8_t number, uint8_t device) {
  TPatch p;
  p.Bank = bank;
  p.SetPatchNumber(number);
  p.SetDeviceNumber(device);
  for (size_t i = 0; i < kDataSize; ++i)
    p.Data()[i] = static_cast<uint8_t>((number + i * 7) % 128);
  p.Dump[264] = static_cast<uint8_t>(0x40 + number);
  return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Select(uint8_t device, uint8_t bank) {
  TMemoryStream s;
  WriteSidBankSelect(s, device, bank);
  return s.Data();
}

Bytes DumpOf(const TPatch &p, size_t length = kSidDumpSize) {
  return Bytes(p.Dump.begin(), p.Dump.begin() + static_cast<std::ptrdiff_t>(length));
}

TPatchBank Load(const Bytes &data) {
  TPatchBank bank;
  LoadSidFile(data, "/m/a.syx", bank);
  return bank;
}

void ExpectRefused(const Bytes &data, const std::string &message) {
  TPatchBank bank;
  bank.Add(TPatch());
  try {
    LoadSidFile(data, "/m/a.syx", bank);
    ADD_FAILURE() << "accepted: " << message;
  } catch (const ZpmError &e) {
    EXPECT_EQ(e.what(), "/m/a.syx" + message);
  }
  EXPECT_EQ(bank.Count(), 0) << message;
}

TEST(SidFile, PeekLooksAtEightBytesAndStaysPut) {
  TMemoryStream s(Cat({{0x00}, Select(4, 6)}));
  uint8_t command = 0, value = 0;
  EXPECT_FALSE(PeekSidHeader(s, command, value));
  s.SetPosition(1);
  EXPECT_TRUE(PeekSidHeader(s, command, value));
  EXPECT_EQ(s.Position(), 1u);
  EXPECT_EQ(command * 256 + value, 0x0B06);
  s.SetPosition(3);
  EXPECT_FALSE(PeekSidHeader(s, command, value));
}

TEST(SidFile, SavingPutsABankSelectAheadOfEachRunAndLoadingGivesThePatchesBack) {
  TPatchBank bank;
  for (const TPatch &p :
       {MakePatch(0, 3, 11), MakePatch(0, 4, 12), MakePatch(1, 5, 13), MakePatch(0, 6, 14)})
    bank.Add(p);
  const Bytes file = SidFileBytes(bank);
  EXPECT_EQ(file.size(), 1091u);
  EXPECT_EQ(file,
            Cat({Select(11, 0), DumpOf(bank.GetPatch(0)), DumpOf(bank.GetPatch(1)), Select(13, 1),
                 DumpOf(bank.GetPatch(2)), Select(14, 0), DumpOf(bank.GetPatch(3))}));
  const TPatchBank loaded = Load(file);
  ASSERT_EQ(loaded.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(loaded.GetPatch(i).Bank, bank.GetPatch(i).Bank);
    EXPECT_EQ(loaded.GetPatch(i).Dump, bank.GetPatch(i).Dump);
  }
  TMemoryStream selected;
  WriteSidPatches(selected, {&bank.GetPatch(3), &bank.GetPatch(0)});
  EXPECT_EQ(selected.Data(),
            Cat({Select(14, 0), DumpOf(bank.GetPatch(3)), DumpOf(bank.GetPatch(0))}));
}

TEST(SidFile, RefusedFilesLeaveTheListEmpty) {
  ExpectRefused({}, " is too short (0 bytes)");
  const std::string notSid = " is not a SID patch SysEx file.";
  ExpectRefused({0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00, 0x00}, notSid);
  ExpectRefused({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}, notSid);
  ExpectRefused(Cat({{0x41}, Select(0, 0)}), notSid);
  const TPatch p = MakePatch(0, 1, 0);
  ExpectRefused(Cat({Select(0, 0), DumpOf(p), Select(0, 9), DumpOf(p)}),
                " has a Bank Select for bank 9 at byte 275; banks go from A to H (0..7). "
                "The file was not loaded.");
  ExpectRefused(Select(0, 8), " has a Bank Select for bank 8 at byte 0; banks go from A to H "
                              "(0..7). The file was not loaded.");
  EXPECT_EQ(Load(Cat({Select(0, 7), DumpOf(p)})).GetPatch(0).Bank, 7);
}

TEST(SidFile, MessagesOtherThanBankSelectAndPatchDumpAreSkippedOrEndTheReading) {
  const TPatch a = MakePatch(0, 1, 2), b = MakePatch(0, 2, 3);
  EXPECT_EQ(Load(DumpOf(b)).GetPatch(0).Dump, b.Dump);
  EXPECT_EQ(Load(Select(0, 3)).Count(), 0);
  const Bytes request = SidPatchRequest(0, 5);
  const TPatchBank skipped =
      Load(Cat({request, Select(0, 2), DumpOf(a), request, SidBankDumpRequest(0), DumpOf(b)}));
  ASSERT_EQ(skipped.Count(), 2);
  EXPECT_EQ(skipped.GetPatch(1).Dump, b.Dump);
  EXPECT_EQ(skipped.GetPatch(1).Bank, 2);
  // Another family's message, or a stray byte, ends the reading quietly.
  const Bytes fm = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00, 0xF7};
  EXPECT_EQ(Load(Cat({DumpOf(a), fm, DumpOf(b)})).Count(), 1);
  EXPECT_EQ(Load(Cat({DumpOf(a), {0x00}, DumpOf(b)})).Count(), 1);
}

TEST(SidFile, ADumpCutShortKeepsWhatIsThereWhateverTheFileSize) {
  const TPatch a = MakePatch(0, 9, 1);
  for (const Bytes &file :
       {Cat({Select(0, 3), DumpOf(a, 100)}), Cat({Select(0, 3), DumpOf(a), DumpOf(a, 100)})}) {
    const TPatchBank loaded = Load(file);
    const TPatch &cut = loaded.GetPatch(loaded.Count() - 1);
    EXPECT_EQ(cut.Bank, 3);
    EXPECT_EQ(DumpOf(cut, 100), DumpOf(a, 100));
    EXPECT_EQ(Bytes(cut.Dump.begin() + 100, cut.Dump.end()), Cat({Bytes(165, 0), {0xF7}}));
  }
}

TEST(SidFile, GarbageNeverHangsNorReadsBeyondTheData) {
  std::mt19937 random(20240611);
  const uint8_t commands[] = {0x02, 0x0B, 0x01, 0x04, 0x7F};
  for (int run = 0; run < 3000; ++run) {
    Bytes data(random() % 700);
    for (uint8_t &byte : data)
      byte = random() % 4 == 0 ? 0xF0 : static_cast<uint8_t>(random() % 9);
    // Plant SID headers so that most runs get past the first look.
    for (size_t at = 0; at + 8 <= data.size(); at += 1 + random() % 300) {
      const Bytes head = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, commands[random() % 5]};
      std::copy(head.begin(), head.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
    }
    TPatchBank bank;
    try {
      LoadSidFile(data, "/g.syx", bank);
    } catch (const ZpmError &) {
      ASSERT_EQ(bank.Count(), 0);
    }
    // Every patch takes at least the 8 bytes of its header.
    ASSERT_LE(static_cast<size_t>(bank.Count()), data.size() / 8);
  }
}

} // namespace
} // namespace zpm
