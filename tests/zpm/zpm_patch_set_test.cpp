// SPDX-License-Identifier: GPL-3.0-or-later
// zpm patch set, run as the real program on files in a fresh folder: what it
// changes, what it refuses, and that it touches nothing else.
#include "edit/edit_fields.h"
#include "fm/fm_file.h"
#include "library/library.h"
#include "patch/checksum.h"
#include "sid/sid_messages.h"
#include "zpm/zpm_folder.h"
#include "zpm/zpm_run.h"

#include "support/named_patches.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <sys/stat.h>

namespace zpm {
namespace {

using test::RawRun;
using test::RunZpm;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TFMPatch Fm(uint8_t type, uint8_t seed, uint8_t number) {
  TFMPatch patch;
  patch.SetPatchType(type);
  patch.SetPatchNumber(number);
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((seed * 7 + i) % 64);
  patch.UpdateChecksum();
  return patch;
}

// Two FM voices and a drumset with a message between them that is not a
// dump, so that no row's dump starts where a count of dumps would put it.
Bytes FmFile() {
  TFMPatchBank voices, drums, none;
  voices.Add(Fm(kFmVoice, 1, 0));
  voices.Add(Fm(kFmVoice, 2, 1));
  drums.Add(Fm(kFmDrumset, 3, 0));
  const Bytes request = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF7};
  return Cat({FmAllTypesFile(voices, none, none), request, FmAllTypesFile(none, drums, none)});
}

// Patches of banks A and B with a patch request between them.
Bytes SidFile() {
  const Bytes request = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x01, 0x05, 0xF7};
  return Cat({test::SidFileOf({test::NamedSid("Bass", 1)}), request,
              test::SidFileOf({test::NamedSid("Lead", 2, 1, 3), test::NamedSid("Pad", 3, 1, 4)})});
}

