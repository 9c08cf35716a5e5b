#include "app/backup_file.h"

#include "patch/error.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace zpm {

std::string SaveBackupFile(const char *prefix, const Bytes &bytes) {
  const QString folder =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  const QString path =
      QDir(folder).filePath(QString::fromLatin1(prefix) + "-" +
                            QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss") + ".syx");
  const QString where = QDir::toNativeSeparators(path);
  QSaveFile file(path);
  if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()) ||
      !file.commit())
    throw ZpmError(QStringLiteral("The backup could not be saved to %1 (%2). Free some disk "
                                  "space or turn off \"Back up destination banks first\".")
                       .arg(where, file.errorString())
                       .toStdString());
  return where.toStdString();
}

} // namespace zpm
