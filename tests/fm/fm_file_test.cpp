// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_file.h"
#include "fm/fm_messages.h"
#include "patch/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zpm {
namespace {

// The type byte is written directly, so codes the setter refuses can be built too.
Bytes Dump(uint8_t type, uint8_t bank, int number) {
  TFMPatch p;
  p.Dump[5] = 0x11;
  p.Dump[7] = type;
  p.Dump[8] = bank;
  p.Dump[9] = static_cast<uint8_t>(number);
  for (size_t i = 0; i < kDataSize; ++i)
    p.Data()[i] = static_cast<uint8_t>((i * 7 + number + type + bank * 3) & 0x7F);
  p.UpdateChecksum();
  return Bytes(p.Dump.begin(), p.Dump.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct Loaded {
  TFMPatchBank v, d, e;
  std::string error;
  explicit Loaded(const Bytes &data) {
    try {
      LoadFmFile(data, "/songs/kits.syx", v, d, e);
    } catch (const ZpmError &x) {
      error = x.what();
    }
  }
  Bytes All() const { return FmAllTypesFile(v, d, e); }
};

TEST(FmFile, PeekLooksAtTenBytesAndMovesOnlyWhenFewerRemain) {
  Bytes data = Dump(kFmEnsemble, 6, 3);
  data[5] = 0x7F; // any device ID
  TMemoryStream s(data);
  uint8_t command = 0, type = 0, bank = 0;
  EXPECT_TRUE(PeekFmHeader(s, command, type, bank));
  EXPECT_EQ(command << 16 | type << 8 | bank, 0x027006);
  EXPECT_EQ(s.Position(), 0u);
  for (size_t from : {258, 259}) { // 10 bytes left that are no header, then 9
    s.SetPosition(from);
    EXPECT_FALSE(PeekFmHeader(s, command, type, bank));
    EXPECT_EQ(s.Position(), from == 258 ? 258u : 268u);
  }
  TMemoryStream ten(Bytes(data.begin(), data.begin() + 10));
  EXPECT_TRUE(PeekFmHeader(ten, command, type, bank));
}

TEST(FmFile, WritersKeepBankOrderAndTheSelectionRules) {
  Bytes file;
  for (int i = 0; i < 144; ++i)
    file = Cat({file, i < 128 ? Dump(kFmVoice, 0, i) : Dump(kFmDrumset, 1, i - 128)});
  const Loaded l(file);
  EXPECT_EQ(l.All(), file); // 128 voices and 16 drumsets: 144 dumps and nothing else
  EXPECT_EQ(Cat({FmBankFile(l.v), FmBankFile(l.d)}), file);
  EXPECT_TRUE(FmAllTypesFile(l.e, l.e, l.e).empty());

  EXPECT_EQ(FmSelectionFile(l.d, {5, 2, 5}), Cat({Dump(kFmDrumset, 1, 2), Dump(kFmDrumset, 1, 5)}));
  EXPECT_EQ(FmSelectedRows(l.d, {16, 3}), std::vector<int>{3});
  EXPECT_TRUE(FmSelectedRows(l.d, {16, 17}).empty() && FmSelectedRows(l.d, {}).empty());
  // Each list saves its own selection; one whose first row is past its bank adds nothing.
  EXPECT_EQ(FmAllTypesSelectionFile(l.v, {200}, l.d, {1}, l.e, {0}), Dump(kFmDrumset, 1, 1));
  EXPECT_EQ(FmAllTypesSelectionFile(l.v, {7}, l.d, {0}, l.e, {}),
            Cat({Dump(kFmVoice, 0, 7), Dump(kFmDrumset, 1, 0)}));
}

TEST(FmFile, LoadSplitsByTypeInFileOrderDropsOtherTypesAndReplacesAll) {
  const Bytes v1 = Dump(kFmVoice, 0, 5), v2 = Dump(kFmVoice, 2, 0), v3 = Dump(kFmVoice, 0, 127);
  const Bytes d1 = Dump(kFmDrumset, 1, 2), d2 = Dump(kFmDrumset, 0, 0);
  const Bytes e1 = Dump(kFmEnsemble, 7, 31);
  Loaded l(Cat({v1, d1, Dump(0x20, 3, 3), v2, e1, d2, v3}));
  EXPECT_EQ(l.v.Count() * 100 + l.d.Count() * 10 + l.e.Count(), 321);
  EXPECT_EQ(l.All(), Cat({v1, v2, v3, d1, d2, e1}));
  LoadFmFile(e1, "", l.v, l.d, l.e);
  EXPECT_EQ(l.All(), e1);
  // A refused file leaves all three banks empty.
  EXPECT_THROW(LoadFmFile({}, "", l.v, l.d, l.e), ZpmError);
  EXPECT_EQ(l.e.Count(), 0);
}

TEST(FmFile, RefusalTexts) {
  const std::string notFm = "/songs/kits.syx is not a FM patch SysEx file.";
  Bytes sid = Dump(kFmVoice, 0, 0);
  sid[4] = 0x46;
  EXPECT_EQ(Loaded({}).error, "/songs/kits.syx is too short (0 bytes)");
  EXPECT_EQ(Loaded(sid).error, notFm);
  EXPECT_EQ(Loaded({0xF0, 0x00, 0x00, 0x7E, 0x49}).error, notFm);
  EXPECT_EQ(Loaded(Cat({{0x00}, Dump(kFmVoice, 0, 0)})).error, notFm);
}

TEST(FmFile, EveryTruncationKeepsWholeDumpsAndATailOfTenBytesOrMore) {
  const Bytes full = Cat({Dump(kFmVoice, 0, 0), Dump(kFmVoice, 1, 1), Dump(kFmVoice, 2, 2)});
  for (size_t n = 1; n <= full.size(); ++n) {
    const Loaded l(Bytes(full.begin(), full.begin() + n));
    ASSERT_EQ(l.error.empty(), n >= 10) << n;
    // A file below one dump's size holds no patch: nothing is taken from it.
    const size_t tail = n % 268;
    const size_t count = n < 268 ? 0 : n / 268 + (tail >= 10 ? 1 : 0);
    ASSERT_EQ(static_cast<size_t>(l.v.Count()), count) << n;
    Bytes expected(full.begin(), full.begin() + static_cast<long>(tail < 10 ? n - tail : n));
    if (tail >= 10) { // the cut tail is filled as in a new patch
      expected.insert(expected.end(), 267 - tail, 0);
      expected.push_back(0xF7);
    }
    ASSERT_EQ(l.All(), count ? expected : Bytes()) << n;
  }
}

TEST(FmFile, ReadingPassesOtherFmMessagesAndStopsAtForeignBytes) {
  const Bytes voice = Dump(kFmVoice, 0, 1), drum = Dump(kFmDrumset, 2, 3);
  const Bytes request = FmPatchRequest(0, 1, 2, kFmVoice);
  const Bytes unterminated = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01};
  Bytes sid = voice;
  sid[4] = 0x46;
  EXPECT_EQ(Loaded(Cat({request, voice, request, drum})).All(), Cat({voice, drum}));
  EXPECT_EQ(Loaded(Cat({voice, unterminated, drum})).All(), voice);
  EXPECT_EQ(Loaded(Cat({request, Bytes(voice.begin(), voice.begin() + 200)})).All(), Bytes());
  EXPECT_EQ(Loaded(Cat({voice, drum, {1, 2, 3, 4, 5}})).All(), Cat({voice, drum}));
  EXPECT_EQ(Loaded(Cat({voice, sid, drum})).All(), voice);
}

TEST(FmFile, GarbageNeverHangsNorLoadsAnythingButFmDumps) {
  std::mt19937 rng(7);
  const Bytes pieces[] = {Dump(kFmVoice, 0, 0),
                          Dump(kFmEnsemble, 1, 2),
                          {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x10},
                          {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x07, 0x70, 0x00, 0x00},
                          {0x42, 0xF7, 0xF0}};
  int loaded = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes data;
    for (int k = static_cast<int>(rng() % 7); k > 0; --k) {
      const Bytes &piece = pieces[rng() % 5];
      data.insert(data.end(), piece.begin(), piece.begin() + 1 + rng() % piece.size());
    }
    const Loaded l(data);
    for (const TFMPatchBank *bank : {&l.v, &l.d, &l.e})
      for (const TFMPatch &p : *bank)
        ASSERT_TRUE(std::equal(pieces[2].begin(), pieces[2].begin() + 5, p.Dump.begin()));
    for (const TFMPatch &p : l.e)
      ASSERT_EQ(p.PatchType(), kFmEnsemble);
    loaded += l.v.Count() + l.e.Count();
  }
  EXPECT_GT(loaded, 100);
}

} // namespace
} // namespace zpm
