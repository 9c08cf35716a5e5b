// SPDX-License-Identifier: GPL-3.0-or-later
// zpm diff and zpm random --send, run as the real program: files made by
// zpm random itself, banks fetched from the built-in simulator.
#include "patch/patch.h"
#include "sid/sid_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace zpm {
namespace {

struct Outcome {
  int code;
  QString out;
  QString err;
};

Outcome Zpm(const QStringList &args) {
  QProcess process;
  process.start(ZPM_BINARY, args);
  process.waitForFinished(30000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

const QStringList kSimulator = {"--simulator", "--in",          "0", "--out", "0", "--delay",
                                "5",           "--ack-timeout", "5"};

class ZpmDiff : public ::testing::Test {
protected:
  QTemporaryDir dir;
  QString Path(const QString &name) const { return dir.filePath(name); }
  // zpm random sid into a file of the folder; extra arguments go last.
  QString Random(const QString &name, const QString &first, const QString &count,
                 const QStringList &extra = {}) {
    const Outcome run = Zpm(QStringList{"random", "sid", "--seed", "11", "--bank", "B", "--first",
                                        first, "--count", count, "--output", Path(name)} +
                            extra);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    return Path(name);
  }
};

TEST_F(ZpmDiff, EqualFilesExit0AndChangesAreReportedBySlotAndRow) {
  const QString base = Random("base.syx", "1", "3");
  struct Case {
    QString other;
    int code;
    QStringList lines;
  };
  const Case cases[] = {
      {base, 0, {"3 slots compared: 0 differ, 0 only in A, 0 only in B."}},
      {Random("volume.syx", "1", "3", {"--set", "Volume=5:5"}),
       3,
       {"sid B:1 differs: \"Random Patch 1\" / \"Random Patch 1\"; Volume 127 -> 5",
        "sid B:2 differs: \"Random Patch 2\" / \"Random Patch 2\"; Volume 127 -> 5",
        "sid B:3 differs: \"Random Patch 3\" / \"Random Patch 3\"; Volume 127 -> 5",
        "3 slots compared: 3 differ, 0 only in A, 0 only in B."}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.other.toStdString());
    const Outcome run = Zpm({"diff", base, c.other});
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed().split('\n'), c.lines) << run.out.toStdString();
  }
  // B:2 of short.syx was drawn as the first patch of its run, so it differs.
  const QString shorter = Random("short.syx", "2", "1");
  const Outcome run = Zpm({"diff", base, shorter});
  EXPECT_EQ(run.code, 3);
  const QStringList lines = run.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
  EXPECT_EQ(lines[0], "sid B:1 only a: \"Random Patch 1\"");
  EXPECT_TRUE(lines[1].startsWith("sid B:2 differs: \"Random Patch 2\" / \"Random Patch 2\"; "));
  EXPECT_EQ(lines[2], "sid B:3 only a: \"Random Patch 3\"");
  EXPECT_EQ(lines[3], "3 slots compared: 1 differ, 2 only in A, 0 only in B.");
  const Outcome reversed = Zpm({"diff", shorter, base});
  EXPECT_TRUE(reversed.out.startsWith("sid B:1 only b: \"Random Patch 1\"\n"));
}

TEST_F(ZpmDiff, OneChangedByteNamesItsSlotAndParameterRowInJson) {
  const QString base = Random("base.syx", "5", "2");
  QFile file(base);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  file.close();
  // The second patch's CutOff (data byte 26), checksum kept right.
  const int dump = 9 + 266;
  bytes[dump + 8 + 26] = static_cast<char>((bytes[dump + 8 + 26] + 1) & 0x7F);
  int sum = 0;
  for (int i = 0; i < 256; ++i)
    sum += static_cast<uint8_t>(bytes[dump + 8 + i]);
  bytes[dump + 264] = static_cast<char>((128 - sum % 128) % 128);
  QFile changed(Path("changed.syx"));
  ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
  changed.write(bytes);
  changed.close();

  const Outcome run = Zpm({"diff", base, Path("changed.syx"), "--json"});
  EXPECT_EQ(run.code, 3) << run.err.toStdString();
  const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(json["a"].toString(), base);
  const QJsonArray entries = json["slots"].toArray();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[0].toObject()["state"].toString(), "same");
  const QJsonObject slot = entries[1].toObject();
  EXPECT_EQ(slot["slot"].toString(), "B:6");
  EXPECT_EQ(slot["type"].toString(), "sid");
  EXPECT_EQ(slot["state"].toString(), "differs");
  EXPECT_EQ(slot["name_a"].toString(), "Random Patch 6");
  const QJsonArray rows = slot["rows"].toArray();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].toArray()[0].toString(), "CutOff");
}

