// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up from the settings file, the device lists, closing, and the log
// window's place and visibility as the main window governs them.

#include "app_fixture.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

namespace zpm {
namespace {

QStringList NonEmptyLines(const QString &text) {
  QStringList lines = text.split('\n');
  lines.removeAll(QString());
  return lines;
}

using TMainWindowTest = TAppFixture;

TEST_F(TMainWindowTest, FirstStartWithoutSettingsFileUsesDefaultsAndWritesAllKeys) {
  Start();
  Main().show();
  QCoreApplication::processEvents();
  TConfigPage &config = Config();
  EXPECT_EQ(config.cbxInputDevices->currentText(), "None");
  EXPECT_EQ(config.cbxOutputDevices->currentText(), "None");
  EXPECT_EQ(config.cbxInputDevices->count(), 2); // the simulator, then "None"
  EXPECT_FALSE(InputOpen());
  EXPECT_FALSE(OutputOpen());
  EXPECT_EQ(config.seDelay->value(), 750);
  EXPECT_EQ(config.seFMDelay->value(), 1500);
  EXPECT_EQ(config.seSIDDeviceID->value(), 0);
  EXPECT_TRUE(config.cbLog->isChecked());
  EXPECT_TRUE(Find<QToolButton>("CaptionButton")->isChecked());

  // The log sits directly below, as wide as the main window, 200 high.
  TfrmLog *log = app->log;
  ASSERT_TRUE(log->isVisible());
  const QRect main = Main().frameGeometry();
  EXPECT_EQ(log->frameGeometry().topLeft(), QPoint(main.left(), main.top() + main.height()));
  EXPECT_EQ(log->frameGeometry().width(), main.width());
  EXPECT_EQ(log->height(), 200);

  // Moving the main window takes the log along.
  Main().move(main.topLeft() + QPoint(40, 25));
  const QRect moved = Main().frameGeometry();
  EXPECT_EQ(log->frameGeometry().topLeft(), QPoint(moved.left(), moved.top() + moved.height()));
  EXPECT_EQ(log->height(), 200);

  EXPECT_TRUE(Main().close());
  EXPECT_EQ(NonEmptyLines(SettingsText()), QStringList({"[Midi]",
                                                        "Input=-1",
                                                        "Output=-1",
                                                        "[SID]",
                                                        "Delay=750",
                                                        "[FM]",
                                                        "Delay=1500",
                                                        "[Main]",
                                                        "ShowLog=1",
                                                        "SavedReadSysExDir=",
                                                        "SavedSaveSysExDir=",
                                                        "MidiApi=auto",
                                                        "BackupBeforeSend=0",
                                                        "VerifyAfterSend=0",
                                                        "[ZavorinPatchManager]",
                                                        "InputDeviceName=",
                                                        "OutputDeviceName=",
                                                        "LogDecode=0",
                                                        "KeepInLibrary=1",
                                                        "LibraryGeometry=",
                                                        "LibrarySplitter=",
                                                        "LibraryColumns=",
                                                        "LibraryBackup=1",
                                                        "LibraryVerify=1",
                                                        "AuditionSidSlot=",
                                                        "AuditionSidNotes=0",
                                                        "AuditionSidChannel=1",
                                                        "AuditionSidNote=60",
                                                        "AuditionSidVelocity=100",
                                                        "AuditionSidLength=300",
                                                        "AuditionFmSlot=",
                                                        "AuditionFmNotes=0",
                                                        "AuditionFmChannel=1",
                                                        "AuditionFmNote=60",
                                                        "AuditionFmVelocity=100",
                                                        "AuditionFmLength=300"}));
}

TEST_F(TMainWindowTest, SavedSettingsAreReadAndAnIndexBeyondTheListMeansNone) {
  WriteSettingsText("[Midi]\nInput=3\nOutput=0\n[SID]\nDelay=120\n[FM]\nDelay=40\n"
                    "[Main]\nShowLog=0\nMidiApi=jack\n[Other]\nKeep=me\n"
                    "[ZavorinPatchManager]\nAuditionFmSlot=B:3\nAuditionFmNotes=1\n");
  Start();
  Main().show();
  TConfigPage &config = Config();
  EXPECT_EQ(config.cbxInputDevices->currentText(), "None");
  EXPECT_EQ(Main().InputDeviceIndex(), -1);
  EXPECT_FALSE(InputOpen());
  // Output 0 is the built-in simulator: a run without --simulator holds it back.
  EXPECT_EQ(config.cbxOutputDevices->currentText(), "None");
  EXPECT_EQ(Main().OutputDeviceIndex(), -1);
  EXPECT_FALSE(OutputOpen());
  EXPECT_EQ(config.seDelay->value(), 120);
  EXPECT_EQ(config.seFMDelay->value(), 40);
  EXPECT_EQ(config.cbxMidiApi->currentText(), "JACK");
  EXPECT_FALSE(config.cbLog->isChecked());
  EXPECT_FALSE(Find<QToolButton>("CaptionButton")->isChecked());
  EXPECT_FALSE(app->log->isVisible());
  // The audition tab shows the saved slot; the SID has none chosen.
  EXPECT_EQ(config.fmAudition.bank->currentText(), "Bank B");
  EXPECT_EQ(config.fmAudition.slot->value(), 3);
  EXPECT_TRUE(config.fmAudition.channel->isEnabled());
  EXPECT_EQ(config.sidAudition.slot->text(), "(none)");
  EXPECT_FALSE(config.sidAudition.channel->isEnabled());
  EXPECT_FALSE(AuditionSlotChosen(Main().Audition().sid));
  config.sidAudition.bank->setCurrentIndex(8);
  config.sidAudition.slot->setValue(128);

  EXPECT_TRUE(Main().close());
  EXPECT_FALSE(OutputOpen());
  const QString text = SettingsText();
  EXPECT_TRUE(text.contains("[Midi]\nInput=-1\nOutput=0\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("ShowLog=0\n"));
  EXPECT_TRUE(text.contains("MidiApi=jack\n"));
  EXPECT_TRUE(text.contains("[Other]\nKeep=me\n"));
  EXPECT_TRUE(text.contains("AuditionSidSlot=H:128\n"));
  EXPECT_TRUE(text.contains("AuditionFmSlot=B:3\nAuditionFmNotes=1\n"));
}

TEST_F(TMainWindowTest, ChoosingDevicesOpensAndNoneClosesAndStoresMinusOne) {
  Start();
  QComboBox *input = Config().cbxInputDevices;
  QComboBox *output = Config().cbxOutputDevices;
  input->setCurrentIndex(0);
  output->setCurrentIndex(0);
  EXPECT_TRUE(InputOpen());
  EXPECT_TRUE(OutputOpen());
  EXPECT_EQ(Main().InputDeviceIndex(), 0);
  EXPECT_EQ(Main().Link().OutputDeviceIndex, 0);

  input->setCurrentIndex(input->count() - 1);
  EXPECT_FALSE(InputOpen());
  EXPECT_EQ(Main().InputDeviceIndex(), -1);
  EXPECT_TRUE(OutputOpen());

  EXPECT_TRUE(Main().close());
  EXPECT_TRUE(SettingsText().contains("Input=-1\nOutput=0\n"));
  EXPECT_FALSE(OutputOpen());
}

TEST_F(TMainWindowTest, SimulatorRunOpensTheSimulatorButKeepsTheSavedDevices) {
  WriteSettingsText("[Midi]\nInput=5\nOutput=-1\n");
  Start(/*simulator=*/true);
  EXPECT_TRUE(InputOpen());
  EXPECT_TRUE(OutputOpen());
  EXPECT_EQ(Config().cbxInputDevices->currentText(), TSimPort::kPortName);
  // A choice the user makes in this run is stored; the untouched one stays as saved.
  Config().cbxOutputDevices->setCurrentIndex(1);
  EXPECT_FALSE(OutputOpen());
  Config().cbxOutputDevices->setCurrentIndex(0);
  EXPECT_TRUE(Main().close());
  EXPECT_TRUE(SettingsText().contains("Input=-1\nOutput=0\n")) << SettingsText().toStdString();
}

TEST_F(TMainWindowTest, ClosingIsRefusedWhileCanCloseIsFalse) {
  Start();
  Main().show();
  Main().SetCanClose(false);
  EXPECT_FALSE(Main().close());
  EXPECT_TRUE(Main().isVisible());
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  Main().SetCanClose(true);
  EXPECT_TRUE(Main().close());
  EXPECT_TRUE(QFile::exists(SettingsPath()));
}

TEST_F(TMainWindowTest, TitleBarButtonCheckBoxAndLogCloseBoxStayInStep) {
  Start();
  Main().show();
  auto *button = Find<QToolButton>("CaptionButton");
  QCheckBox *cbLog = Config().cbLog;
  EXPECT_EQ(button->toolTip(), "Show/Hide the log window");

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(app->log->isVisible());
  EXPECT_FALSE(cbLog->isChecked());

  cbLog->click();
  EXPECT_TRUE(app->log->isVisible());
  EXPECT_TRUE(button->isChecked());

  app->log->close();
  EXPECT_FALSE(app->log->isVisible());
  EXPECT_FALSE(button->isChecked());
  EXPECT_FALSE(cbLog->isChecked());

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(app->log->isVisible());
  EXPECT_TRUE(cbLog->isChecked());
}

TEST_F(TMainWindowTest, NavigationTreeShowsEachNodesPage) {
  Start();
  Main().show();
  EXPECT_EQ(Main().windowTitle(), "Zavorin Patch Manager");
  EXPECT_EQ(Main().minimumSize(), Main().maximumSize());
  auto *tree = Find<QTreeWidget>("tvNavigation");
  auto *pages = Find<QStackedWidget>("pgPages");
  ASSERT_EQ(tree->topLevelItemCount(), 5);
  const QStringList nodes = {"SID", "FM", "Library", "Config", "About"};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(tree->topLevelItem(i)->text(0), nodes[i]);
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "Patches");
  EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), "Patches");
  EXPECT_FALSE(tree->topLevelItem(0)->isExpanded());

