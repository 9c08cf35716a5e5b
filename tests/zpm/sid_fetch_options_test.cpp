// SPDX-License-Identifier: GPL-3.0-or-later
// zpm sid fetch's own options, checked on the real program before any MIDI
// service is touched: a bad --retries is bad usage and writes nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

} // namespace
