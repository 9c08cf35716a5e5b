// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"

#include "app/save_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>
#include <vector>

namespace zpm {

namespace {

struct TIniKey {
  QString key;
  QString value;
};

struct TIniSection {
  QString name;
  std::vector<TIniKey> keys;
};

// Section and key names are not case-sensitive in an INI file; values are
// trimmed and may be quoted.
std::vector<TIniSection> ParseIni(const QString &path) {
  std::vector<TIniSection> sections;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return sections;
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  for (QString line : lines) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';'))
      continue;
    if (line.startsWith('[')) {
      const qsizetype end = line.indexOf(']');
      sections.push_back({line.mid(1, end < 0 ? -1 : end - 1).trimmed(), {}});
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0 || sections.empty())
      continue;
    QString value = line.mid(equals + 1).trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
      value = value.mid(1, value.size() - 2);
    sections.back().keys.push_back({line.left(equals).trimmed(), value});
  }
  return sections;
}

const QString *Find(const std::vector<TIniSection> &sections, const QString &section,
                    const QString &key) {
  for (const TIniSection &s : sections) {
    if (s.name.compare(section, Qt::CaseInsensitive) != 0)
      continue;
    for (const TIniKey &k : s.keys)
      if (k.key.compare(key, Qt::CaseInsensitive) == 0)
        return &k.value;
  }
  return nullptr;
}

int ReadInteger(const std::vector<TIniSection> &sections, const QString &section,
                const QString &key, int fallback) {
  const QString *text = Find(sections, section, key);
  if (!text)
    return fallback;
  bool ok = false;
  const int value = text->toInt(&ok);
  return ok ? value : fallback;
}

QString ReadString(const std::vector<TIniSection> &sections, const QString &section,
                   const QString &key) {
  const QString *text = Find(sections, section, key);
  return text ? *text : QString();
}

// AuditionSidSlot, AuditionSidNotes, ... and the same with Fm.
std::vector<TIniKey> AuditionKeys(const char *synth, const TAuditionSlotSetting &a) {
  const QString prefix = QString("Audition") + synth;
  const QString slot =
      AuditionSlotChosen(a) ? QString::fromStdString(AuditionSlotText(a.bank, a.slot)) : QString();
  return {{prefix + "Slot", slot},
          {prefix + "Notes", a.notes.afterWrite ? "1" : "0"},
          {prefix + "Channel", QString::number(a.notes.channel)},
          {prefix + "Note", QString::number(a.notes.note)},
          {prefix + "Velocity", QString::number(a.notes.velocity)},
          {prefix + "Length", QString::number(a.notes.lengthMs)}};
}

TAuditionSlotSetting ReadAudition(const std::vector<TIniSection> &ini, const char *synth) {
  const QString prefix = QString("Audition") + synth;
  const QString section = "ZavorinPatchManager";
  TAuditionSlotSetting a;
  ParseAuditionSlotText(ReadString(ini, section, prefix + "Slot").toStdString(), a.bank, a.slot);
  a.notes.afterWrite = ReadInteger(ini, section, prefix + "Notes", 0) != 0;
  a.notes.channel = ReadInteger(ini, section, prefix + "Channel", a.notes.channel);
  a.notes.note = ReadInteger(ini, section, prefix + "Note", a.notes.note);
  a.notes.velocity = ReadInteger(ini, section, prefix + "Velocity", a.notes.velocity);
  a.notes.lengthMs = ReadInteger(ini, section, prefix + "Length", a.notes.lengthMs);
  return ClampedAuditionSetting(a);
}

// The file's sections in the order they are written.
std::vector<TIniSection> OwnSections(const TSettings &s) {
  std::vector<TIniSection> sections = {
      {"Midi",
       {{"Input", QString::number(s.InputDevice)}, {"Output", QString::number(s.OutputDevice)}}},
      {"SID", {{"Delay", QString::number(s.SidDelay)}}},
      {"FM", {{"Delay", QString::number(s.FmDelay)}}},
      {"Main",
       {{"ShowLog", s.ShowLog ? "1" : "0"},
        {"SavedReadSysExDir", s.SavedReadSysExDir},
        {"SavedSaveSysExDir", s.SavedSaveSysExDir},
        {"MidiApi", MidiApiName(s.Api)},
        {"BackupBeforeSend", s.BackupBeforeSend ? "1" : "0"},
        {"VerifyAfterSend", s.VerifyAfterSend ? "1" : "0"}}},
      {"ZavorinPatchManager",
       {{"InputDeviceName", s.InputDeviceName},
        {"OutputDeviceName", s.OutputDeviceName},
        {"LogDecode", s.LogDecode ? "1" : "0"},
        {"KeepInLibrary", s.KeepInLibrary ? "1" : "0"},
        {"LibraryGeometry", QString::fromLatin1(s.LibraryGeometry.toBase64())},
        {"LibrarySplitter", QString::fromLatin1(s.LibrarySplitter.toBase64())},
        {"LibraryColumns", QString::fromLatin1(s.LibraryColumns.toBase64())},
        {"LibraryBackup", s.LibraryBackup ? "1" : "0"},
        {"LibraryVerify", s.LibraryVerify ? "1" : "0"}}},
  };
  std::vector<TIniKey> &own = sections.back().keys;
  for (TIniKey &key : AuditionKeys("Sid", s.Audition.sid))
    own.push_back(std::move(key));
  for (TIniKey &key : AuditionKeys("Fm", s.Audition.fm))
    own.push_back(std::move(key));
  return sections;
}

