// SPDX-License-Identifier: GPL-3.0-or-later
// Every file the window writes is saved whole or not at all: when the system
// refuses the bytes (a file size limit, a full disk), the user is told why
// and the file that was there before is left exactly as it was.

#include "app/backup_file.h"
#include "app/log_window.h"
#include "app/page_support.h"
#include "app/settings.h"
#include "library/library_guard.h"
#include "midi/event_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zpm {
namespace {

QByteArray Slurp(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Spit(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// Takes every byte the file system has left.
void FillUp(const QString &path) {
  const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  const QByteArray block(4096, 'f');
  while (write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
  }
  close(fd);
}

// Lowers the file size limit for as long as it lives; a write past it then
// fails with "File too large" instead of ending the process.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t bytes) {
    m_handler = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_old);
    const rlimit limit{bytes, m_old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    signal(SIGXFSZ, m_handler);
  }
  TFileSizeLimit(const TFileSizeLimit &) = delete;
  TFileSizeLimit &operator=(const TFileSizeLimit &) = delete;

private:
  rlimit m_old{};
  void (*m_handler)(int) = SIG_DFL;
};

// The user's data folder, and with it the backups folder, below a test folder.
class TDataHome {
public:
  explicit TDataHome(const QString &path) : m_old(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(path));
  }
  ~TDataHome() {
    if (m_old.isNull())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", m_old);
  }
  TDataHome(const TDataHome &) = delete;
  TDataHome &operator=(const TDataHome &) = delete;

private:
  QByteArray m_old;
};

struct TWriter {
  const char *name;
  // The folder it writes into, made below base.
  std::function<QString(const QString &base)> folder;
  // The files it would write over.
  std::function<QStringList(const QString &folder)> targets;
  // Saves about 5000 bytes; the error the user sees, empty when it says saved.
  std::function<QString(const QString &folder)> save;
};

// An old file that the settings keep as unknown keys, so that the settings
// file written over it is about 5000 bytes too.
const QByteArray kOld = "[Old]\nKeep=" + QByteArray(4600, 'o') + "\n";

TEST(SaveWholeFile, ARefusedWriteIsReportedAndTheOldFileStays) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const TDataHome dataHome(dir.filePath("data"));
  const auto in = [](const char *name) {
    return [name](const QString &folder) { return QStringList{folder + "/" + name}; };
  };
  const std::vector<TWriter> writers = {
      {"a patch file", [](const QString &base) { return base + "/patches"; }, in("bank.syx"),
       [](const QString &folder) {
         return Attempt([&] { WriteWholeFile(folder + "/bank.syx", Bytes(5000, 0x11)); });
       }},
      {"a backup before a send",
       [](const QString &) {
         return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
             .filePath("backups");
       },
       [](const QString &folder) {
         // Named after the second it is made in: this one or, at worst, the next.
         const QDateTime now = QDateTime::currentDateTime();
         return QStringList{folder + "/sid-" + now.toString("yyyyMMdd-HHmmss") + ".syx",
                            folder + "/sid-" + now.addSecs(1).toString("yyyyMMdd-HHmmss") + ".syx"};
       },
       [](const QString &) { return Attempt([] { SaveBackupFile("sid", Bytes(5000, 0x22)); }); }},
      {"the log", [](const QString &base) { return base + "/log"; }, in("run.txt"),
       [](const QString &folder) {
         TEventLog log;
         log.AddLogLine(std::string(4999, 'l'));
         TfrmLog window(log);
         return window.SaveLog(folder + "/run.txt");
       }},
      {"the settings", [](const QString &base) { return base + "/settings"; }, in("zpm.ini"),
       [](const QString &folder) { return WriteSettings(folder + "/zpm.ini", TSettings{}); }},
  };
  struct TRefusal {
    const char *what;
    const char *reason;
    bool full;    // a file system with no room left (root only); else a file size limit
    bool library; // the file is the patch library's: no limit needed
  };
  const TRefusal refusals[] = {{"a 1000-byte file size limit", "File too large", false, false},
                               {"a full file system", "No space left on device", true, false},
                               {"the patch library's name", "is the patch library", false, true}};
  bool skippedFull = false;
  for (const TRefusal &refusal : refusals)
    for (const TWriter &writer : writers) {
      SCOPED_TRACE(std::string(writer.name) + " under " + refusal.what);
      const QString folder = writer.folder(dir.path());
      ASSERT_TRUE(QDir().mkpath(folder));
      if (refusal.full && (geteuid() != 0 || mount("tmpfs", QFile::encodeName(folder).constData(),
                                                   "tmpfs", 0, "size=16k") != 0)) {
        skippedFull = true;
        continue;
      }
      const QStringList targets = writer.targets(folder);
      QStringList present;
      for (const QString &target : targets) {
        Spit(target, kOld);
        present << QFileInfo(target).fileName();
        if (refusal.library)
          GuardLibrary(QFile::encodeName(target).toStdString());
      }
      if (refusal.full) {
        FillUp(folder + "/filler");
        present << "filler";
      }
      QString error;
      {
        std::unique_ptr<TFileSizeLimit> limit;
        if (!refusal.full && !refusal.library)
          limit = std::make_unique<TFileSizeLimit>(1000);
        error = writer.save(folder);
      }
      EXPECT_TRUE(error.contains(refusal.reason)) << error.toStdString();
      for (const QString &target : targets)
        EXPECT_TRUE(Slurp(target) == kOld)
            << target.toStdString() << " now holds " << Slurp(target).size() << " bytes";
      // Nothing else is left behind, neither a new file nor a temporary one.
      present.sort();
      EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), present);
      if (refusal.full)
        umount(QFile::encodeName(folder).constData());
      QDir(folder).removeRecursively();
    }
  if (skippedFull)
    GTEST_SKIP() << "A full file system needs root to mount a small tmpfs; only the file size "
                    "limit was tried.";
}

} // namespace
} // namespace zpm
