// SPDX-License-Identifier: GPL-3.0-or-later
// Which port a run opens: by name wherever it now stands, else by index,
// and the built-in simulator only when the run asks for it; then the same
// through the real main window and its settings file.

#include "app/app_fixture.h"
#include "app/device_choice.h"

namespace zpm {
namespace {

struct TChoiceCase {
  std::vector<std::string> names;
  int savedIndex;
  const char *savedName;
  bool simulatorRun;
  int index;
  bool heldBack;
};

const std::string kSim = TSimPort::kPortName;

TEST(DeviceChoice, ANameWinsWhereverItStandsAndTheSimulatorNeedsItsRun) {
  const TChoiceCase cases[] = {
      // The list's order changed: the name is found at its new place.
      {{"Synth A", "Keys B", kSim}, 0, "Keys B", false, 1, false},
      {{"Other", "Keys B", "Synth A", kSim}, 0, "Synth A", false, 2, false},
      // The name is gone: the index rule.
      {{"Other", "Keys B", kSim}, 1, "Synth A", false, 1, false},
      {{"Other", kSim}, 5, "Synth A", false, -1, false},
      // No name saved yet (an older settings file): the index rule.
      {{"Other", "Keys B", kSim}, 1, "", false, 1, false},
      // The simulator is not opened in a run without --simulator...
      {{"Synth A", kSim}, 1, "", false, -1, true},
      {{kSim, "Synth A"}, 1, kSim.c_str(), false, -1, true},
      // ...and always in a run with it, whatever was saved.
      {{"Synth A", kSim}, 0, "Synth A", true, 1, false},
      {{"Synth A"}, 0, "Synth A", true, -1, false},
      {{}, 0, "", false, -1, false},
  };
  for (const TChoiceCase &test : cases) {
    const TDeviceChoice choice =
        ChooseDevice(test.names, test.savedIndex, test.savedName, test.simulatorRun);
    EXPECT_EQ(choice.index, test.index) << test.savedName << " " << test.savedIndex;
    EXPECT_EQ(choice.simulatorHeldBack, test.heldBack) << test.savedName;
  }
}

using TDeviceRunTest = TAppFixture;

TEST_F(TDeviceRunTest, TheSimulatorPickedInARunIsRememberedByNameButNotOpenedByTheNext) {
  Start();
  Config().cbxInputDevices->setCurrentIndex(0);
  Config().cbxOutputDevices->setCurrentIndex(0);
  EXPECT_TRUE(InputOpen());
  EXPECT_TRUE(Main().close());
  Stop();
  EXPECT_TRUE(SettingsText().contains("[ZavorinPatchManager]\nInputDeviceName=Zavorin "
                                      "Simulator\nOutputDeviceName=Zavorin Simulator\n"))
      << SettingsText().toStdString();

  Start();
  EXPECT_FALSE(InputOpen());
  EXPECT_FALSE(OutputOpen());
  EXPECT_EQ(Config().cbxInputDevices->currentText(), "None");
  EXPECT_TRUE(Main().close());
  Stop();
  // Held back, not forgotten: the choice stays saved for a run with --simulator.
  EXPECT_TRUE(SettingsText().contains("Input=0\nOutput=0\n")) << SettingsText().toStdString();
  EXPECT_TRUE(SettingsText().contains("InputDeviceName=Zavorin Simulator\n"));

  // A saved name that is not in the list, at an index beyond it: none.
  WriteSettingsText("[Midi]\nInput=4\nOutput=4\n[ZavorinPatchManager]\n"
                    "InputDeviceName=USB MIDI 1\nOutputDeviceName=USB MIDI 1\n");
  Start();
  EXPECT_FALSE(InputOpen());
  EXPECT_TRUE(Main().close());
  Stop();
  EXPECT_TRUE(SettingsText().contains("InputDeviceName=\n")) << SettingsText().toStdString();
}

TEST_F(TDeviceRunTest, RememberedFoldersAndTheDecodeSwitchSurviveARunWithoutDialogs) {
  WriteSettingsText("[Main]\nSavedReadSysExDir=/music/in/\nSavedSaveSysExDir=/music/out/\n"
                    "[ZavorinPatchManager]\nLogDecode=1\n");
  Start();
  auto *decode = app->log->findChild<QAction *>("actDecode");
  ASSERT_NE(decode, nullptr);
  EXPECT_TRUE(decode->isChecked());
  decode->setChecked(false);
  EXPECT_TRUE(Main().close());
  Stop();
  const QString text = SettingsText();
  EXPECT_TRUE(text.contains("SavedReadSysExDir=/music/in/\nSavedSaveSysExDir=/music/out/\n"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("LogDecode=0\n"));
}

} // namespace
} // namespace zpm
