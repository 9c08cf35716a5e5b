// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/save_file.h"

#include "library/library_guard.h"

#include <QFile>
#include <QSaveFile>

namespace zpm {

namespace {

// A write or a flush that the system cuts short carries no reason; writing
// the rest again either finishes it or fails with the system's own reason.
bool WriteAll(QSaveFile &file, const QByteArray &bytes) {
  for (qint64 done = 0; done < bytes.size();) {
    const qint64 wrote = file.write(bytes.constData() + done, bytes.size() - done);
    if (wrote <= 0)
      return false;
    done += wrote;
  }
  return true;
}

bool FlushAll(QSaveFile &file) {
  for (;;) {
    const qint64 waiting = file.bytesToWrite();
    if (file.flush())
      return true;
    if (file.bytesToWrite() >= waiting)
      return false;
  }
}

} // namespace

TSaveOutcome SaveWholeFile(const QString &path, const QByteArray &bytes) {
  if (const auto library = GuardedLibraryAt(QFile::encodeName(path).toStdString()))
    return {TSaveOutcome::NotCreated,
            QStringLiteral("it is the patch library %1 or one of its files, which saving there "
                           "would destroy")
                .arg(QFile::decodeName(library->c_str()))};
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return {TSaveOutcome::NotCreated, file.errorString()};
  // commit() does not see an error of the write it makes while closing, and
  // a file of under 16 KiB is still buffered then: a full disk would leave a
  // cut-short file in place of the old one. So the buffer is written out,
  // and checked, before the file takes the old one's place.
  if (!WriteAll(file, bytes) || !FlushAll(file) || !file.commit())
    return {TSaveOutcome::NotWritten, file.errorString()};
  return {};
}

TSaveOutcome SaveWholeFile(const QString &path, const Bytes &bytes) {
  return SaveWholeFile(path, QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()),
                                                     static_cast<qsizetype>(bytes.size())));
}

} // namespace zpm
