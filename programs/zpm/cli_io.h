#pragma once
// What every zpm command shares: reading and writing files, output streams,
// and the exit codes.

#include "patch/stream.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace zpm::cli {

enum ExitCode { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Bad usage: the message goes to stderr and zpm exits with 2.
class UsageError : public std::runtime_error {
public:
  explicit UsageError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

QString AbsolutePath(const QString &path);
// Throws ZpmError with the system's text when the file cannot be read.
Bytes ReadWholeFile(const QString &path);
// Writes through a temporary file that replaces the target only once it is
// complete, so a failure never destroys the file that was there.
void WriteWholeFile(const QString &path, const Bytes &bytes);

void PrintOut(const QString &text);
void PrintErr(const QString &text);
void PrintOutBytes(const QByteArray &bytes);

// Parses a non-negative decimal number or throws UsageError naming the option.
int ParseNumber(const QString &option, const QString &text);
// A bank letter A..H in either case, to 0..7.
int ParseBank(const QString &option, const QString &text);

} // namespace zpm::cli
