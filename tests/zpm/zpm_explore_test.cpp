// SPDX-License-Identifier: GPL-3.0-or-later
// zpm explore, run as the real program on files zpm random writes and on
// FM drumsets made here: what it writes and prints, what it refuses, what it
// keeps in the library, and its run into the built-in simulator.
#include "fm/fm_file.h"
#include "library/library.h"
#include "patch/patch.h"
#include "random/fm_random.h"
#include "zpm/zpm_folder.h"
#include "zpm/zpm_run.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fstream>

namespace zpm {
namespace {

using test::RawRun;
using test::RunZpm;
using test::SlurpFile;

const std::vector<std::string> kSimulator = {
    "--simulator", "--in", "0", "--out", "0", "--delay", "5", "--ack-timeout", "5"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ZpmExplore : public test::ZpmFolderTest {
protected:
  std::string Library() const { return Path("lib.sqlite"); }

  void SetUp() override {
    // Three SID patches; FM: three random voices, the first two of one
    // algorithm, and two drumsets.
    ASSERT_EQ(RunZpm({"random", "sid", "--seed", "4", "--bank", "A", "--first", "1", "--count", "3",
                      "--output", Path("sid.syx")})
                  .code,
              0);
    RandomRun run;
    run.Seed = 4;
    run.Count = 3;
    Bytes fm = CreateFmRandomFile(run, MakeFmRandomGrid());
    for (int i = 0; i < 2; ++i) {
      TFMPatch drumset;
      drumset.SetPatchType(kFmDrumset);
      drumset.SetPatchNumber(static_cast<uint8_t>(i));
      for (size_t d = 0; d < 64; ++d)
        drumset.Data()[d] = static_cast<uint8_t>((d * 5 + static_cast<size_t>(i) * 3) % 16);
      drumset.UpdateChecksum();
      fm.insert(fm.end(), drumset.Dump.begin(), drumset.Dump.end());
    }
    Write("fm.syx", fm);
  }

  // zpm explore ... with the test's own library.
  RawRun Explore(const std::vector<std::string> &args) const {
    return RunZpm(std::vector<std::string>{"explore"} + args +
                  std::vector<std::string>{"--library", Library()});
  }
  std::string Out(const std::string &name) const { return SlurpFile(Path(name)); }
};

TEST_F(ZpmExplore, WritesAsZpmRandomWritesAndTheSameSeedGivesTheSameBytes) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    size_t bytes;     // of the file written
    std::string name; // of its last patch, as zpm info lists it
  };
  const std::string sid = Path("sid.syx"), fm = Path("fm.syx");
  const Case cases[] = {
      {{"vary", sid, "--row", "1", "--count", "3", "--amount", "30", "--seed", "9", "--bank", "c",
        "--first", "127"},
       "2 patches, slots 127-128 of bank C; 1 past slot 128 not made\n",
       9 + 2 * 266,
       "C    128  Random Patch 2 2"},
      {{"cross", sid, "--rows", "0-2", "--count", "4", "--seed", "9", "--name", "Mix"},
       "4 patches, slots 1-4 of bank A\n",
       9 + 4 * 266,
       "A      4  Mix 4"},
      {{"vary", fm, "--row", "2", "--count", "2", "--amount", "100", "--seed", "-3", "--bank", "H",
        "--device-id", "5"},
       "2 patches, slots 1-2 of bank H\n",
       2 * 268,
       "H      2  Random Patch 3 2"},
      {{"cross", fm, "--rows", "3,4", "--count", "20", "--seed", "1", "--first", "10"},
       "7 patches, slots 10-16 of bank A; 13 past slot 16 not made\n",
       7 * 268,
       "A     16"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2]);
    const RawRun run = Explore(c.args + std::vector<std::string>{"--output", Path("out.syx")});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
    const std::string first = Out("out.syx");
    EXPECT_EQ(first.size(), c.bytes);
    const RawRun info = RunZpm({"info", Path("out.syx")});
    EXPECT_NE(info.out.find(c.name), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("WRONG"), std::string::npos) << info.out;
    ASSERT_EQ(Explore(c.args + std::vector<std::string>{"--output", Path("again.syx")}).code, 0);
    EXPECT_EQ(Out("again.syx"), first);
    std::vector<std::string> other = c.args;
    other[std::find(other.begin(), other.end(), "--seed") - other.begin() + 1] = "12345";
    ASSERT_EQ(Explore(other + std::vector<std::string>{"--output", Path("other.syx")}).code, 0);
    EXPECT_NE(Out("other.syx"), first);
  }
  // --amount 0: copies of the parent, its name included.
  ASSERT_EQ(Explore({"vary", sid, "--row", "0", "--count", "2", "--amount", "0", "--seed", "1",
                     "--output", Path("copies.syx")})
                .code,
            0);
  const std::string parent = Out("sid.syx").substr(9 + 8, 256);
  const std::string copies = Out("copies.syx");
  EXPECT_EQ(copies.substr(9 + 8, 256), parent);
  EXPECT_EQ(copies.substr(9 + 266 + 8, 256), parent);
}

