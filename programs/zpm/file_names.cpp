// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/file_names.h"

#include <QDir>

#include <cerrno>

#include <unistd.h>

#include <vector>

namespace zpm::cli {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // + the byte, for bytes 80h..FFh

// The length of the valid UTF-8 sequence at bytes[i], or 0 when there is none.
int Utf8Length(const QByteArray &bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80)
    return 1;
  int length = 0;
  uint32_t min = 0;
  uint32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > bytes.size())
    return 0;
  for (int k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80)
      return 0;
    code = (code << 6) | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode do not decode.
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return 0;
  return length;
}

bool IsEscapedByte(char16_t c) {
  return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

} // namespace

QString ArgumentText(const QByteArray &raw) {
  QString text;
  for (qsizetype i = 0; i < raw.size();) {
    const int length = Utf8Length(raw, i);
    if (length == 0) {
      text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(raw[i])));
      ++i;
    } else {
      text += QString::fromUtf8(raw.constData() + i, length);
      i += length;
    }
  }
  return text;
}

QByteArray ArgumentBytes(const QString &text) {
  QByteArray bytes;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsEscapedByte(text[i].unicode()))
      continue;
    bytes += text.mid(start, i - start).toUtf8();
    if (i < text.size())
      bytes += static_cast<char>(text[i].unicode() - kEscapeBase);
    start = i + 1;
  }
  return bytes;
}

QString AbsolutePath(const QString &path) {
  if (path.startsWith('/'))
    return QDir::cleanPath(path);
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE)
      return QDir::cleanPath(QDir::currentPath() + '/' + path);
    buffer.resize(buffer.size() * 2);
  }
  return QDir::cleanPath(ArgumentText(QByteArray(buffer.data())) + '/' + path);
}

QString TerminalSafe(const QString &text, bool keepReturns) {
  QString safe = text;
  for (qsizetype i = 0; i < safe.size(); ++i) {
    const char16_t code = safe[i].unicode();
    if (code == '\n' || (code == '\r' && keepReturns))
      continue;
    if (QChar::isHighSurrogate(code) && i + 1 < safe.size() && safe[i + 1].isLowSurrogate()) {
      ++i; // a character beyond the first plane, whole
      continue;
    }
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || QChar::isSurrogate(code))
      safe[i] = QChar('?');
  }
  return safe;
}

QString TerminalField(const QString &text) {
  return TerminalSafe(QString(text).replace('\n', '?'), false);
}

} // namespace zpm::cli
