// SPDX-License-Identifier: GPL-3.0-or-later
// zpm's contract, checked by running the real program on real files.
#include "fm/fm_file.h"
#include "patch/patch.h"
#include "random/fm_random.h"
#include "random/sid_random.h"
#include "sid/sid_file.h"

#include <gtest/gtest.h>

#include <QDir>
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
  QByteArray out;
  QString err;
};

Outcome Zpm(const QStringList &args, const QString &workDir = QString()) {
  QProcess process;
  if (!workDir.isEmpty())
    process.setWorkingDirectory(workDir);
  process.start(ZPM_BINARY, args);
  process.waitForFinished(30000);
  return {process.exitCode(), process.readAllStandardOutput(),
          QString::fromUtf8(process.readAllStandardError())};
}

QJsonObject Json(const Outcome &run) {
  return QJsonDocument::fromJson(run.out).object();
}

void WriteFile(const QString &path, const Bytes &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
}

Bytes ReadFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray data = file.readAll();
  return Bytes(data.begin(), data.end());
}

class ZpmTest : public ::testing::Test {
protected:
  QTemporaryDir dir;
  QString Path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(ZpmTest, VersionAndUsage) {
  const Outcome version = Zpm({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "zpm 0.8\n");
  EXPECT_EQ(Zpm({}).code, 2);
  EXPECT_EQ(Zpm({"frobnicate"}).code, 2);
  EXPECT_EQ(Zpm({"info"}).code, 2);
  EXPECT_EQ(Zpm({"info", "--help"}).code, 0);
}

TEST_F(ZpmTest, InfoListsSidPatchesAsTheListsShowThem) {
  TPatchBank bank;
  TPatch named;
  const char name[] = "Bass\x01\xE9";
  std::copy(name, name + 6, named.Data());
  named.Data()[6] = 0x7F;
  named.SetPatchNumber(127);
  named.SetDeviceNumber(9);
  named.Bank = 3;
  named.UpdateChecksum();
  bank.Add(named);
  TPatch wrongSum;
  wrongSum.Data()[20] = 5;
  bank.Add(wrongSum);
  WriteFile(Path("two.syx"), SidFileBytes(bank));

  const Outcome run = Zpm({"info", "two.syx", "--json"}, dir.path());
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject json = Json(run);
  EXPECT_EQ(json["file"].toString(), Path("two.syx"));
  EXPECT_EQ(json["kind"].toString(), "sid");
  const QJsonArray patches = json["patches"].toArray();
  ASSERT_EQ(patches.size(), 2);
  const QJsonObject first = patches[0].toObject();
  EXPECT_EQ(first["list"].toString(), "sid");
  EXPECT_EQ(first["index"].toInt(), 0);
  EXPECT_EQ(first["bank"].toString(), "D");
  EXPECT_EQ(first["number"].toInt(), 128);
  // Control bytes become blanks, Latin-1 bytes their characters, nothing is trimmed.
  EXPECT_EQ(first["name"].toString(), QString::fromUtf8("Bass \u00e9\x7f         "));
  EXPECT_EQ(first["device"].toInt(), 9);
  EXPECT_TRUE(first["checksum_ok"].toBool());
  const QString hex = first["sysex"].toString();
  EXPECT_TRUE(hex.startsWith("f0 00 00 7e 46 09 02 7f 42 61"));
  EXPECT_TRUE(hex.endsWith(" f7"));
  EXPECT_EQ(hex.size(), 266 * 3 - 1);
  const QJsonObject second = patches[1].toObject();
  EXPECT_EQ(second["bank"].toString(), "A");
  EXPECT_EQ(second["checksum"].toInt(), 0);
  EXPECT_FALSE(second["checksum_ok"].toBool());
}

TEST_F(ZpmTest, InfoSplitsFmFilesIntoThreeListsAndNamesOnlyVoices) {
  TFMPatchBank voices, drums, ensembles;
  TFMPatch drum;
  drum.SetPatchType(kFmDrumset);
  drum.SetBank(2);
  drum.SetPatchNumber(15);
  TFMPatch ensemble;
  ensemble.SetPatchType(kFmEnsemble);
  TFMPatch voice;
  voice.SetBank(7);
  drums.Add(drum);
  ensembles.Add(ensemble);
  voices.Add(voice);
  voices.Add(voice);
  // File order drum, voice, ensemble, voice: the lists keep file order within each type.
  TMemoryStream stream;
  drum.SaveToStream(stream);
  voice.SaveToStream(stream);
  ensemble.SaveToStream(stream);
  voice.SaveToStream(stream);
  WriteFile(Path("fm.syx"), stream.Data());

  const QJsonObject json = Json(Zpm({"info", Path("fm.syx"), "--json"}));
  EXPECT_EQ(json["kind"].toString(), "fm");
  const QJsonArray patches = json["patches"].toArray();
  ASSERT_EQ(patches.size(), 4);
  const QStringList lists = {"voices", "voices", "drumsets", "ensembles"};
  const QList<int> indexes = {0, 1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(patches[i].toObject()["list"].toString(), lists[i]);
    EXPECT_EQ(patches[i].toObject()["index"].toInt(), indexes[i]);
  }
  EXPECT_EQ(patches[0].toObject()["bank"].toString(), "H");
  EXPECT_EQ(patches[0].toObject()["name"].toString(), QString(16, ' '));
  EXPECT_TRUE(patches[2].toObject()["name"].isNull());
  EXPECT_EQ(patches[2].toObject()["bank"].toString(), "C");
  EXPECT_EQ(patches[2].toObject()["number"].toInt(), 16);

  // --kind sid forces the SID loader, which refuses an FM file.
  const Outcome forced = Zpm({"info", Path("fm.syx"), "--kind", "sid"});
  EXPECT_EQ(forced.code, 1);
  EXPECT_EQ(forced.err, Path("fm.syx") + " is not a SID patch SysEx file.\n");
}

TEST_F(ZpmTest, RefusedAndMissingFilesFailWithTheLoadersMessage) {
  WriteFile(Path("empty.syx"), {});
  const Outcome empty = Zpm({"info", "empty.syx"}, dir.path());
  EXPECT_EQ(empty.code, 1);
  EXPECT_EQ(empty.err, Path("empty.syx") + " is too short (0 bytes)\n");
  EXPECT_TRUE(Zpm({"info", "empty.syx", "--json"}, dir.path()).out.isEmpty());

  const Outcome missing = Zpm({"info", Path("none.syx")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(missing.err.contains(Path("none.syx")));
  EXPECT_EQ(Zpm({"info", Path("none.syx"), "--kind", "midi"}).code, 2);
}

TEST_F(ZpmTest, ShowGivesTheViewersTexts) {
  TFMPatchBank voices, drums, ensembles;
  TFMPatch drum;
  drum.SetPatchType(kFmDrumset);
  drum.SetPatchNumber(4);
  const char first[] = "Kit";
  std::copy(first, first + 3, drum.Data());
  TMemoryStream stream;
  drum.SaveToStream(stream);
  WriteFile(Path("drum.syx"), stream.Data());

  // No voices: the first non-empty list is the drumsets'.
  const Outcome run = Zpm({"show", Path("drum.syx"), "--json"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject json = Json(run);
  EXPECT_EQ(json["caption"].toString(), "Patch Hex View - 5 - Kit");
  const QJsonArray panels = json["panels"].toArray();
  ASSERT_EQ(panels.size(), 5);
  EXPECT_EQ(panels[0].toString(), "Bank: A");
  EXPECT_EQ(panels[1].toString(), "Location: 5");
  EXPECT_EQ(panels[2].toString(), "Name: ---");
  EXPECT_EQ(panels[4].toString(), "Patchtype: FM / Drumset");
  EXPECT_EQ(json["sysex"].toString().size(), 268 * 3 - 1);
  EXPECT_FALSE(json["rows"].toArray().isEmpty());
  EXPECT_EQ(json["rows"].toArray()[0].toArray().size(), 2);

  EXPECT_EQ(Zpm({"show", Path("drum.syx"), "--list", "voices"}).code, 1);
  EXPECT_EQ(Zpm({"show", Path("drum.syx"), "--list", "drumsets", "--index", "1"}).code, 1);
  EXPECT_EQ(Zpm({"show", Path("drum.syx"), "--list", "pads"}).code, 2);
}

TEST_F(ZpmTest, RandomWritesTheFileTheCoreCreates) {
  RandomRun run;
  run.Seed = -7;
  run.Bank = 2;
  run.FirstPatch = 120;
  run.Count = 20;
  run.DeviceId = 5;
  RangeGrid grid = MakeSidRandomGrid();
  grid.SetRange("Volume", 3, 300);
  const Bytes expected = CreateSidRandomFile(run, grid);
  ASSERT_EQ(expected.size(), 9u + 266u * 9u); // never past slot 128

  const Outcome sid =
      Zpm({"random", "sid", "--seed", "-7", "--bank", "c", "--first", "120", "--count", "20",
           "--device-id", "5", "--set", "Volume=3:300", "--output", "r.syx"},
          dir.path());
  ASSERT_EQ(sid.code, 0) << sid.err.toStdString();
  EXPECT_EQ(ReadFile(Path("r.syx")), expected);

  RandomRun fmRun;
  fmRun.Seed = 99;
  fmRun.Count = 3;
  const Bytes fmExpected = CreateFmRandomFile(fmRun, MakeFmRandomGrid());
  const Outcome fm = Zpm({"random", "fm", "--seed", "99", "--bank", "A", "--first", "1", "--count",
                          "3", "--output", Path("f.syx")});
  ASSERT_EQ(fm.code, 0) << fm.err.toStdString();
  EXPECT_EQ(ReadFile(Path("f.syx")), fmExpected);
}

TEST_F(ZpmTest, RandomRefusesBadValuesWithoutTouchingTheOutput) {
  WriteFile(Path("keep.syx"), {0xF0, 0xF7});
  const QStringList base = {"random",  "sid", "--bank",   "A",
                            "--first", "1",   "--output", Path("keep.syx")};
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "1", "--count", "0"}).code, 2);
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "1", "--count", "129"}).code, 2);
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "2147483648", "--count", "1"}).code, 2);
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "1", "--count", "1", "--device-id", "128"}).code, 2);
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "1", "--count", "1", "--set", "NoSuchRow=1:2"}).code,
            2);
  EXPECT_EQ(Zpm(base + QStringList{"--seed", "1"}).code, 2); // --count missing
  EXPECT_EQ(ReadFile(Path("keep.syx")), (Bytes{0xF0, 0xF7}));

  // A folder that does not exist: the write fails and says so.
  const Outcome failed = Zpm({"random", "sid", "--seed", "1", "--bank", "A", "--first", "1",
                              "--count", "1", "--output", Path("no/such/dir/x.syx")});
  EXPECT_EQ(failed.code, 1);
  EXPECT_TRUE(failed.err.contains(Path("no/such/dir/x.syx")));
}

} // namespace
} // namespace zpm