TEST_F(ZpmExplore, RefusesBadUsageWithExit2AndCutPatchesWithExit1) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string sid = Path("sid.syx"), fm = Path("fm.syx");
  const std::vector<std::string> vary = {"vary", fm,       "--row", "3",        "--count",
                                         "2",    "--seed", "1",     "--output", Path("x.syx")};
  const std::vector<std::string> cross = {"cross",  fm,  "--count",  "2",
                                          "--seed", "1", "--output", Path("x.syx")};
  const Case cases[] = {
      {cross + std::vector<std::string>{"--rows", "0,3"},
       "Only patches of one kind can be crossed: row 0 is an FM voice and row 3 an FM "
       "drumset.\n"},
      {cross + std::vector<std::string>{"--rows", "0,2"},
       "The voices use different algorithms (row 0 algorithm 1, row 2 algorithm 2), so they "
       "are crossed only when that is asked for. Give --mix-algorithms to cross them anyway.\n"},
      {cross + std::vector<std::string>{"--rows", "0"},
       "A crossing takes 2 to 4 patches; --rows names 1.\n"},
      {cross + std::vector<std::string>{"--rows", "0-4"},
       "A crossing takes 2 to 4 patches; --rows names 5.\n"},
      {vary + std::vector<std::string>{"--amount", "5", "--lock", "cutoff"},
       "There is no parameter \"cutoff\" in an FM drumset to lock; the names are those of the "
       "patch viewer's list.\n"},
      {vary + std::vector<std::string>{"--amount", "5", "--first", "17"},
       "--first 17: a bank of FM drumsets has slots 1 to 16 only.\n"},
      {vary + std::vector<std::string>{"--amount", "5", "--set", "Volume=1:2"},
       "--set changes the range grid, which only SID patches and FM voices have; an FM drumset "
       "has none.\n"},
      {{"vary", sid, "--row", "3", "--count", "2", "--seed", "1", "--amount", "5", "--output",
        Path("x.syx")},
       "--row 3: the file has rows 0 to 2 only.\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.err);
    const RawRun run = Explore(c.args);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("x.syx"))));
  }
  // A comma inside a parameter's name does not split it.
  EXPECT_EQ(Explore(vary + std::vector<std::string>{"--amount", "5", "--lock",
                                                    "BD FM/AM (0=FM, 1=AM),tom_frequency"})
                .code,
            0);
  // Voices of different algorithms cross when asked.
  EXPECT_EQ(Explore(cross + std::vector<std::string>{"--rows", "0,2", "--mix-algorithms"}).code, 0);
  // A patch the end of its file cut short is not one to explore.
  const std::string whole = Out("sid.syx");
  std::ofstream(Path("cut.syx"), std::ios::binary).write(whole.data(), whole.size() - 10);
  const RawRun cut = Explore({"vary", Path("cut.syx"), "--row", "2", "--count", "1", "--seed", "1",
                              "--amount", "5", "--output", Path("y.syx")});
  EXPECT_EQ(cut.code, 1);
  EXPECT_EQ(cut.err, "Row 2 of " + Path("cut.syx") +
                         " is cut short by the end of the file, so it cannot be explored; only "
                         "the rows before it can.\n");
}

