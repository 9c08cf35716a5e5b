// SPDX-License-Identifier: GPL-3.0-or-later
// zpm's texts: numbers checked before they are narrowed, no control
// character ever sent to the terminal, and what a load found (a patch cut
// short, wrong checksums) said in zpm info.
#include "patch/checksum.h"
#include "sid/sid_file.h"
#include "zpm/zpm_folder.h"
#include "zpm/zpm_run.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace zpm {
namespace {

using test::HasControlBytes;
using test::RunZpm;

using ZpmText = test::ZpmFolderTest;

TEST_F(ZpmText, NumbersOutsideTheirRangeHoweverLargeAreBadUsage) {
  Write("keep.syx", {0xF0, 0xF7});
  const std::vector<std::string> random = {"random", "sid",      "--bank",
                                           "A",      "--output", Path("keep.syx")};
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message; // the start of standard error
  };
  const auto withRandom = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = random;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  const std::vector<Case> cases = {
      {withRandom({"--seed", "1", "--first", "1", "--count", "4294967297"}), 2,
       "--count must be between 1 and 128, not 4294967297."},
      {withRandom({"--seed", "1", "--first", "1", "--count", "99999999999999999999999"}), 2,
       "--count must be between 1 and 128, not 99999999999999999999999."},
      {withRandom({"--seed", "1", "--first", "4294967296", "--count", "1"}), 2, "--first must"},
      {withRandom({"--seed", "1", "--first", "1", "--count", "-1"}), 2, "--count must"},
      {withRandom({"--seed", "1", "--first", "1", "--count", "+1"}), 2, "--count needs a whole"},
      {withRandom({"--seed", "1", "--first", "1", "--count", "1e3"}), 2, "--count needs a whole"},
      {withRandom({"--seed", "1", "--first", "1", "--count", " 1"}), 2, "--count needs a whole"},
      {withRandom({"--seed", "4294967297", "--first", "1", "--count", "1"}), 2, "--seed must"},
      {withRandom({"--seed", "1", "--first", "1", "--count", "1", "--device-id", "4294967296"}), 2,
       "--device-id must be between 0 and 127"},
      {withRandom({"--seed", "1", "--first", "1", "--count", "1", "--set",
                   "Volume=1:99999999999999999999"}),
       2, "--set must"},
      {{"sid", "fetch", "--simulator", "--bank", "A", "--output", Path("f.syx"), "--wait",
        "4294967297"},
       2,
       "--wait must be between 0 and 86400000"},
      {{"sid", "fetch", "--simulator", "--patch", "A:4294967297", "--output", Path("f.syx")},
       2,
       "--patch must"},
      {{"show", Path("keep.syx"), "--index", "18446744073709551617"}, 2, "--index must"},
      // Qt's own texts bring their full stop; none is added to it.
      {{"info", "--bogus", Path("keep.syx")}, 2, "Unknown option 'bogus'.\n"},
      {{"info", Path("keep.syx"), "--kind"}, 2, "Missing value after '--kind'.\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.back());
    const test::RawRun run = RunZpm(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_EQ(run.err.find(".."), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::SlurpFile(Path("keep.syx")), std::string("\xF0\xF7"));
  EXPECT_EQ(test::SlurpFile(Path("f.syx")), "");
}

TEST_F(ZpmText, ShowStatesTheRealRangeOfIndexes) {
  TPatchBank bank;
  for (int i = 0; i < 128; ++i)
    bank.Add(TPatch());
  Write("bank.syx", SidFileBytes(bank));
  const test::RawRun run = RunZpm({"show", Path("bank.syx"), "--index", "128"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "--index 128 is outside 0..127: the sid list of " + Path("bank.syx") +
                         " holds 128 patches.\n");
  EXPECT_EQ(RunZpm({"show", Path("bank.syx"), "--index", "127"}).code, 0);
}

TEST_F(ZpmText, NoControlCharacterReachesTheTerminal) {
  TPatch crafted;
  // Clears the screen, a C1 CSI (9Bh) that some terminals obey, DEL, and sets the title.
  const std::string name = "\x1b[2J\x9b"
                           "31m\x7f\x1b]0;t\x07";
  std::copy(name.begin(), name.end(), crafted.Data());
  crafted.UpdateChecksum();
  TPatchBank bank;
  bank.Add(crafted);
  Write("crafted.syx", SidFileBytes(bank));
  // A line feed and a carriage return in a name would split its line.
  const std::string lines = "line\nfeed\rreturn";
  std::copy(lines.begin(), lines.end(), crafted.Data());
  crafted.UpdateChecksum();
  TPatchBank linesBank;
  linesBank.Add(crafted);
  Write("lines.syx", SidFileBytes(linesBank));
  Write("esc\x1b[2J.syx", {0x00});
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string name; // a name in the output, which must appear only so
  };
  const std::vector<Case> cases = {
      {{"info", Path("crafted.syx")}, 0, ""},
      {{"show", Path("crafted.syx")}, 0, ""},
      {{"show", Path("lines.syx")}, 0, "line?feed?return"},
      {{"diff", Path("crafted.syx"), Path("lines.syx")}, 3, "line?feed?return"},
      {{"info", Path("esc\x1b[2J.syx")}, 1, ""}, // the refusal names the file
      {{"random", "sid", "--seed", "1", "--bank", "A", "--first", "1", "--count", "1", "--output",
        Path("no/\x1b[2J/x.syx")},
       1,
       ""},
  };
  const auto count = [](const std::string &text, const std::string &part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
      ++found;
    return found;
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const test::RawRun run = RunZpm(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_FALSE(HasControlBytes(run.out)) << run.out;
    EXPECT_FALSE(HasControlBytes(run.err)) << run.err;
    EXPECT_FALSE(run.out.empty() && run.err.empty());
    if (!c.name.empty()) {
      EXPECT_GT(count(run.out, c.name), 0u) << run.out;
      EXPECT_EQ(count(run.out, "feed"), count(run.out, c.name)) << run.out;
    }
  }
  EXPECT_NE(RunZpm({"info", Path("crafted.syx")}).out.find(" [2J?31m? ]0;t  "), std::string::npos);
  // JSON escapes them as JSON does, so the name survives parsing.
  const test::RawRun json = RunZpm({"info", Path("crafted.syx"), "--json"});
  EXPECT_FALSE(HasControlBytes(json.out));
  const QJsonObject patch = QJsonDocument::fromJson(QByteArray::fromStdString(json.out))
                                .object()["patches"]
                                .toArray()[0]
                                .toObject();
  EXPECT_EQ(patch["name"].toString(), QString::fromUtf8(" [2J\u009b31m\u007f ]0;t  "));
}

TEST_F(ZpmText, InfoSaysWhichPatchWasCutShortAndWhichChecksumsAreWrong) {
  TPatchBank bank;
  for (int i = 0; i < 3; ++i) {
    TPatch patch;
    patch.Data()[0] = static_cast<uint8_t>(i + 1);
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  Bytes bytes = SidFileBytes(bank);
  bytes[9 + 266 + 264] ^= 1;        // index 1: wrong checksum
  bytes.resize(bytes.size() - 100); // index 2: 166 of its 266 bytes
  Write("cut.syx", bytes);

  const test::RawRun text = RunZpm({"info", Path("cut.syx")});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("The file ends inside the dump of sid index 2: it holds 166 of its 266 "
                          "bytes; the missing 100 are blank."),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("Checksum wrong (the checksum byte does not match the data): sid index "
                          "1, sid index 2."),
            std::string::npos)
      << text.out;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n') > 0, true);

  const QJsonObject json =
      QJsonDocument::fromJson(
          QByteArray::fromStdString(RunZpm({"info", Path("cut.syx"), "--json"}).out))
          .object();
  const QJsonObject cut = json["cut_short"].toObject();
  EXPECT_EQ(cut["list"].toString(), "sid");
  EXPECT_EQ(cut["index"].toInt(), 2);
  EXPECT_EQ(cut["bytes"].toInt(), 166);
  EXPECT_EQ(cut["missing"].toInt(), 100);
  const QJsonArray patches = json["patches"].toArray();
  ASSERT_EQ(patches.size(), 3);
  EXPECT_TRUE(patches[0].toObject()["checksum_ok"].toBool());
  EXPECT_FALSE(patches[1].toObject()["checksum_ok"].toBool());

  // A whole file has nothing to tell.
  Write("whole.syx", SidFileBytes(bank));
  const test::RawRun whole = RunZpm({"info", Path("whole.syx"), "--json"});
  EXPECT_NE(whole.out.find("\"cut_short\": null"), std::string::npos);
  EXPECT_EQ(RunZpm({"info", Path("whole.syx")}).out.find("Checksum wrong"), std::string::npos);
}

} // namespace
} // namespace zpm