TIniSection *FindSection(std::vector<TIniSection> &sections, const QString &name) {
  for (TIniSection &s : sections)
    if (s.name.compare(name, Qt::CaseInsensitive) == 0)
      return &s;
  return nullptr;
}

} // namespace

TSettings ReadSettings(const QString &path) {
  const std::vector<TIniSection> ini = ParseIni(path);
  TSettings s;
  s.InputDevice = ReadInteger(ini, "Midi", "Input", s.InputDevice);
  s.OutputDevice = ReadInteger(ini, "Midi", "Output", s.OutputDevice);
  s.SidDelay = ReadInteger(ini, "SID", "Delay", s.SidDelay);
  s.FmDelay = ReadInteger(ini, "FM", "Delay", s.FmDelay);
  s.ShowLog = ReadInteger(ini, "Main", "ShowLog", s.ShowLog ? 1 : 0) != 0;
  s.SavedReadSysExDir = ReadString(ini, "Main", "SavedReadSysExDir");
  s.SavedSaveSysExDir = ReadString(ini, "Main", "SavedSaveSysExDir");
  MidiApi api = MidiApi::Auto;
  // "none" would hide every real port: only the three choices of the Config page count.
  if (ParseMidiApi(ReadString(ini, "Main", "MidiApi").toLower().toStdString(), api) &&
      api != MidiApi::None)
    s.Api = api;
  s.BackupBeforeSend = ReadInteger(ini, "Main", "BackupBeforeSend", 0) != 0;
  s.VerifyAfterSend = ReadInteger(ini, "Main", "VerifyAfterSend", 0) != 0;
  s.InputDeviceName = ReadString(ini, "ZavorinPatchManager", "InputDeviceName");
  s.OutputDeviceName = ReadString(ini, "ZavorinPatchManager", "OutputDeviceName");
  s.LogDecode = ReadInteger(ini, "ZavorinPatchManager", "LogDecode", 0) != 0;
  s.KeepInLibrary = ReadInteger(ini, "ZavorinPatchManager", "KeepInLibrary", 1) != 0;
  const auto state = [&](const char *key) {
    return QByteArray::fromBase64(ReadString(ini, "ZavorinPatchManager", key).toLatin1());
  };
  s.LibraryGeometry = state("LibraryGeometry");
  s.LibrarySplitter = state("LibrarySplitter");
  s.LibraryColumns = state("LibraryColumns");
  s.LibraryBackup = ReadInteger(ini, "ZavorinPatchManager", "LibraryBackup", 1) != 0;
  s.LibraryVerify = ReadInteger(ini, "ZavorinPatchManager", "LibraryVerify", 1) != 0;
  s.Audition.sid = ReadAudition(ini, "Sid");
  s.Audition.fm = ReadAudition(ini, "Fm");
  return s;
}

QString WriteSettings(const QString &path, const TSettings &settings) {
  std::vector<TIniSection> sections = OwnSections(settings);
  // Keys the program does not know stay in the file, after its own.
  for (TIniSection &old : ParseIni(path)) {
    TIniSection *target = FindSection(sections, old.name);
    if (!target) {
      sections.push_back(std::move(old));
      continue;
    }
    for (TIniKey &key : old.keys) {
      bool known = false;
      for (const TIniKey &own : target->keys)
        known = known || own.key.compare(key.key, Qt::CaseInsensitive) == 0;
      if (!known)
        target->keys.push_back(std::move(key));
    }
  }

  QString text;
  for (const TIniSection &section : sections) {
    if (!text.isEmpty())
      text += '\n';
    text += '[' + section.name + "]\n";
    for (const TIniKey &key : section.keys)
      text += key.key + '=' + key.value + '\n';
  }

  QDir().mkpath(QFileInfo(path).absolutePath());
  const TSaveOutcome saved = SaveWholeFile(path, text.toUtf8());
  return saved.step == TSaveOutcome::Saved ? QString() : saved.reason;
}

QString SettingsFilePath() {
  const QString forced = qEnvironmentVariable("ZPM_SETTINGS_FILE");
  if (!forced.isEmpty())
    return forced;
  const QFileInfo executable(QCoreApplication::applicationFilePath());
  const QString name = executable.completeBaseName() + ".ini";
  const QFileInfo folder(executable.absolutePath());
  if (folder.isDir() && folder.isWritable())
    return QDir(folder.absoluteFilePath()).filePath(name);
  // An installed program's folder is not the user's to write to.
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(name);
}

} // namespace zpm
