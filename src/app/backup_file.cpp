// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/backup_file.h"

#include "app/main_context.h"

#include "app/save_file.h"
#include "fm/fm_file.h"
#include "patch/error.h"
#include "sid/sid_file.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace zpm {

std::string SaveBackupFile(const char *prefix, const Bytes &bytes) {
  const QString folder =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  const QString path =
      QDir(folder).filePath(QString::fromLatin1(prefix) + "-" +
                            QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss") + ".syx");
  const QString where = QDir::toNativeSeparators(path);
  // A folder that cannot be made shows as the file's own reason.
  QDir().mkpath(folder);
  const TSaveOutcome saved = SaveWholeFile(path, bytes);
  if (saved.step != TSaveOutcome::Saved)
    throw ZpmError(QStringLiteral("The backup could not be saved to %1 (%2). Free some disk "
                                  "space or turn off \"Back up destination banks first\".")
                       .arg(where, saved.reason)
                       .toStdString());
  return where.toStdString();
}

std::string SaveSidBackup(const TPatchBank &banks) {
  return SaveBackupFile("sid", SidFileBytes(banks));
}

std::string SaveFmBackup(const TFMPatchBank &banks) {
  return SaveBackupFile("fm", FmBankFile(banks));
}

TSidSendOptions WindowSidSendOptions(const TMainContext &context, bool backup, bool verify) {
  TSidSendOptions options;
  options.device = context.SidDeviceId();
  options.delayMs = context.SidDelay();
  options.backup = backup;
  options.verify = verify;
  options.saveBackup = SaveSidBackup;
  return options;
}

TFmSendOptions WindowFmSendOptions(const TMainContext &context, bool backup, bool verify) {
  TFmSendOptions options;
  options.device = context.FmDeviceId();
  options.ackTimeoutMs = context.FmDelay();
  options.backup = backup;
  options.verify = verify;
  options.saveBackup = SaveFmBackup;
  return options;
}

} // namespace zpm
