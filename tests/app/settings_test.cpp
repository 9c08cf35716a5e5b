// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file by itself: what a hand-edited or damaged file gives.

#include "app/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zpm {
namespace {

class TSettingsTest : public ::testing::Test {
protected:
  QString Write(const char *text) {
    const QString path = m_dir.filePath("s.ini");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
  }
  QTemporaryDir m_dir;
};

TEST_F(TSettingsTest, ReadsWhatWindowsIniFilesAllowAndDefaultsTheRest) {
  const TSettings s = ReadSettings(Write("; comment\r\n[midi]\r\n input = 2 \r\nOUTPUT=x\r\n"
                                         "[Main]\r\nShowLog=0\r\n"
                                         "SavedReadSysExDir=\"/a b/c,d/\"\r\nMidiApi=none\r\n"
                                         "[ZavorinPatchManager]\r\nAuditionSidSlot=c:12\r\n"
                                         "AuditionSidChannel=40\r\nAuditionFmSlot=I:1\r\n"));
  EXPECT_EQ(s.InputDevice, 2);
  EXPECT_EQ(s.OutputDevice, -1);
  EXPECT_EQ(s.SidDelay, 750);
  EXPECT_EQ(s.FmDelay, 1500);
  EXPECT_FALSE(s.ShowLog);
  EXPECT_EQ(s.SavedReadSysExDir, "/a b/c,d/");
  EXPECT_EQ(s.SavedSaveSysExDir, "");
  EXPECT_EQ(s.Api, MidiApi::Auto);
  EXPECT_EQ(s.Audition.sid.bank, 2);
  EXPECT_EQ(s.Audition.sid.slot, 11);
  EXPECT_EQ(s.Audition.sid.notes.channel, 16);
  EXPECT_FALSE(s.Audition.sid.notes.afterWrite);
  EXPECT_FALSE(AuditionSlotChosen(s.Audition.fm));

  const TSettings missing = ReadSettings(m_dir.filePath("absent.ini"));
  EXPECT_EQ(missing.InputDevice, -1);
  EXPECT_TRUE(missing.ShowLog);
  // No audition slot until the musician chooses one.
  EXPECT_FALSE(AuditionSlotChosen(missing.Audition.sid));
  EXPECT_FALSE(AuditionSlotChosen(missing.Audition.fm));
}

TEST_F(TSettingsTest, WritingKeepsForeignKeysAndReadsBackTheSame) {
  const QString path = Write("[Main]\nTheme=dark\nShowLog=1\n[Extra]\nA=1\n");
  TSettings s;
  s.InputDevice = 1;
  s.SidDelay = 10;
  s.ShowLog = false;
  s.SavedSaveSysExDir = "/home/u/syx/";
  s.Api = MidiApi::Alsa;
  s.VerifyAfterSend = true;
  s.Audition.fm = {7, 127, {true, 10, 36, 90, 1200}};
  ASSERT_EQ(WriteSettings(path, s), "");
  const TSettings back = ReadSettings(path);
  EXPECT_EQ(back.InputDevice, 1);
  EXPECT_EQ(back.SidDelay, 10);
  EXPECT_FALSE(back.ShowLog);
  EXPECT_EQ(back.SavedSaveSysExDir, "/home/u/syx/");
  EXPECT_EQ(back.Api, MidiApi::Alsa);
  EXPECT_FALSE(back.BackupBeforeSend);
  EXPECT_TRUE(back.VerifyAfterSend);
  EXPECT_FALSE(AuditionSlotChosen(back.Audition.sid));
  EXPECT_EQ(back.Audition.fm.bank, 7);
  EXPECT_EQ(back.Audition.fm.slot, 127);
  EXPECT_TRUE(back.Audition.fm.notes.afterWrite);
  EXPECT_EQ(back.Audition.fm.notes.channel, 10);
  EXPECT_EQ(back.Audition.fm.notes.note, 36);
  EXPECT_EQ(back.Audition.fm.notes.velocity, 90);
  EXPECT_EQ(back.Audition.fm.notes.lengthMs, 1200);
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.contains("MidiApi=alsa\nBackupBeforeSend=0\nVerifyAfterSend=1\nTheme=dark\n"))
      << text.toStdString();
  EXPECT_TRUE(text.endsWith("[Extra]\nA=1\n"));
  EXPECT_TRUE(text.contains("AuditionSidSlot=\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("AuditionFmSlot=H:128\nAuditionFmNotes=1\n"));
  EXPECT_NE(WriteSettings(m_dir.filePath("s.ini/inside.ini"), s), "");
}

TEST_F(TSettingsTest, TheEnvironmentCanPointTheFileElsewhere) {
  qputenv("ZPM_SETTINGS_FILE", "/tmp/elsewhere.ini");
  EXPECT_EQ(SettingsFilePath(), "/tmp/elsewhere.ini");
  qunsetenv("ZPM_SETTINGS_FILE");
  EXPECT_TRUE(SettingsFilePath().endsWith(".ini"));
}

} // namespace
} // namespace zpm
