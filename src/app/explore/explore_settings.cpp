// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/explore/explore_settings.h"

#include "app/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <map>

namespace zpm {

namespace {

constexpr const char *kSection = "Explore";

struct TKindKey {
  PatchKind kind;
  const char *key;
};

constexpr TKindKey kLockKeys[] = {{PatchKind::Sid, "SidLocks"},
                                  {PatchKind::FmVoice, "FmVoiceLocks"},
                                  {PatchKind::FmDrumset, "FmDrumsetLocks"},
                                  {PatchKind::FmEnsemble, "FmEnsembleLocks"}};

QStringList Lines(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

bool IsSection(const QString &line) {
  return line.trimmed().startsWith(QLatin1Char('['));
}

bool IsOwnSection(const QString &line) {
  return line.trimmed().compare(QStringLiteral("[%1]").arg(QLatin1String(kSection)),
                                Qt::CaseInsensitive) == 0;
}

// The keys of the section as they stand in the file.
std::map<QString, QString> ReadSection(const QString &path) {
  std::map<QString, QString> keys;
  bool inside = false;
  for (const QString &line : Lines(path)) {
    if (IsSection(line)) {
      inside = IsOwnSection(line);
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (inside && equals > 0)
      keys[line.left(equals).trimmed().toLower()] = line.mid(equals + 1).trimmed();
  }
  return keys;
}

} // namespace

TExploreSettings ReadExploreSettings(const QString &path) {
  TExploreSettings settings;
  const std::map<QString, QString> keys = ReadSection(path);
  for (const TKindKey &each : kLockKeys) {
    const auto found = keys.find(QString::fromLatin1(each.key).toLower());
    if (found != keys.end())
      settings.locks.SetText(each.kind, found->second.toStdString());
  }
  return settings;
}

QString WriteExploreSettings(const QString &path, const TExploreSettings &settings) {
  if (path.isEmpty())
    return {};
  QStringList own{QStringLiteral("[%1]").arg(QLatin1String(kSection))};
  for (const TKindKey &each : kLockKeys)
    own << QStringLiteral("%1=%2").arg(QLatin1String(each.key),
                                       QString::fromStdString(settings.locks.Text(each.kind)));
  // Every other line of the file stays where it is; the section goes last.
  QStringList lines;
  bool inside = false;
  for (const QString &line : Lines(path)) {
    if (IsSection(line))
      inside = IsOwnSection(line);
    if (!inside)
      lines << line;
  }
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
    lines.removeLast();
  if (!lines.isEmpty())
    lines << QString();
  lines << own << QString();
  QDir().mkpath(QFileInfo(path).absolutePath());
  const TSaveOutcome saved = SaveWholeFile(path, lines.join(QLatin1Char('\n')).toUtf8());
  return saved.step == TSaveOutcome::Saved ? QString() : saved.reason;
}

} // namespace zpm
