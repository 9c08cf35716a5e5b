// SPDX-License-Identifier: GPL-3.0-or-later
// zpm reads patches only from regular files of at most 64 MiB, writes only
// regular files, whole and synced, keeps every byte of a file name, and
// names the system's reason when a write fails.
#include "sid/sid_file.h"
#include "zpm/zpm_folder.h"
#include "zpm/zpm_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>

namespace zpm {
namespace {

using test::RunZpm;
using test::SlurpFile;

void Spit(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string SidFile(int patches) {
  TPatchBank bank;
  for (int i = 0; i < patches; ++i) {
    TPatch patch;
    patch.SetPatchNumber(static_cast<uint8_t>(i));
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  const Bytes bytes = SidFileBytes(bank);
  return std::string(bytes.begin(), bytes.end());
}

// Takes every byte the file system has left.
void FillUp(const std::string &path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  close(fd);
}

// The names in a folder, in order.
std::vector<std::string> Entries(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// What a path is now: "file", "fifo", "folder", "device", "symlink" or "missing".
std::string KindOf(const std::string &path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0)
    return "missing";
  if (S_ISLNK(info.st_mode))
    return "symlink";
  if (S_ISREG(info.st_mode))
    return "file";
  if (S_ISFIFO(info.st_mode))
    return "fifo";
  if (S_ISDIR(info.st_mode))
    return "folder";
  return "device";
}

std::vector<std::string> RandomTo(const std::string &output, const std::string &count = "3") {
  return {"random",  "sid", "--seed",  "5",   "--bank",   "B",
          "--first", "1",   "--count", count, "--output", output};
}

class ZpmFiles : public test::ZpmFolderTest {
protected:
  // QTemporaryDir cannot remove a file whose name is not UTF-8; the folder
  // goes by its bytes before it tries.
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(dir.path().toStdString(), error);
    EXPECT_FALSE(error) << dir.path().toStdString() << ": " << error.message();
  }

  // A character device of our own (the null device's numbers) when the
  // system lets us make one; else the system's /dev/null, which only root
  // could replace, and then only if zpm were at fault.
  std::string DeviceNode() const {
    const std::string own = Path("null-device");
    if (mknod(own.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
      return own;
    return geteuid() == 0 ? std::string() : "/dev/null";
  }
};

TEST_F(ZpmFiles, InputsThatAreNoRegularFileOrTooLargeAreRefusedWithoutReading) {
  mkfifo(Path("pipe.syx").c_str(), 0600);
  mkdir(Path("folder.syx").c_str(), 0700);
  {
    // 65 MiB, sparse, beginning like a real SID file: refused by its size alone.
    Spit(Path("huge.syx"), SidFile(1));
    ASSERT_EQ(truncate(Path("huge.syx").c_str(), 65 * 1024 * 1024), 0);
  }
  struct Case {
    std::string path;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Path("pipe.syx"), Path("pipe.syx") + " is a named pipe; zpm reads patches only from "
                                            "regular files.\n"},
      {"/dev/zero", "/dev/zero is a device; zpm reads patches only from regular files.\n"},
      {Path("folder.syx"), Path("folder.syx") + " is a folder; zpm reads patches only from "
                                                "regular files.\n"},
      {Path("huge.syx"), Path("huge.syx") + " is too large (68157440 bytes); zpm reads patch "
                                            "files of at most 64 MiB.\n"},
      {Path("none.syx"), "Cannot open " + Path("none.syx") + ": No such file or directory.\n"},
  };
  for (const Case &c : cases)
    for (const char *command : {"info", "show"}) {
      SCOPED_TRACE(c.path + " " + command);
      const test::RawRun run = RunZpm({command, c.path});
      EXPECT_EQ(run.code, 1);
      EXPECT_EQ(run.err, c.message);
      EXPECT_TRUE(run.out.empty());
      EXPECT_LT(run.seconds, 5.0); // neither a pipe nor /dev/zero holds zpm up
    }
  // A file just under the cap is read.
  ASSERT_EQ(truncate(Path("huge.syx").c_str(), 64 * 1024 * 1024), 0);
  EXPECT_EQ(RunZpm({"info", Path("huge.syx"), "--json"}).code, 0);
}

TEST_F(ZpmFiles, OutputsThatAreNoRegularFileAreRefusedAndLeftUntouched) {
  mkfifo(Path("pipe.syx").c_str(), 0600);
  mkdir(Path("folder.syx").c_str(), 0700);
  const std::string device = DeviceNode();
  struct Case {
    std::string path, kind, message;
  };
  std::vector<Case> cases = {
      {Path("pipe.syx"), "fifo", " is a named pipe"},
      {Path("folder.syx"), "folder", " is a folder"},
      {Path("no/such/folder.syx"), "missing",
       ": its folder " + Path("no/such") + " cannot be used (No such file or directory)."},
  };
  if (!device.empty())
    cases.push_back({device, "device", " is a device"});
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    for (const auto &args :
         {RandomTo(c.path),
          std::vector<std::string>{"sid", "fetch", "--simulator", "--in", "0", "--out", "0",
                                   "--delay", "0", "--bank", "A", "--output", c.path}}) {
      const test::RawRun run = RunZpm(args);
      EXPECT_EQ(run.code, 1);
      EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find("of 128"), std::string::npos) << "fetched before the check";
      EXPECT_EQ(KindOf(c.path), c.kind);
    }
  }
  // A regular file is replaced whole; a symbolic link to one keeps being a link.
  Spit(Path("old.syx"), std::string(5000, 'x'));
  symlink(Path("old.syx").c_str(), Path("link.syx").c_str());
  ASSERT_EQ(RunZpm(RandomTo(Path("link.syx"), "1")).code, 0);
  EXPECT_EQ(KindOf(Path("link.syx")), "symlink");
  EXPECT_EQ(SlurpFile(Path("old.syx")).size(), 9u + 266u);
}

TEST_F(ZpmFiles, NamesThatAreNotUtf8AreUsedByteForByte) {
  const std::vector<std::string> names = {"caf\xe9.syx", "\xff\xfe.syx", "bad\xc3(.syx",
                                          "ok-\xc3\xa9.syx"};
  for (const std::string &name : names) {
    SCOPED_TRACE(name);
    const test::RawRun made = RunZpm(RandomTo(name, "2"), test::RunSetup(dir.path().toStdString()));
    ASSERT_EQ(made.code, 0) << made.err;
    // The very bytes given, and no other file.
    EXPECT_EQ(SlurpFile(Path(name)).size(), 9u + 2 * 266u);
    const test::RawRun info =
        RunZpm({"info", name, "--json"}, test::RunSetup(dir.path().toStdString()));
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("\"index\": 1"), std::string::npos);
    EXPECT_EQ(RunZpm({"show", Path(name), "--index", "1"}).code, 0);
    EXPECT_FALSE(test::HasControlBytes(info.err + RunZpm({"info", name}).out));
  }
  int entries = 0;
  DIR *folder = opendir(dir.path().toLocal8Bit().constData());
  while (dirent *entry = readdir(folder))
    entries += entry->d_name[0] != '.';
  closedir(folder);
  EXPECT_EQ(entries, static_cast<int>(names.size()));
}

TEST_F(ZpmFiles, AFailedWriteNamesTheSystemsReasonAndKeepsTheOldFile) {
  struct Case {
    const char *what;
    bool full; // a file system with no room left (root only); else a file size limit
    std::string reason;
  };
  const std::string old(100, 'o');
  const Case cases[] = {{"a 1000-byte file size limit", false, "File too large"},
                        {"a full file system", true, "No space left on device"}};
  bool skippedFull = false;
  for (const Case &c : cases)
    // 19 patches are 5063 bytes, few enough that a buffered writer still
    // holds them when it closes the file; 128 are 34057.
    for (const char *count : {"19", "128"}) {
      SCOPED_TRACE(std::string(c.what) + ", " + count + " patches");
      const std::string folder = Path("small");
      mkdir(folder.c_str(), 0700);
      if (c.full &&
          (geteuid() != 0 || mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") != 0)) {
        skippedFull = true;
        continue;
      }
      const std::string target = folder + "/bank.syx";
      Spit(target, old);
      std::vector<std::string> present = {"bank.syx"};
      if (c.full) {
        FillUp(folder + "/filler");
        present.push_back("filler");
      }
      test::RunSetup setup;
      setup.fileSizeLimit = c.full ? -1 : 1000;
      const test::RawRun run = RunZpm(RandomTo(target, count), setup);
      EXPECT_EQ(run.code, 1);
      EXPECT_EQ(run.err,
                "Cannot write " + target + ": " + c.reason + ". The file was not changed.\n");
      EXPECT_EQ(SlurpFile(target), old);
      EXPECT_EQ(Entries(folder), present) << "a temporary file was left behind";
      if (c.full)
        umount(folder.c_str());
      std::filesystem::remove_all(folder);
    }
  if (skippedFull)
    GTEST_SKIP() << "A full file system needs root to mount a small tmpfs; only the file size "
                    "limit was tried.";
}

} // namespace
} // namespace zpm