TEST_F(ZpmExplore, KeepsEachNewPatchWithItsParentsUnlessAskedNot) {
  ASSERT_EQ(Explore({"cross", Path("sid.syx"), "--rows", "0,2", "--count", "3", "--seed", "7",
                     "--output", Path("c.syx")})
                .code,
            0);
  ASSERT_EQ(Explore({"vary", Path("sid.syx"), "--row", "1", "--count", "2", "--amount", "40",
                     "--seed", "8", "--output", Path("v.syx")})
                .code,
            0);
  ASSERT_EQ(Explore({"vary", Path("sid.syx"), "--row", "1", "--count", "2", "--amount", "50",
                     "--seed", "9", "--output", Path("none.syx"), "--no-library"})
                .code,
            0);
  TLibrary library(Library());
  TSearch search;
  search.text = "Random Patch";
  std::map<std::string, std::vector<TLineageRow>> parents;
  for (const TPatchRow &row : library.Search(search))
    parents[row.name.value_or("")] = library.Parents(row.id);
  // The three parents and the five new patches, none from the run without the library.
  ASSERT_EQ(parents.size(), 8u);
  for (const char *name : {"Random Patch 1 1", "Random Patch 1 3"}) {
    const std::vector<TLineageRow> &from = parents[name];
    ASSERT_EQ(from.size(), 2u) << name;
    EXPECT_EQ(from[0].making.how, TMadeBy::Cross);
    EXPECT_EQ(from[0].making.seed, 7);
  }
  const std::vector<TLineageRow> &varied = parents["Random Patch 2 2"];
  ASSERT_EQ(varied.size(), 1u);
  EXPECT_EQ(varied[0].making.how, TMadeBy::Vary);
  EXPECT_EQ(varied[0].making.amount, 40);
  EXPECT_EQ(varied[0].making.seed, 8);
  EXPECT_TRUE(parents["Random Patch 2"].empty());
}

// The run into the synthesizer sends, reads back and reports as zpm random
// --send does, FM drumsets each into its drumset slot.
TEST_F(ZpmExplore, SendsTheNewPatchesAsARandomRunDoes) {
  struct Case {
    std::vector<std::string> args;
    const char *type;
    const char *firstSlot;
  };
  const Case cases[] = {
      {{"vary", Path("sid.syx"), "--row", "2", "--amount", "20", "--bank", "D", "--first", "127"},
       "sid",
       "D:127"},
      {{"cross", Path("fm.syx"), "--rows", "3-4", "--bank", "B", "--first", "15"},
       "drumsets",
       "B:15"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.type);
    const RawRun run = Explore(
        c.args +
        std::vector<std::string>{"--count", "3", "--seed", "2", "--send", "--verify", "--json"} +
        kSimulator);
    EXPECT_EQ(run.code, 0) << run.err;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const QJsonArray written = json["slots"].toArray();
    ASSERT_EQ(written.size(), 2) << run.out;
    EXPECT_EQ(written[0].toObject()["slot"].toString().toStdString(), c.firstSlot);
    for (const QJsonValue &slot : written) {
      EXPECT_EQ(slot.toObject()["type"].toString().toStdString(), c.type);
      EXPECT_EQ(slot.toObject()["result"].toString(), "verified");
    }
    EXPECT_NE(run.err.find("1 past slot"), std::string::npos) << run.err;
  }
}

} // namespace
} // namespace zpm
