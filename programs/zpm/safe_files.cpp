// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/safe_files.h"

#include "library/library_guard.h"
#include "patch/error.h"
#include "zpm/file_names.h"

#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zpm::cli {

namespace {

[[noreturn]] void Fail(const QString &text) {
  throw ZpmError(text.toStdString());
}

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// What a path that is not a regular file names, for the messages.
QString KindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return "a folder";
  if (S_ISFIFO(mode))
    return "a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device";
  if (S_ISSOCK(mode))
    return "a socket";
  return "not a regular file";
}

// A descriptor closed on every way out.
class TDescriptor {
public:
  explicit TDescriptor(int fd) : m_fd(fd) {}
  ~TDescriptor() {
    if (m_fd >= 0)
      close(m_fd);
  }
  TDescriptor(const TDescriptor &) = delete;
  TDescriptor &operator=(const TDescriptor &) = delete;
  int Get() const { return m_fd; }
  // Closes now, so that a late write error is seen; returns 0 or errno.
  int Close() {
    const int result = close(m_fd);
    m_fd = -1;
    return result == 0 ? 0 : errno;
  }

private:
  int m_fd;
};

QString FolderOf(const QString &path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash <= 0 ? QString("/") : path.left(slash);
}

// The file a write to path replaces: the target of a symbolic link, so that
// the link stays; path itself otherwise.
QString WriteTarget(const QString &path) {
  struct stat info {};
  if (lstat(ArgumentBytes(path).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
    return path;
  char resolved[PATH_MAX];
  if (!realpath(ArgumentBytes(path).constData(), resolved))
    return path;
  return ArgumentText(QByteArray(resolved));
}

// A new file gets the permissions the user's umask gives; a replaced one
// keeps its own.
mode_t NewFileMode(const QString &target) {
  struct stat info {};
  if (stat(ArgumentBytes(target).constData(), &info) == 0)
    return info.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

} // namespace

TInputFile::TInputFile(const QString &path) : m_path(path) {
  // Non-blocking, so that opening a named pipe with no writer returns at once.
  m_fd = open(ArgumentBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (m_fd < 0)
    Fail(QString("Cannot open %1: %2.").arg(path, Reason(errno)));
  struct stat info {};
  if (fstat(m_fd, &info) != 0) {
    const int error = errno;
    close(m_fd);
    Fail(QString("Cannot open %1: %2.").arg(path, Reason(error)));
  }
  if (!S_ISREG(info.st_mode)) {
    close(m_fd);
    Fail(QString("%1 is %2; zpm reads patches only from regular files.")
             .arg(path, KindOf(info.st_mode)));
  }
  m_size = static_cast<size_t>(info.st_size);
  if (m_size > kMaxInputSize) {
    close(m_fd);
    Fail(QString("%1 is too large (%2 bytes); zpm reads patch files of at most 64 MiB.")
             .arg(path)
             .arg(static_cast<qulonglong>(m_size)));
  }
}

TInputFile::~TInputFile() {
  close(m_fd);
}

Bytes TInputFile::Read(size_t count) {
  count = std::min(count, m_size - m_read);
  Bytes bytes(count);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(m_fd, bytes.data() + done, count - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      Fail(QString("Cannot read %1: %2.").arg(m_path, Reason(errno)));
    if (got == 0)
      break; // the file shrank since it was opened
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  m_read += done;
  return bytes;
}

void CheckOutputPath(const QString &path) {
  const std::string bytes = ArgumentBytes(path).toStdString();
  if (const std::optional<std::string> library = GuardedLibraryAt(bytes))
    Fail(QString::fromStdString(LibraryOutputRefusal(bytes, *library)));
  struct stat info {};
  if (stat(ArgumentBytes(path).constData(), &info) == 0) {
    if (!S_ISREG(info.st_mode))
      Fail(QString("%1 is %2, so zpm leaves it untouched: the output must be a regular file. "
                   "Choose another output file.")
               .arg(path, KindOf(info.st_mode)));
  } else if (errno != ENOENT) {
    Fail(QString("Cannot write %1: %2.").arg(path, Reason(errno)));
  }
  const QString folder = FolderOf(WriteTarget(path));
  const QByteArray folderBytes = ArgumentBytes(folder);
  if (stat(folderBytes.constData(), &info) != 0)
    Fail(QString("Cannot write %1: its folder %2 cannot be used (%3).")
             .arg(path, folder, Reason(errno)));
  if (!S_ISDIR(info.st_mode))
    Fail(QString("Cannot write %1: %2 is not a folder.").arg(path, folder));
  if (access(folderBytes.constData(), W_OK | X_OK) != 0)
    Fail(QString("Cannot write %1: its folder %2 may not be written to (%3).")
             .arg(path, folder, Reason(errno)));
}

void WriteWholeFile(const QString &path, const Bytes &bytes) {
  CheckOutputPath(path);
  const QString target = WriteTarget(path);
  const QString folder = FolderOf(target);
  QByteArray temporary =
      ArgumentBytes(folder + "/." + QFileInfo(target).fileName() + ".zpm-XXXXXX");
  const auto fail = [&](int error) {
    unlink(temporary.constData());
    Fail(QString("Cannot write %1: %2. The file was not changed.").arg(path, Reason(error)));
  };

  TDescriptor file(mkostemp(temporary.data(), O_CLOEXEC));
  if (file.Get() < 0)
    Fail(QString("Cannot write %1: %2. The file was not changed.").arg(path, Reason(errno)));
  if (fchmod(file.Get(), NewFileMode(target)) != 0)
    fail(errno);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = write(file.Get(), bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR)
      continue;
    if (wrote < 0)
      fail(errno);
    done += static_cast<size_t>(wrote);
  }
  // The data reach the disk before the name does, so a crash leaves the old
  // file or the new one whole.
  if (fsync(file.Get()) != 0)
    fail(errno);
  if (const int error = file.Close())
    fail(error);
  try {
    CheckOutputPath(path); // nothing may have taken the name's place meanwhile
  } catch (const ZpmError &) {
    unlink(temporary.constData());
    throw;
  }
  if (rename(temporary.constData(), ArgumentBytes(target).constData()) != 0)
    fail(errno);
  TDescriptor directory(
      open(ArgumentBytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() < 0 || fsync(directory.Get()) != 0)
    Fail(QString("%1 was written, but its folder could not be synced to the disk: %2.")
             .arg(path, Reason(errno)));
}

} // namespace zpm::cli
