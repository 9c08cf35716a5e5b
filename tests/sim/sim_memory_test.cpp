// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_file.h"
#include "patch/error.h"
#include "sid/sid_file.h"
#include "sid/sid_messages.h"
#include "sim/sim_synth.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zpm {
namespace {

namespace fs = std::filesystem;

// A fresh directory for one test, removed afterwards.
struct TTempDir {
  TTempDir() {
    std::string pattern = (fs::temp_directory_path() / "zpm-sim-XXXXXX").string();
    if (mkdtemp(pattern.data()))
      path = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string File(const std::string &name) const { return (fs::path(path) / name).string(); }
  std::string path;
};

Bytes ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(SimMemory, SeededMemoryIsDeterministicSevenBitAndNamed) {
  TSimOptions options;
  options.seed = 77;
  TSimSynth a(options), b(options);
  options.seed = 78;
  TSimSynth other(options);

  const Bytes sid = a.SidPatchData(1, 41);
  EXPECT_EQ(std::string(sid.begin(), sid.begin() + 16), "SimSID B042     ");
  const Bytes drum = a.FmPatchData(kFmDrumset, 7, 15);
  EXPECT_EQ(std::string(drum.begin(), drum.begin() + 16), "SimFM D H016    ");
  for (uint8_t patch : {0, 1, 127}) {
    const Bytes data = a.SidPatchData(7, patch);
    EXPECT_EQ(data, b.SidPatchData(7, patch));
    EXPECT_NE(data, other.SidPatchData(7, patch));
    for (uint8_t byte : data)
      ASSERT_LT(byte, 0x80);
  }
  EXPECT_EQ(a.FmPatchData(kFmEnsemble, 4, 31), b.FmPatchData(kFmEnsemble, 4, 31));
  // Neighbouring slots hold different sounds beyond their names.
  const Bytes next = a.SidPatchData(1, 42);
  EXPECT_NE(Bytes(sid.begin() + 16, sid.end()), Bytes(next.begin() + 16, next.end()));
  EXPECT_THROW(a.FmPatchData(kFmDrumset, 0, 16), ZpmError);
  EXPECT_THROW(a.SetFmPatchData(kFmVoice, 0, 0, Bytes(256, 0x80)), ZpmError);
}

TEST(SimMemory, SavedFilesHoldThePresentBanksAndLoadBackIntoAnotherSynth) {
  TTempDir dir;
  ASSERT_FALSE(dir.path.empty());
  TSimOptions options;
  options.sidId = 6;
  options.fmId = 4;
  options.sidBanks = 0b0000'0101; // A and C
  options.fmVoiceBanks = 0b0000'0010;
  options.fmDrumBanks = 0;
  options.fmEnsembleBanks = 0b1000'0000;
  TSimSynth synth(options);
  synth.Receive(SidBankSelect(6, 2));
  synth.Receive(SidWrite(6, 127, RampData(1)));
  synth.Receive(FmWrite(4, kFmEnsemble, 7, 31, RampData(2)));
  synth.SaveMemory(dir.path);

  EXPECT_FALSE(fs::exists(dir.File("sid-bank-B.syx")));
  const Bytes bankC = ReadFile(dir.File("sid-bank-C.syx"));
  ASSERT_EQ(bankC.size(), 9 + 128 * kSidDumpSize);
  EXPECT_EQ(Bytes(bankC.begin(), bankC.begin() + 9), SidBankSelect(6, 2));
  EXPECT_EQ(Bytes(bankC.end() - kSidDumpSize, bankC.end()), SidWrite(6, 127, RampData(1)));
  TFMPatchBank voices, drums, ensembles;
  LoadFmFile(ReadFile(dir.File("fm.syx")), "fm.syx", voices, drums, ensembles);
  EXPECT_EQ(voices.Count() + drums.Count(), 128);
  ASSERT_EQ(ensembles.Count(), 32);
  const TFMPatch &ensemble = ensembles.GetPatch(31);
  EXPECT_EQ(Bytes(ensemble.Dump.begin(), ensemble.Dump.end()),
            FmWrite(4, kFmEnsemble, 7, 31, RampData(2)));

  // Another seed, then the saved files on top: the saved banks come back.
  TSimOptions reload;
  reload.seed = 999;
  reload.loadFiles = {dir.File("sid-bank-A.syx"), dir.File("sid-bank-C.syx"), dir.File("fm.syx")};
  TSimSynth copy(reload);
  for (uint8_t patch : {0, 64, 127}) {
    EXPECT_EQ(copy.SidPatchData(0, patch), synth.SidPatchData(0, patch));
    EXPECT_EQ(copy.SidPatchData(2, patch), synth.SidPatchData(2, patch));
    EXPECT_NE(copy.SidPatchData(1, patch), synth.SidPatchData(1, patch));
    EXPECT_EQ(copy.FmPatchData(kFmVoice, 1, patch), synth.FmPatchData(kFmVoice, 1, patch));
  }
  EXPECT_EQ(copy.FmPatchData(kFmEnsemble, 7, 31), RampData(2));
  EXPECT_NE(copy.FmPatchData(kFmDrumset, 0, 0), synth.FmPatchData(kFmDrumset, 0, 0));
}

TEST(SimMemory, LoadTakesWholeBankDumpsAndRefusesForeignFiles) {
  TTempDir dir;
  ASSERT_FALSE(dir.path.empty());
  TSimSynth source{TSimOptions()};
  source.Receive(SidBankSelect(0, 5));
  const Bytes dump = source.Receive(SidBankDumpRequest(0));
  std::ofstream(dir.File("bank.syx"), std::ios::binary) << std::string(dump.begin(), dump.end());
  std::ofstream(dir.File("text.syx")) << "hello world";

  TSimOptions options;
  options.seed = 3;
  TSimSynth synth(options);
  synth.LoadFile(dir.File("bank.syx"));
  EXPECT_EQ(synth.SidPatchData(0, 0), source.SidPatchData(5, 0));
  EXPECT_EQ(synth.SidPatchData(0, 127), source.SidPatchData(5, 127));
  try {
    synth.LoadFile(dir.File("text.syx"));
    ADD_FAILURE() << "a text file was loaded";
  } catch (const ZpmError &e) {
    EXPECT_EQ(std::string(e.what()), dir.File("text.syx") + " is not a SID patch SysEx file.");
  }
  options.loadFiles = {dir.File("missing.syx")};
  EXPECT_THROW(TSimSynth{options}, ZpmError);
}

} // namespace
} // namespace zpm
