// SPDX-License-Identifier: GPL-3.0-or-later
// zpm sid fetch's own options, checked on the real program before any MIDI
// service is touched: a bad --retries is bad usage and writes nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

TEST(ZpmSidFetchOptions, RetriesOutsideZeroToTenAreBadUsage) {
  struct TCase {
    const char *value;
    const char *message;
  };
  const TCase cases[] = {
      {"11", "--retries must be between 0 and 10, not 11."},
      {"4294967297", "--retries"},
      {"-1", "--retries"},
      {"two", "--retries"},
  };
  QTemporaryDir dir;
  const QString output = dir.filePath("out.syx");
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.value);
    QProcess zpm;
    zpm.start(ZPM_BINARY, {"sid", "fetch", "--bank", "A", "--retries", c.value, "--output", output,
                           "--in", "0", "--out", "0"});
    ASSERT_TRUE(zpm.waitForFinished(30000));
    EXPECT_EQ(zpm.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(zpm.readAllStandardError()).contains(c.message));
    EXPECT_FALSE(QFile::exists(output));
  }
}

// The built-in simulator answers a few milliseconds after the request: a
// pause shorter than that must not take it for a single-PatchCart device.
TEST(ZpmSidFetchOptions, ABankSelectAnsweredAfterAShortPauseStillCounts) {
  QTemporaryDir dir;
  const QString output = dir.filePath("c.syx");
  QProcess zpm;
  zpm.start(ZPM_BINARY, {"sid", "fetch", "--bank", "C", "--delay", "0", "--output", output,
                         "--simulator", "--in", "0", "--out", "0"});
  ASSERT_TRUE(zpm.waitForFinished(30000));
  EXPECT_EQ(zpm.exitCode(), 0) << zpm.readAllStandardError().toStdString();
  EXPECT_EQ(QFile(output).size(), 9 + 128 * 266); // the Bank Select, then the patches
}

// Ctrl+C or SIGTERM in the middle of --all: the banks that came whole are
// saved, the rest reported cancelled, and the exit is 128 + the signal.
TEST(ZpmSidFetchOptions, ASignalStopsAFetchAtOnceKeepingTheWholeBanks) {
  struct TCase {
    int signal;
    int exit;
  };
  const qint64 bank = 9 + 128 * 266;
  for (const TCase &c : {TCase{SIGINT, 130}, TCase{SIGTERM, 143}}) {
    SCOPED_TRACE(c.signal);
    QTemporaryDir dir;
    const QString output = dir.filePath("all.syx");
    QProcess zpm;
    zpm.start(ZPM_BINARY, {"sid", "fetch", "--all", "--delay", "100", "--output", output,
                           "--simulator", "--in", "0", "--out", "0"});
    ASSERT_TRUE(zpm.waitForStarted(30000));
    // Eight banks take at least nine pauses of 100 ms.
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(zpm.processId()), c.signal);
    ASSERT_TRUE(zpm.waitForFinished(30000));
    const QString err = QString::fromUtf8(zpm.readAllStandardError());
    EXPECT_EQ(zpm.exitCode(), c.exit) << err.toStdString();
    EXPECT_TRUE(err.contains("was cancelled")) << err.toStdString();
    EXPECT_FALSE(err.contains("no complete answer")) << err.toStdString();
    const qint64 size = QFile(output).size();
    EXPECT_EQ(size % bank, 0);
    EXPECT_LT(size / bank, 8);
  }
}

} // namespace
