// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line arguments keep every byte of a file name. A name that is not
// valid in the local encoding (UTF-8) would otherwise be decoded with
// replacement characters and name another file, or none: each byte that does
// not decode is carried as the lone surrogate U+DC80 + (byte - 80h) and turned
// back into that byte when the name is handed to the system.

#include <QByteArray>
#include <QString>

namespace zpm::cli {

// An argument's bytes as text; lossless for any bytes.
QString ArgumentText(const QByteArray &raw);
// The bytes ArgumentText was given; other text is encoded as UTF-8.
QByteArray ArgumentBytes(const QString &text);

// The path made absolute against the current folder, with "." and ".."
// steps and doubled separators removed; the bytes are kept.
QString AbsolutePath(const QString &path);

// Text for a terminal: every control character (below 20h, 7Fh, 80h..9Fh)
// and every byte that is not text becomes '?'. Line feeds stay, and carriage
// returns too when keepReturns is set (progress counters rewrite their line).
QString TerminalSafe(const QString &text, bool keepReturns);
// One field of a line, such as a patch name: as TerminalSafe, and a line feed
// becomes '?' too, so that a name cannot split the line it is shown in.
QString TerminalField(const QString &text);

} // namespace zpm::cli
