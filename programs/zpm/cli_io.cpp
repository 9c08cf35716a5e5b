// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/cli_io.h"

#include <climits>
#include <cstdio>

namespace zpm::cli {

void PrintOut(const QString &text) {
  const QByteArray utf8 = TerminalSafe(text, false).toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
}

void PrintErr(const QString &text) {
  const QByteArray utf8 = TerminalSafe(text, true).toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
}

void PrintOutBytes(const QByteArray &bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

int64_t ParseNumberIn(const QString &option, const QString &text, int64_t min, int64_t max) {
  const qsizetype digitsFrom = text.startsWith('-') ? 1 : 0;
  bool wellFormed = text.size() > digitsFrom;
  for (qsizetype i = digitsFrom; i < text.size(); ++i)
    wellFormed = wellFormed && text[i] >= '0' && text[i] <= '9';
  if (!wellFormed)
    throw UsageError(QString("%1 needs a whole number, not \"%2\".").arg(option, text));
  // A number beyond 64 bits does not fit: out of range too, never wrapped.
  bool fits = false;
  const qlonglong value = text.toLongLong(&fits, 10);
  if (!fits || value < min || value > max)
    throw UsageError(QString("%1 must be between %2 and %3, not %4.")
                         .arg(option)
                         .arg(static_cast<qlonglong>(min))
                         .arg(static_cast<qlonglong>(max))
                         .arg(text));
  return value;
}

int ParseNumber(const QString &option, const QString &text) {
  return static_cast<int>(ParseNumberIn(option, text, 0, INT_MAX));
}

int ParseBank(const QString &option, const QString &text) {
  const QString letter = text.toUpper();
  if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'H')
    throw UsageError(QString("%1 needs a bank letter A..H, not \"%2\".").arg(option, text));
  return letter[0].unicode() - 'A';
}

} // namespace zpm::cli
