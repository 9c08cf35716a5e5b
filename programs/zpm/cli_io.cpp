#include "zpm/cli_io.h"

#include "patch/error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace zpm::cli {

QString AbsolutePath(const QString &path) {
  return QFileInfo(path).absoluteFilePath();
}

Bytes ReadWholeFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ZpmError(QString("Cannot open %1: %2.").arg(path, file.errorString()).toStdString());
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw ZpmError(QString("Cannot read %1: %2.").arg(path, file.errorString()).toStdString());
  return Bytes(data.begin(), data.end());
}

void WriteWholeFile(const QString &path, const Bytes &bytes) {
  QSaveFile file(path);
  const auto fail = [&](const char *what) {
    throw ZpmError(QString("Cannot %1 %2: %3. The file was not changed.")
                       .arg(what, path, file.errorString())
                       .toStdString());
  };
  if (!file.open(QIODevice::WriteOnly))
    fail("create");
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char *>(bytes.data()), size) != size)
    fail("write");
  if (!file.commit())
    fail("save");
}

void PrintOut(const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
}

void PrintErr(const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
}

void PrintOutBytes(const QByteArray &bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

int ParseNumber(const QString &option, const QString &text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok || value < 0 || text.startsWith('+'))
    throw UsageError(QString("%1 needs a whole number, not \"%2\".").arg(option, text));
  return value;
}

int ParseBank(const QString &option, const QString &text) {
  const QString letter = text.toUpper();
  if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'H')
    throw UsageError(QString("%1 needs a bank letter A..H, not \"%2\".").arg(option, text));
  return letter[0].unicode() - 'A';
}

} // namespace zpm::cli
