// SPDX-License-Identifier: GPL-3.0-or-later
// zpm fm fetch and zpm fm send on the real program: bad usage is turned
// away before any MIDI service is touched, and against the built-in
// simulator a whole run reports every slot.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct TRun {
  int code = -1;
  QString out, err;
};

TRun Zpm(const QStringList &args) {
  QProcess zpm;
  zpm.start(ZPM_BINARY, args);
  TRun run;
  if (!zpm.waitForFinished(60000))
    return run;
  run.code = zpm.exitCode();
  run.out = QString::fromUtf8(zpm.readAllStandardOutput());
  run.err = QString::fromUtf8(zpm.readAllStandardError());
  return run;
}

TEST(ZpmFm, BadUsageWritesNothing) {
  QTemporaryDir dir;
  const QString output = dir.filePath("out.syx");
  struct TCase {
    QStringList args;
    const char *message;
  };
  const std::vector<TCase> cases = {
      {{"fetch", "--type", "pads", "--all"}, "--type must be voices, drums, ensembles or all"},
      {{"fetch", "--type", "drums", "--patch", "A:17"}, "--patch"},
      {{"fetch", "--type", "all", "--patch", "A:17"}, "--patch"},
      {{"fetch", "--type", "voices", "--bank", "I"}, "--bank"},
      {{"fetch", "--type", "voices", "--bank", "A", "--all"}, "exactly one of"},
      {{"fetch", "--type", "voices", "--all", "--retries", "11"}, "--retries"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const TRun run =
        Zpm(QStringList{"fm"} + c.args + QStringList{"--output", output, "--simulator"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
  }
}

TEST(ZpmFm, FetchAllThenSendItBackThroughTheSimulator) {
  QTemporaryDir dir;
  const QString drums = dir.filePath("drums.syx");
  const TRun fetch = Zpm({"fm", "fetch", "--type", "drums", "--bank", "C", "--output", drums,
                          "--simulator", "--in", "0", "--out", "0", "--json"});
  ASSERT_EQ(fetch.code, 0) << fetch.err.toStdString();
  EXPECT_EQ(QFile(drums).size(), 16 * 268);
  const QJsonArray fetched = QJsonDocument::fromJson(fetch.out.toUtf8())["slots"].toArray();
  ASSERT_EQ(fetched.size(), 16);
  EXPECT_EQ(fetched[15]["slot"].toString(), "C:16");
  EXPECT_EQ(fetched[15]["type"].toString(), "drumsets");
  EXPECT_TRUE(fetched[15]["name"].isNull());
  EXPECT_EQ(fetched[15]["result"].toString(), "fetched");

  struct TCase {
    QStringList args;
    int code;
    int count;
    const char *lastResult;
  };
  const std::vector<TCase> cases = {
      {{}, 0, 16, "written"},
      {{"--type", "drums", "--from-bank", "C", "--to-bank", "H", "--verify"}, 0, 16, "verified"},
      {{"--type", "drums", "--rows", "14-15", "--to", "A:16", "--yes"}, 1, 2, "not sent"},
      {{"--type", "drums", "--rows", "0,1", "--to", "A:1"}, 1, 2, "not sent"}, // answered No
      {{"--type", "voices"}, 1, 0, nullptr},                                   // nothing to send
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const TRun send =
        Zpm(QStringList{"fm", "send", drums, "--simulator", "--in", "0", "--out", "0", "--json"} +
            c.args);
    EXPECT_EQ(send.code, c.code) << send.err.toStdString();
    const QJsonArray written = QJsonDocument::fromJson(send.out.toUtf8())["slots"].toArray();
    ASSERT_EQ(written.size(), c.count);
    if (c.lastResult) {
      EXPECT_EQ(written.last()["result"].toString(), c.lastResult);
    }
  }
}

} // namespace