template <typename Patch> Bytes ImageOf(const Patch &patch) {
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

class ZpmPatchSet : public test::ZpmFolderTest {
protected:
  static bool Exists(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
  }
};

// The file as it should come out: the original dump replaced by the image
// with the given bytes set and its checksum made right, nothing else moved.
Bytes Expected(const Bytes &file, const Bytes &original, PatchKind kind,
               const std::vector<std::pair<const char *, int>> &changes, const std::string &name) {
  Bytes image = original;
  const size_t data = kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
  for (const auto &[field, value] : changes)
    image[FindEditField(kind, field)->DumpByte] = static_cast<uint8_t>(value);
  for (size_t i = 0; i < kNameSize && !name.empty(); ++i)
    image[data + i] = static_cast<uint8_t>(i < name.size() ? name[i] : ' ');
  image[data + kDataSize] = DataChecksum(image.data() + data);
  Bytes expected = file;
  const auto at = std::search(expected.begin(), expected.end(), original.begin(), original.end());
  EXPECT_NE(at, expected.end());
  std::copy(image.begin(), image.end(), at);
  return expected;
}

TEST_F(ZpmPatchSet, ChangesOnlyTheNamedParametersOfTheRow) {
  Write("sid.syx", SidFile());
  Write("fm.syx", FmFile());
  const Bytes lead = ImageOf(test::NamedSid("Lead", 2, 1, 3));
  // The same with a checksum that does not match its data.
  Bytes badSum = lead;
  ++badSum[kSidDataOffset + kDataSize];
  Bytes badFile = SidFile();
  std::copy(badSum.begin(), badSum.end(),
            std::search(badFile.begin(), badFile.end(), lead.begin(), lead.end()));
  Write("badsum.syx", badFile);
  const int cutoff = lead[FindEditField(PatchKind::Sid, "CutOff")->DumpByte];
  struct Case {
    const char *file;
    std::vector<std::string> args;
    Bytes original;
    PatchKind kind;
    std::vector<std::pair<const char *, int>> changes;
    std::string name = {};
    const char *output = "out.syx";
  };
  const Case cases[] = {
      // Two at once, in any case, underscores for spaces.
      {"sid.syx",
       {"1", "CUTOFF=64", "voice1_attack=10"},
       lead,
       PatchKind::Sid,
       {{"CutOff", 64}, {"Voice1 Attack", 10}}},
      // A choice by the text the editor shows, and an on/off.
      {"sid.syx",
       {"1", "Voice2 Waveform=Wave 3, Mode 1", "poly=on"},
       lead,
       PatchKind::Sid,
       {{"Voice2 Waveform", 35}, {"Poly", 1}}},
      {"sid.syx", {"1", "--name", "Fat Lead"}, lead, PatchKind::Sid, {}, "Fat Lead"},
      {"sid.syx", {"1", "patch name=Solo"}, lead, PatchKind::Sid, {}, "Solo"},
      // A value already there still leaves the checksum right.
      {"badsum.syx",
       {"1", "cutoff=" + std::to_string(cutoff)},
       badSum,
       PatchKind::Sid,
       {{"CutOff", cutoff}}},
      {"fm.syx",
       {"1", "op2_volume=63"},
       ImageOf(Fm(kFmVoice, 2, 1)),
       PatchKind::FmVoice,
       {{"OP2 Volume", 63}}},
      // Row 2 is the drumset after the two voices; the label holds a '='.
      {"fm.syx",
       {"2", "BD FM/AM (0=FM, 1=AM)=am", "sd attack rate=15"},
       ImageOf(Fm(kFmDrumset, 3, 0)),
       PatchKind::FmDrumset,
       {{"BD FM/AM (0=FM, 1=AM)", 1}, {"SD Attack Rate", 15}}},
      // Written over its input, as sed -i does.
      {"sid.syx", {"1", "cutoff=9"}, lead, PatchKind::Sid, {{"CutOff", 9}}, "", "sid.syx"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[1]);
    const Bytes before = Read(c.file);
    std::vector<std::string> args{"patch",        "set",          Path(c.file), "--output",
                                  Path(c.output), "--no-library", "--row"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RawRun run = RunZpm(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Read(c.output), Expected(before, c.original, c.kind, c.changes, c.name));
  }
}

// Whatever is refused leaves the output as it was: absent, or the library.
TEST_F(ZpmPatchSet, RefusesBeforeWritingAnything) {
  Write("sid.syx", SidFile());
  Write("fm.syx", FmFile());
  Bytes high = SidFile();
  high[kSidBankSelectSize + kSidDataOffset + 40] = 0x80;
  Write("high.syx", high);
  Bytes cut = SidFile();
  cut.resize(cut.size() - 10);
  Write("cut.syx", cut);
  Write("bank.syx", Cat({{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}, Bytes(256 * 2, 1)}));
  ASSERT_EQ(RunZpm({"library", "stats", "--library", Path("lib.sqlite")}).code, 0);
  struct Case {
    const char *file;
    std::vector<std::string> args;
    int code;
    const char *err; // part of the message
    const char *output = "out.syx";
  };
  const Case cases[] = {
      {"sid.syx", {"0", "nosuch=1"}, 2, "a SID patch has no parameter \"nosuch\""},
      {"sid.syx", {"0", "cutoff=128"}, 2, "\"CutOff\" takes 0..127, not \"128\""},
      {"sid.syx", {"0", "--name", "Seventeen chars!!"}, 2, "at most 16 characters"},
      {"sid.syx", {"0", "cutoff"}, 2, "is not NAME=VALUE"},
      {"sid.syx", {"0"}, 2, "Nothing to change"},
      // A good setting does not carry a bad one.
      {"sid.syx", {"0", "cutoff=1", "resonance=200"}, 2, "takes 0..127, not \"200\""},
      {"sid.syx", {"3", "cutoff=1"}, 1, "--row 3 is outside 0..2"},
      {"high.syx", {"0", "cutoff=1"}, 1, "Data byte 40"},
      {"cut.syx", {"2", "cutoff=1"}, 1, "is cut short by the end of the file"},
      {"bank.syx", {"0", "cutoff=1"}, 1, "whole-bank dump"},
      {"sid.syx",
       {"0", "cutoff=1", "--library", Path("lib.sqlite")},
       1,
       "is the patch library",
       "lib.sqlite"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.err);
    const bool existed = Exists(Path(c.output));
    const Bytes before = existed ? Read(c.output) : Bytes();
    std::vector<std::string> args{"patch",    "set",          Path(c.file),
                                  "--output", Path(c.output), "--row"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RawRun run = RunZpm(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(Exists(Path(c.output)), existed);
    EXPECT_EQ(existed ? Read(c.output) : Bytes(), before);
  }
}

TPatchBytes Kept(const std::string &name, uint8_t seed) {
  const TPatch patch = test::NamedSid(name, seed);
  TPatchBytes bytes;
  EXPECT_TRUE(PatchBytesOf(patch.Dump.data(), patch.Dump.size(), bytes));
  return bytes;
}

// A patch's parents or children as "ID NAME HOW AMOUNT SEED", '-' for null.
std::string Listed(const QJsonArray &patches) {
  std::string text;
  for (const QJsonValue &patch : patches)
    for (const char *key : {"id", "name", "how", "amount", "seed"})
      text += (patch[key].isNull()     ? std::string("-")
               : patch[key].isString() ? patch[key].toString().toStdString()
                                       : std::to_string(patch[key].toInteger())) +
              (std::string(key) == "seed" ? "; " : " ");
  return text;
}

// The new patch is kept as made from the original, and library show names
// each from the other, with how it was made: edited here, varied or crossed
// as Explore keeps them.
TEST_F(ZpmPatchSet, KeepsTheNewPatchWithItsParent) {
  Write("sid.syx", SidFile());
  const std::string library = Path("lib.sqlite");
  const RawRun set = RunZpm({"patch", "set", Path("sid.syx"), "--row", "1", "--name", "Fat Lead",
                             "--output", Path("out.syx"), "--library", library});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_NE(set.out.find("Kept in the library as patch 1, made from patch 2."), std::string::npos)
      << set.out;
  {
    TLibrary kept(library);
    TPatchBytes fatLead = Kept("Lead", 2);
    std::copy_n("Fat Lead", 8, fatLead.data.begin());
    ASSERT_EQ(kept.RecordMade(Kept("Vary", 9), {fatLead}, {TMadeBy::Vary, 30, true, 42}), 3);
    ASSERT_EQ(kept.RecordMade(Kept("Cross", 10), {fatLead, Kept("Bass", 1)},
                              {TMadeBy::Cross, -1, true, 7}),
              4);
  }
  struct Case {
    const char *id, *parents, *children;
    std::vector<const char *> texts; // what the text output says of them
  };
  const Case cases[] = {
      {"2", "", "1 Fat Lead edit - -; ", {"Made into:\n  1 \"Fat Lead\"  edit, 20"}},
      {"1",
       "2 Lead edit - -; ",
       "3 Vary vary 30 42; 4 Cross cross - 7; ",
       {"Seen: not in a file or on the synthesizer yet.\n", "Made from:\n  2 \"Lead\"  edit, 20",
        "Made into:\n  3 \"Vary\"  vary 30%, seed 42, 20", "\n  4 \"Cross\"  cross, seed 7, 20"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.id);
    const RawRun text = RunZpm({"library", "show", c.id, "--library", library});
    for (const char *said : c.texts)
      EXPECT_NE(text.out.find(said), std::string::npos) << said << "\n" << text.out;
    const RawRun json = RunZpm({"library", "show", c.id, "--json", "--library", library});
    const QJsonObject show = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(Listed(show["parents"].toArray()), c.parents) << json.out;
    EXPECT_EQ(Listed(show["children"].toArray()), c.children) << json.out;
  }
}

// What is kept goes to the library named, whatever bytes its name holds, or
// with --no-library nowhere; a library that cannot be written costs a
// warning, never the file.
TEST_F(ZpmPatchSet, KeepsInTheLibraryNamedOrNone) {
  Write("sid.syx", SidFile());
  Write("junk.sqlite", Bytes(100, 'x'));
  const std::string named = Path("lib-\xff.sqlite"), fallback = Path("default.sqlite"),
                    fetched = Path("fetch-\xfe.sqlite");
  const auto set = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {"patch", "set",      Path("sid.syx"), "--row",
                                     "0",     "cutoff=3", "--output",      Path("out.syx")};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  };
  struct Case {
    std::vector<std::string> args;
    bool warns;
    std::string library; // the file that holds the new patch, or empty
  };
  const Case cases[] = {
      {set({"--no-library"}), false, ""},
      {set({"--library", named}), false, named},
      {set({}), false, fallback},
      {set({"--library", Path("junk.sqlite")}), true, ""},
      // A device command keeps its fetch by the same name.
      {{"sid", "fetch", "--patch", "A:1", "--output", Path("fetched.syx"), "--simulator", "--in",
        "0", "--out", "0", "--library", fetched},
       false,
       fetched},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.back());
    for (const std::string &file : {named, fallback, fetched, Path("out.syx")})
      std::remove(file.c_str());
    test::RunSetup setup;
    setup.env = {{"ZPM_LIBRARY", fallback}};
    const RawRun run = RunZpm(c.args, setup);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err.find("was not kept in the library: ") != std::string::npos, c.warns)
        << run.err;
    EXPECT_EQ(Exists(Path("out.syx")), c.args[0] == "patch");
    for (const std::string &file : {named, fallback, fetched})
      EXPECT_EQ(Exists(file), file == c.library) << file;
  }
}

} // namespace
} // namespace zpm