  QWidget *sidPage = pages->currentWidget();
  tree->setCurrentItem(tree->topLevelItem(2));
  EXPECT_EQ(pages->currentWidget(), Find<QWidget>("LibraryPlaceholder"));
  // The library opens in its own window, which can be resized.
  auto *library = Find<QWidget>("frmLibrary");
  EXPECT_TRUE(library->isVisible());
  EXPECT_TRUE(library->isWindow());
  EXPECT_NE(library->minimumSize(), library->maximumSize());
  tree->setCurrentItem(tree->topLevelItem(3));
  EXPECT_EQ(pages->currentWidget(), &Config());
  tree->setCurrentItem(tree->topLevelItem(0)->child(0));
  EXPECT_EQ(pages->currentWidget(), sidPage);
  tree->setCurrentItem(tree->topLevelItem(4));
  auto *about = Find<QPlainTextEdit>("memAbout");
  EXPECT_TRUE(about->isReadOnly());
  EXPECT_TRUE(about->toPlainText().startsWith("Zavorin Patch Manager v0.8\n"));
  EXPECT_EQ(pages->currentWidget(), Find<QWidget>("AboutPage"));
}

TEST_F(TMainWindowTest, FileDialogsRememberTheFoldersOfThisRun) {
  Start();
  const QString folder = QFileInfo(SettingsPath()).absolutePath();
  const QString existing = folder + "/bank.syx";
  QFile(existing).open(QIODevice::WriteOnly);

  WhenModal([&](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Open SysEx file");
    dialog->selectFile(existing);
    static_cast<QDialog *>(dialog)->accept();
  });
  EXPECT_EQ(Main().OpenSysExFile(), existing);

  // A new file is created only after the user agrees.
  WhenModal([&](QWidget *modal) {
    qobject_cast<QFileDialog *>(modal)->selectFile(folder + "/new.syx");
    static_cast<QDialog *>(modal)->accept();
    WhenModal([](QWidget *question) {
      qobject_cast<QMessageBox *>(question)->button(QMessageBox::Yes)->click();
    });
  });
  EXPECT_EQ(Main().SaveSysExFile(), folder + "/new.syx");

  EXPECT_TRUE(Main().close());
  const QString text = SettingsText();
  EXPECT_TRUE(text.contains("SavedReadSysExDir=" + folder + "/\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("SavedSaveSysExDir=" + folder + "/\n"));
}

} // namespace
} // namespace zpm
