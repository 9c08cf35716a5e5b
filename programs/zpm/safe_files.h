// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files as zpm reads and writes them: patches come only from regular files of
// at most 64 MiB, and are written only as regular files, whole, synced to the
// disk before zpm says they are saved. Paths are absolute texts of
// file_names.h, which keep every byte of the name.

#include "patch/stream.h"

#include <QString>

#include <cstddef>

namespace zpm::cli {

constexpr size_t kMaxInputSize = size_t(64) * 1024 * 1024;

// An input file opened for reading: a regular file no larger than
// kMaxInputSize, or a ZpmError that says why not (opening never blocks, so a
// named pipe is refused rather than waited on).
class TInputFile {
public:
  explicit TInputFile(const QString &path);
  ~TInputFile();
  TInputFile(const TInputFile &) = delete;
  TInputFile &operator=(const TInputFile &) = delete;

  // The size the file had when it was opened.
  size_t Size() const { return m_size; }
  // Up to count bytes from the current position, never past Size(); fewer
  // only at the end of the file.
  Bytes Read(size_t count);

private:
  QString m_path;
  int m_fd = -1;
  size_t m_size = 0;
  size_t m_read = 0;
};

// Refuses (ZpmError) an output path that names a device, a pipe, a socket or
// a folder, or whose folder does not exist or may not be written to, and
// one that is the library's file or one of its own (library_guard.h). The
// device commands call it before a transfer starts, so that a fetch is not
// spent on a file that cannot be saved.
void CheckOutputPath(const QString &path);

// Writes through a temporary file in the same folder that replaces the target
// only once it is complete and synced, then syncs the folder, so a failure
// never destroys the file that was there. Errors name the system's reason.
void WriteWholeFile(const QString &path, const Bytes &bytes);

} // namespace zpm::cli
