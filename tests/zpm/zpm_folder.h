// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A zpm test with a folder of its own for the files it writes and reads.

#include "patch/stream.h"
#include "zpm/zpm_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace zpm::test {

class ZpmFolderTest : public ::testing::Test {
protected:
  QTemporaryDir dir;
  std::string Path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
  void Write(const std::string &name, const Bytes &bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const std::string &name) const {
    const std::string text = SlurpFile(Path(name));
    return Bytes(text.begin(), text.end());
  }
};

} // namespace zpm::test
