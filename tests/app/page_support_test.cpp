// SPDX-License-Identifier: GPL-3.0-or-later
// What the window reads as a patch file: a regular file of a sane size; a
// named pipe, a folder or a huge file is refused at once with a sentence.

#include "app/page_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace zpm {
namespace {

TEST(ReadWholeFile, OnlyARegularFileOfASaneSizeIsRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pipe = dir.filePath("pipe.syx");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString huge = dir.filePath("huge.syx");
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(qint64(64) * 1024 * 1024 + 1)); // sparse
  }
  const QString small = dir.filePath("small.syx");
  {
    QFile file(small);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xF0\x01\xF7", 3);
  }
  struct Case {
    QString path;
    const char *says; // nullptr: read
  };
  const Case cases[] = {{pipe, "is not a regular file"},
                        {dir.path(), "is not a regular file"},
                        {huge, "larger than 64 MiB"},
                        {dir.filePath("missing.syx"), "Could not open"},
                        {small, nullptr}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    if (!c.says) {
      EXPECT_EQ(ReadWholeFile(c.path), (Bytes{0xF0, 0x01, 0xF7}));
      continue;
    }
    try {
      ReadWholeFile(c.path);
      ADD_FAILURE() << "read";
    } catch (const std::exception &error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
  }
}

} // namespace
} // namespace zpm
