// SPDX-License-Identifier: GPL-3.0-or-later
// zpm sid send on the real program with the built-in simulator: bad usage
// is refused before anything goes out, a patch that cannot be sent whole
// stops the run and is named, and the exit code says whether all was done.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace {

struct TRun {
  int code = -1;
  QString out, err;
};

TRun Zpm(const QStringList &args) {
  QProcess zpm;
  zpm.start(ZPM_BINARY, args);
  EXPECT_TRUE(zpm.waitForFinished(30000));
  return {zpm.exitCode(), QString::fromUtf8(zpm.readAllStandardOutput()),
          QString::fromUtf8(zpm.readAllStandardError())};
}

// Four random patches, bank B, numbers 1..4.
QString MakeFile(const QTemporaryDir &dir) {
  const QString path = dir.filePath("four.syx");
  const TRun run = Zpm({"random", "sid", "--seed", "5", "--bank", "B", "--first", "1", "--count",
                        "4", "--output", path});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  return path;
}

const QStringList kSimulator = {"--simulator", "--in", "0", "--out", "0", "--delay", "50"};

TEST(ZpmSidSend, BadUsageIsRefusedBeforeAnythingIsSent) {
  QTemporaryDir dir;
  const QString file = MakeFile(dir);
  const QString backup = dir.filePath("backup.syx");
  struct TCase {
    QStringList args;
    const char *message;
  };
  const TCase cases[] = {
      {{"--from-bank", "B"}, "--from-bank and --to-bank go together."},
      {{"--rows", "0"}, "--rows and --to go together."},
      {{"--rows", "0", "--to", "A:1", "--from-bank", "A", "--to-bank", "B"},
       "Give either --from-bank and --to-bank, or --rows and --to."},
      {{"--rows", "4", "--to", "A:1"}, "--rows 4: the file has rows 0 to 3 only."},
      {{"--rows", "2-1", "--to", "A:1"}, "--rows range 2-1 goes backwards."},
      {{"--rows", "0,,1", "--to", "A:1"}, "--rows needs rows such as 0,3-5"},
      {{"--rows", "-1", "--to", "A:1"}, "--rows needs rows such as 0,3-5, not \"-1\"."},
      {{"--rows", "0", "--to", "A:129"}, "--to"},
      {{"--rows", "0", "--to", "I:1"}, "--to"},
      {{"--rows", "0", "--to", "A"}, "--to needs BANK:NUMBER"},
      {{"--retries", "11"}, "--retries"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const TRun run =
        Zpm(QStringList{"sid", "send", file, "--backup", backup} + c.args + kSimulator);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(backup));
  }
}

TEST(ZpmSidSend, APatchThatCannotBeSentWholeIsNamedAndNothingGoesOut) {
  QTemporaryDir dir;
  const QString file = MakeFile(dir);
  QFile syx(file);
  ASSERT_TRUE(syx.open(QIODevice::ReadWrite));
  QByteArray bytes = syx.readAll();
  bytes[9 + 2 * 266 + 8 + 100] = char(0x90); // row 2, a data byte
  syx.seek(0);
  syx.write(bytes);
  syx.close();
  const TRun run = Zpm(QStringList{"sid", "send", file, "--log"} + kSimulator);
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains("Patch B:3 \"Random Patch 3\" in row 2 holds a byte of 80h or "
                               "above and cannot be sent whole, so nothing was sent."))
      << run.err.toStdString();
  EXPECT_FALSE(run.err.contains("OUT:")) << "something was sent";
}

TEST(ZpmSidSend, TheExitCodeSaysWhetherEverySlotWasWritten) {
  QTemporaryDir dir;
  const QString file = MakeFile(dir);
  struct TCase {
    QStringList args;
    int code;
    QStringList results;
    const char *lastLine;
  };
  const TCase cases[] = {
      {{"--verify"}, 0, {"verified", "verified", "verified", "verified"}, ""},
      {{"--from-bank", "B", "--to-bank", "D"}, 0, {"written", "written", "written", "written"}, ""},
      {{"--from-bank", "A", "--to-bank", "D"}, 1, {}, "Nothing was sent: no patch of"},
      {{"--rows", "1-3", "--to", "E:127", "--yes"},
       1,
       {"written", "written", "not sent"},
       "Slot was not done: E:129 (not sent, past patch 128)."},
      {{"--rows", "1,3", "--to", "E:2"},
       1,
       {"not sent", "not sent"},
       "Slots were not done: E:2 (not sent, declined), E:3 (not sent, declined)."},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const TRun run = Zpm(QStringList{"sid", "send", file, "--json"} + c.args + kSimulator);
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    QStringList results;
    for (const QJsonValue &slot : QJsonDocument::fromJson(run.out.toUtf8())["slots"].toArray())
      results << slot["result"].toString();
    EXPECT_EQ(results, c.results);
    const QStringList lines = run.err.trimmed().split('\n');
    if (c.code != 0) {
      EXPECT_TRUE(lines.last().startsWith(c.lastLine)) << run.err.toStdString();
    }
  }
}

// A second signal ends the run at once, saying first which slots were
// written and which one was in flight.
TEST(ZpmSidSend, ASecondSignalSaysWhichSlotsWereWritten) {
  QTemporaryDir dir;
  const QString file = MakeFile(dir);
  QProcess zpm;
  zpm.start(ZPM_BINARY, {"sid", "send", file, "--no-library", "--simulator", "--in", "0", "--out",
                         "0", "--delay", "300"});
  ASSERT_TRUE(zpm.waitForStarted(30000));
  zpm.setReadChannel(QProcess::StandardError);
  QString err;
  while (!err.contains("2 of 4") && zpm.waitForReadyRead(30000))
    err += QString::fromUtf8(zpm.readAllStandardError());
  ASSERT_TRUE(err.contains("2 of 4")) << err.toStdString();
  // Both signals reach a stopped program, so the second comes before the
  // run can have ended after the first.
  const pid_t pid = static_cast<pid_t>(zpm.processId());
  ::kill(pid, SIGSTOP);
  ::kill(pid, SIGINT);
  ::kill(pid, SIGTERM);
  ::kill(pid, SIGCONT);
  ASSERT_TRUE(zpm.waitForFinished(30000));
  err += QString::fromUtf8(zpm.readAllStandardError());
  EXPECT_EQ(zpm.exitCode(), 143) << err.toStdString();
  EXPECT_TRUE(err.contains(QRegularExpression(
      R"(Interrupted again: B:1-B:[2-4] written(, B:[34] unknown)?, the rest not sent\.\n)")))
      << err.toStdString();
}

} // namespace