TEST_F(ZpmDiff, UnreadableSourcesExit1AndBadOnesExit2) {
  const QString base = Random("base.syx", "1", "1");
  struct Case {
    QStringList args;
    int code;
    const char *says;
  };
  const Case cases[] = {
      {{"diff", base, Path("missing.syx")}, 1, "missing.syx"},
      {{"diff", base}, 2, ""},
      {{"diff", base, "fm:piano:A"}, 2, "voice, drumset or ensemble"},
      {{"diff", base, "sid:Z"}, 2, "sid:Z"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Outcome run = Zpm(c.args);
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
}

// The built-in simulator starts with a fresh memory each run, so a bank it
// sends is compared with itself and with a file.
TEST_F(ZpmDiff, BanksFetchedFromTheSynthesizer) {
  const Outcome same = Zpm(QStringList{"diff", "sid:C", "sid:C"} + kSimulator);
  EXPECT_EQ(same.code, 0) << same.err.toStdString();
  EXPECT_EQ(same.out, "128 slots compared: 0 differ, 0 only in A, 0 only in B.\n");
  const Outcome voices =
      Zpm(QStringList{"diff", "fm:voice:B", "fm:voice:B", "--json"} + kSimulator);
  EXPECT_EQ(voices.code, 0) << voices.err.toStdString();
  EXPECT_EQ(QJsonDocument::fromJson(voices.out.toUtf8()).object()["slots"].toArray().size(), 128);
  const QString file = Random("one.syx", "1", "1");
  const Outcome mixed = Zpm(QStringList{"diff", file, "sid:B"} + kSimulator);
  EXPECT_EQ(mixed.code, 3);
  EXPECT_TRUE(mixed.out.startsWith("sid B:1 differs: \"Random Patch 1\" / "));
  EXPECT_TRUE(mixed.out.endsWith("128 slots compared: 1 differ, 0 only in A, 127 only in B.\n"));
}

TEST_F(ZpmDiff, RandomSendPrintsWhatItMade) {
  struct Case {
    QStringList args;
    int code;
    QString out;
  };
  const Case cases[] = {
      {{"random", "sid", "--seed", "3", "--bank", "D", "--first", "126", "--count", "4", "--send"},
       0,
       "3 patches, slots 126-128 of bank D; 1 past slot 128 not made\n"},
      {{"random", "fm", "--seed", "3", "--bank", "A", "--first", "7", "--count", "2", "--send"},
       0,
       "2 patches, slots 7-8 of bank A\n"},
      {{"random", "fm", "--seed", "3", "--bank", "A", "--first", "1", "--count", "1", "--send",
        "--output", "x.syx"},
       2,
       ""},
      {{"random", "sid", "--seed", "3", "--bank", "A", "--first", "1", "--count", "1"}, 2, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Outcome run = Zpm(c.args + kSimulator);
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    EXPECT_EQ(run.out, c.out);
  }
  const Outcome file = Zpm({"random", "sid", "--seed", "3", "--bank", "H", "--first", "128",
                            "--count", "2", "--output", Path("f.syx")});
  EXPECT_EQ(file.out, "1 patch, slot 128 of bank H; 1 past slot 128 not made\n");
}

// --verify, --backup and --json as the sends take them: every patch read
// back, the bank saved first, the JSON of a send with no file.
TEST_F(ZpmDiff, RandomSendVerifiesAndReportsAsASend) {
  struct Case {
    QStringList args;
    const char *type;
    bool backup;
  };
  const Case cases[] = {
      {{"random", "sid", "--seed", "3", "--bank", "C", "--first", "127", "--count", "3"},
       "sid",
       false},
      {{"random", "fm", "--seed", "3", "--bank", "E", "--first", "127", "--count", "3"},
       "voices",
       true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.type);
    const QString backup = Path(QString(c.type) + "-backup.syx");
    const QStringList backupArgs = c.backup ? QStringList{"--backup", backup} : QStringList{};
    const Outcome run =
        Zpm(c.args + QStringList{"--send", "--verify", "--json"} + backupArgs + kSimulator);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_TRUE(json["file"].isNull());
    EXPECT_EQ(json["backup"].toString(), c.backup ? backup : QString());
    EXPECT_EQ(QFile(backup).size(), c.backup ? 128 * 268 : 0);
    const QJsonArray written = json["slots"].toArray();
    ASSERT_EQ(written.size(), 2);
    for (int i = 0; i < 2; ++i) {
      const QJsonObject slot = written[i].toObject();
      EXPECT_EQ(slot["slot"].toString(), QString("%1:%2").arg(c.args[5]).arg(127 + i));
      EXPECT_EQ(slot["type"].toString(), c.type);
      EXPECT_EQ(slot["name"].toString(), QString("Random Patch %1  ").arg(127 + i).left(16));
      EXPECT_EQ(slot["result"].toString(), "verified");
      EXPECT_EQ(slot["tries"].toInt(), 1);
    }
  }
  // The options belong to the run into the synthesizer.
  const Outcome file = Zpm({"random", "sid", "--seed", "3", "--bank", "A", "--first", "1",
                            "--count", "1", "--output", Path("v.syx"), "--verify"});
  EXPECT_EQ(file.code, 2);
  EXPECT_EQ(file.err, "--verify goes with --send.\n");
  EXPECT_FALSE(QFile::exists(Path("v.syx")));
}

} // namespace
} // namespace zpm
