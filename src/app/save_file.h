// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving a file whole or not at all, for every file the window writes: the
// patch files, the backups made before a send, the log and the settings.

#include "patch/stream.h"

#include <QByteArray>
#include <QString>

namespace zpm {

// How far a save got, with the system's reason when it stopped short
// ("No space left on device", "File too large").
struct TSaveOutcome {
  enum Step { Saved, NotCreated, NotWritten };
  Step step = Saved;
  QString reason;
};

// Writes through a temporary file in the same folder that replaces the file
// at path only once every byte has reached it; otherwise the old file is
// left as it was. A path that is a guarded library's file (library_guard.h)
// is refused, NotCreated, and left alone.
TSaveOutcome SaveWholeFile(const QString &path, const QByteArray &bytes);
TSaveOutcome SaveWholeFile(const QString &path, const Bytes &bytes);

} // namespace zpm
