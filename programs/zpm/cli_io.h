// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every zpm command shares: output streams, numbers from the command
// line, and the exit codes. Files: file_names.h and safe_files.h.

#include "zpm/file_names.h"
#include "zpm/safe_files.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>

namespace zpm::cli {

enum ExitCode { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Bad usage: the message goes to stderr and zpm exits with 2.
class UsageError : public std::runtime_error {
public:
  explicit UsageError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// Text for people: control characters become '?' (TerminalSafe).
void PrintOut(const QString &text);
void PrintErr(const QString &text);
// Bytes as they are, for JSON documents (which escape control characters).
void PrintOutBytes(const QByteArray &bytes);

// A decimal number (an optional '-' and digits, nothing else) within
// min..max, checked before it is narrowed, so that no number of any length
// wraps into the range. Otherwise UsageError naming the option and the range.
int64_t ParseNumberIn(const QString &option, const QString &text, int64_t min, int64_t max);
// A non-negative number that fits an int.
int ParseNumber(const QString &option, const QString &text);
// A bank letter A..H in either case, to 0..7.
int ParseBank(const QString &option, const QString &text);

} // namespace zpm::cli
